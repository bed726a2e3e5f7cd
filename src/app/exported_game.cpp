#include "app/exported_game.h"

#include "app/game_opening.h"
#include "base/encoding.h"
#include "base/regular_file.h"
#include "resources/saves_folder.h"
#include "resources/sgml.h"
#include "runtime/sjis.h"

#include <cstdio>
#include <filesystem>
#include <vector>

namespace ravok {

namespace {

std::string projectParam(const TSGML* root, const std::string& name) {
    std::vector<const TSGML*> todo{root};
    while (!todo.empty()) {
        const TSGML* e = todo.back();
        todo.pop_back();
        if (!e) continue;
        if (e->tagName() == "param" && e->attr("name") == name)
            return cp932ToUtf8(e->attr("value"));
        for (const auto& c : e->children())
            todo.push_back(c.get());
    }
    return {};
}

} // namespace

bool openExportedGame(const std::string& game, TExportedGame& out) {
    TGameOpening opening = gameOpeningFor(game);
    if (!opening.error.empty()) {
        std::fprintf(stderr, "ravok: %s\n", opening.error.c_str());
        return false;
    }
    std::filesystem::path path = std::filesystem::absolute(opening.start);
    out.start = path.string();
    out.folder = path.parent_path().string();
    std::string author, given;
    std::string project;
    if (equalsNoCase(path.extension().string(), ".ravokprj") &&
        readRegularFile(out.start, project, size_t(1) << 24) == TRegularRead::Ok) {
        std::unique_ptr<TSGML> doc = TSGML::readDocument(decodeSourceText(project).text);
        out.title = projectParam(doc.get(), "title");
        author = projectParam(doc.get(), "author");
        given = projectParam(doc.get(), "gameid");
        out.icon = projectParam(doc.get(), "icon");
    }
    if (out.title.empty()) out.title = path.stem().string();
    out.id = gameIdFor(out.title, author, given);
    return true;
}

} // namespace ravok
