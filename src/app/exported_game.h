// What both exports need to know of the game they write: its title, its id
// (the rule of resources/saves_folder.h) and its icon, from its project's
// parameters; a page alone is named by its file.
#pragma once

#include <string>

namespace ravok {

struct TExportedGame {
    std::string start;  // host path of the page or project file it starts with
    std::string folder; // host path of the game's folder
    std::string title;  // UTF-8
    std::string id;
    std::string icon; // the project's `icon` parameter (a picture of the game), or empty
};

// The game a command line names (a page, a project or a folder); false with
// the reason said on standard error when it cannot be played.
bool openExportedGame(const std::string& game, TExportedGame& out);

} // namespace ravok
