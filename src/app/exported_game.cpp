#include "app/exported_game.h"

#include "base/encoding.h"
#include "resources/saves_folder.h"
#include "resources/sgml.h"

#include <filesystem>
#include <fstream>
#include <sstream>
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

TExportedGame exportedGame(const std::string& start) {
    std::filesystem::path path(start);
    TExportedGame game;
    std::string author, given;
    std::string ext = path.extension().string();
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".ravokprj") {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        std::unique_ptr<TSGML> doc = TSGML::readDocument(decodeSourceText(bytes.str()).text);
        game.title = projectParam(doc.get(), "title");
        author = projectParam(doc.get(), "author");
        given = projectParam(doc.get(), "gameid");
        game.icon = projectParam(doc.get(), "icon");
    }
    if (game.title.empty()) game.title = path.stem().string();
    game.id = gameIdFor(game.title, author, given);
    return game;
}

} // namespace ravok
