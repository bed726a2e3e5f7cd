// The game playing, as the player's settings name it: its saves' game id, or
// "default" for a page played alone before a project named it.
#pragma once

#include <string>

namespace ravok {

std::string playingGameKey();

} // namespace ravok
