// The command file the player writes: two text lines, the command letter
// ("P" play once, "R" repeat, "S" stop, "X" quit) and its argument.
#pragma once

#include <string>

namespace midiplayer {

struct TCommand {
    char letter = 0; // 0: no command could be read
    std::string argument;
};

TCommand parseCommand(const std::string& text);
// The file's text, or "" when it cannot be read.
std::string readCommandFile(const std::string& path);

// A MIDI file named in the player's form may use '\' between folders.
std::string hostFileName(const std::string& name);

} // namespace midiplayer
