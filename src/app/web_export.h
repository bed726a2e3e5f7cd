// `ravok --export-web GAME OUT/`: a folder any static web server serves, in
// which the game plays in a browser. OUT gets the page (index.html with the
// game's title and a loading bar), the page's script and style, the web
// player (ravok.js, ravok.wasm, from the program directory's web/ folder,
// which `make web` fills), and game.data: one pack of the program directory
// (kernel, tones, the fonts the game uses) and the game's folder. A game that needs what a
// browser cannot give (native modules, MIDI files) is refused, naming them.
#pragma once

#include <string>
#include <vector>

namespace ravok {

struct TWebExport {
    std::string game; // a page, a project or a folder
    std::string out;
};

// 0, or 1 with the reasons on standard error.
int exportWeb(const TWebExport& request);

// What keeps a game from the web: one line for each reason, naming the file.
std::vector<std::string> webObstacles(const std::string& gameFolder);

// The font files a game needs, which both exports carry: the default font,
// and those its setFont calls name (all of them when a call names its font
// by a variable).
std::vector<std::string> fontFilesOfGame(const std::string& gameFolder);

} // namespace ravok
