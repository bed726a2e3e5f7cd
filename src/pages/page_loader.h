// Loading a page into the resource tree as `usr` (its classes compiled, its
// globals registered), starting it in execute or design mode, and stopping,
// unloading, reloading and saving it.
#pragma once

#include <string>
#include <string_view>

namespace ravok {

class TResource;

// What loading a page touches in subsystems that come later (the screen, the
// patterns, the sound engine, the debug window); each hook is optional.
struct TPageHooks {
    void (*busy)(bool on) = nullptr;      // the screen window's busy indicator
    void (*showScreen)() = nullptr;       // shows the screen window
    void (*designState)(bool on) = nullptr;
    void (*clearErrorStop)() = nullptr;   // a page load clears the main loop's error stop
    // Cuts the pattern table back to the kernel's, initialises the page's
    // patterns and re-initialises all; returns the result of the page's.
    int (*initPatterns)(TResource* pagePatterns) = nullptr;
    void (*enableSound)() = nullptr;      // design mode enables the sound engine
    void (*refreshDebugWindow)() = nullptr;
};
inline TPageHooks gPageHooks;

// Writes the empty page a new page file starts as (patterns, classes and gen
// lists); an existing file is left alone. Returns whether the file exists now.
bool createPageFile(std::string_view file);

int loadPage(std::string_view file);
void runPage(std::string_view file);
void designPage();
void stopPage();
void unloadPage();
void reloadPage();
bool savePage();

// Fills the recent pages from the environment (RecentPage0 .. RecentPage9).
void loadRecentPages();
// Adds a loaded page to the recent list (pages of the program's Usr folder
// are not added; one entry per folder, the newest first, at most nine).
void addRecentPage(const std::string& file);

} // namespace ravok
