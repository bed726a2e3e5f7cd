// What both exports need to know of the game they write: its title, its id
// (the rule of resources/saves_folder.h) and its icon, from its project's
// parameters; a page alone is named by its file.
#pragma once

#include <string>

namespace ravok {

struct TExportedGame {
    std::string title; // UTF-8
    std::string id;
    std::string icon; // the project's `icon` parameter (a picture of the game), or empty
};

// `start` is the host path of the page or project file the game starts with.
TExportedGame exportedGame(const std::string& start);

} // namespace ravok
