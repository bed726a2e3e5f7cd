// The desktop shell: opening an address in the user's web browser and
// starting a program beside the player. The
// address is passed to the opener as one argument, never through a command
// shell, so a game's text cannot run anything.
#pragma once

#include <string>
#include <string_view>

namespace ravok {

class TShell {
public:
    virtual ~TShell() = default;
    // Returns whether the opener could be started.
    virtual bool openAddress(std::string_view address) = 0;
    // Starts a program (a host path) without arguments and without waiting.
    virtual bool startProgram(const std::string& hostPath) = 0;
};

TShell& shell();
// Installs a shell (tests, headless runs); nullptr restores the desktop one.
void setShell(TShell* s);

} // namespace ravok
