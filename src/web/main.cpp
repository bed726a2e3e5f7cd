// The player in a browser page. The page (src/web/shell/ravok-page.js)
// unpacks the program directory and the game into the file system first and
// calls main with the start page: ravok.js /game/start.cmml [--home DIR] [--log]
// (the page adds --log when its address ends in ?log).
#include "base/log.h"
#include "web/web_player.h"

#include <cstring>

int main(int argc, char** argv) {
    ravok::TWebOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--home") == 0 && i + 1 < argc)
            options.home = argv[++i];
        else if (std::strcmp(argv[i], "--log") == 0)
            ravok::setLogEnabled(true);
        else
            options.page = argv[i];
    }
    return ravok::startWebPlayer(options) ? 0 : 1;
}
