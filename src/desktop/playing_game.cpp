#include "desktop/playing_game.h"

#include "resources/saves_folder.h"

namespace ravok {

std::string playingGameKey() {
    std::string id = gameId();
    return id.empty() ? "default" : id;
}

} // namespace ravok
