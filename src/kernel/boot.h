// The kernel boot: the kernel bundle read into the root of the resource tree,
// every kernel class compiled, the natives bound by class and name.
#pragma once

#include <string>

namespace ravok {

class TResource;

// Returns whether the kernel came up; failures have been reported.
bool bootKernel();
TResource* kernelRoot();

// The boot proper after the first-time initialisation: the kernel, the
// project Usr\default.ravokprj, the start page (the command line's when it
// names an existing file, else the project's), $_emChar and $_editMode, and
// the start page opened. Returns whether the kernel came up.
bool bootPlayer(const std::string& commandLinePage);

// The game's help file from the project parameter helpfile: an address
// (containing "http://" or "https://") as it is, anything else resolved
// against the game's project folder when the file is there, else against the
// program directory; empty when the project names none.
std::string resolveHelpFile(const std::string& value);
// The help file of the project playing now.
std::string currentHelpFile();
inline std::string gHelpFile;

// The desktop starts the MIDI player program beside the player at boot;
// headless runs and tests leave it alone.
inline bool gStartMidiPlayer = false;

constexpr const char* kVersionText = "1.27";

} // namespace ravok
