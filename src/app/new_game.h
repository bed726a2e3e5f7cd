// ravok --new FOLDER: a small starter game that runs at once, copied from the
// program directory's Kernel/starter, for the tutorials to start from.
#pragma once

#include <string>

namespace ravok {

// Writes the starter game into `folder` (created; it must not hold files
// already). Returns the exit status, after saying what happened.
int makeNewGame(const std::string& folder);

} // namespace ravok
