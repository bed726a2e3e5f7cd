// Loading a page into the resource tree as `usr` (its classes compiled, its
// globals registered), starting it in execute or design mode, and stopping,
// unloading, reloading and saving it.
#pragma once

#include <string>
#include <string_view>

namespace ravok {

class TResource;

// The activity indicator the window shows while a page loads. The default,
// for a player without a window, shows nothing.
class TBusyIndicator {
public:
    virtual ~TBusyIndicator() = default;
    virtual void busy(bool) {}
};
TBusyIndicator& busyIndicator();
// nullptr restores the default.
void setBusyIndicator(TBusyIndicator* indicator);

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
