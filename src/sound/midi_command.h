// The command file of the external MIDI player (Kernel\sig): two text lines,
// the command letter and its argument, written under a scratch name and
// renamed, so the player never reads half a command.
#pragma once

#include <string>

namespace ravok {

// "P" play once, "R" repeat, "S" stop, "X" quit. Failures are ignored.
void sendMidiCommand(const std::string& commandFile, char command, const std::string& argument);

} // namespace ravok
