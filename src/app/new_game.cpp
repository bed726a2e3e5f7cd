#include "app/new_game.h"

#include "base/encoding.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "runtime/messages.h"

#include <cstdio>
#include <filesystem>

namespace ravok {

namespace fs = std::filesystem;

int makeNewGame(const std::string& folder) {
    fs::path starter = fs::path(toHostPath(programDirectory())) / "Kernel" / "starter";
    fs::path target(folder);
    std::error_code ec;
    if (!fs::is_directory(starter, ec)) {
        std::fprintf(stderr, "ravok: %s is missing; the starter game cannot be made\n",
                     starter.c_str());
        return 1;
    }
    // An author's work is never written over.
    if (fs::exists(target, ec) && (!fs::is_directory(target, ec) || !fs::is_empty(target, ec))) {
        std::fprintf(stderr, "ravok: %s already exists and is not an empty folder\n",
                     folder.c_str());
        return 1;
    }
    fs::create_directories(target, ec);
    if (!ec) fs::copy(starter, target, fs::copy_options::recursive, ec);
    if (ec) {
        std::fprintf(stderr, "ravok: %s: %s\n", folder.c_str(), ec.message().c_str());
        return 1;
    }
    // The folder stands as the user typed it, in the terminal's own bytes.
    auto said = [](const char* text) { return cp932ToTerminal(translate(text)); };
    std::string text = said("A new game is in ") + folder + said(". Play it with:") + "\n  ravok " +
                       folder + "\n" + said("Its class is ") + folder +
                       said("/Hero.ravok; the tutorial goes on from there (docs/tutorial.md).") +
                       "\n";
    std::fputs(text.c_str(), stdout);
    return 0;
}

} // namespace ravok
