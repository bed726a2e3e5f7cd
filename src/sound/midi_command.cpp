#include "sound/midi_command.h"

#include "resources/host_files.h"

namespace ravok {

void sendMidiCommand(const std::string& commandFile, char command, const std::string& argument) {
    std::string scratch = commandFile + ".new";
    std::string text = std::string(1, command) + "\r\n" + argument + "\r\n";
    if (writeWholeFile(scratch, text)) renameFile(scratch, commandFile);
}

} // namespace ravok
