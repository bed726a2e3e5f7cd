// What the about box shows: the running game's properties from its project
// parameters, the two identification numbers, the banner image and the
// system's version line. Computing it draws from the program's generator,
// the one scripts share, so showing the box moves their random sequence.
#pragma once

#include <cstdint>
#include <string>

namespace ravok {

struct TAboutInfo {
    // The value labels, in the box's order: Title, Version, Author, Mail,
    // URL, License.
    std::string title, version, author, mail, web, cond;
    uint32_t appId = 0;    // of the project's hash
    uint32_t kernelId = 0; // of the whole tree's hash, taken at start-up
    std::string banner;    // the program's Kernel\banner.bmp, empty when missing
    std::string versionLine;
};

// Seeds the program's generator with the hash, draws four times and gives
// the fifth draw.
uint32_t identificationNumber(int32_t hash);

// Everything the box shows, computed afresh (as each showing of the box does).
TAboutInfo aboutInfo();

// The system's home page, which the box's image and link open.
constexpr const char* kHomePage = "https://ravok.example.org/";

} // namespace ravok
