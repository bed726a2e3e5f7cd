#include "app/new_game.h"

#include "resources/host_files.h"
#include "resources/program_paths.h"

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
    std::printf("A new game is in %s. Play it with:\n  ravok %s\n"
                "Its class is %s/Hero.ravok; docs/tutorial.md goes on from here.\n",
                folder.c_str(), folder.c_str(), folder.c_str());
    return 0;
}

} // namespace ravok
