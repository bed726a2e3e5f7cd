// `ravok --export GAME OUT` (--target linux): a folder that plays the game on
// another Debian or Ubuntu desktop without building anything. OUT gets the
// player's programs and kernel, the game (in OUT/game), the fonts, every
// shared library the programs load that is not in the base set every
// desktop has (kLinuxBaseLibraries), a launcher `play`, a .desktop file and
// an icon, and a README in English and Japanese; OUT.tar.gz beside it.
#pragma once

#include <string>
#include <vector>

namespace ravok {

struct TLinuxExport {
    std::string game; // a page, a project or a folder
    std::string out;
    bool archive = true; // also OUT.tar.gz
};

int exportLinux(const TLinuxExport& request);

// Whether a library (its file name, "libX11.so.6") belongs to the base set
// a desktop is taken to have: the C library and its loader, the graphics
// drivers' libraries, the X11 and Wayland client libraries, and the sound
// and session services', which must match what the system runs.
bool isBaseLibrary(const std::string& soname);

// The libraries `ldd` names for a program, as (file name, host path).
std::vector<std::pair<std::string, std::string>> sharedLibrariesOf(const std::string& program);

} // namespace ravok
