// The process-wide state of the current page: which file is loaded, whether
// its project was just (re)opened, whether its classes compiled, the mode it
// runs in, and the list of recently opened pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ravok {

struct TPageState {
    std::string currentPageFile; // absolute path of the page last loaded
    bool reopenProject = false;  // set when a project was just opened for a page
    bool compiled = false;       // every project class compiled at the last load
    bool designMode = false;     // the running page was started with its design entry
    // When the last load began reading the page's files (realtime clock,
    // nanoseconds), so that a save made during the load is not missed.
    int64_t loadReadAtNs = 0;
    long loads = 0; // page loads so far: the main loop starts afresh after one
    std::vector<std::string> recentPages; // at most 9, the newest first
};

TPageState& pageState();

constexpr size_t kMaxRecentPages = 9;

} // namespace ravok
