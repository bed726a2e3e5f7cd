// --watch: the running page's file and its classes' sources are watched, and
// a saved change reloads the page (pages/page_reload.h says what is kept). A
// change that does not compile is reported and the old page runs on; the
// next save tries again.
#pragma once

#include "app/file_watch.h"

#include <functional>
#include <string>

namespace ravok {

class TPageWatch {
public:
    // `say` tells the player what happened (standard error, the status bar).
    explicit TPageWatch(std::function<void(const std::string&)> say);
    // Between batches of frames: true when the page was reloaded.
    bool turn();

private:
    std::function<void(const std::string&)> say_;
    TFileWatch files_;
    long followedLoads_ = -1;
    std::string page_; // host path of the watched page
};

} // namespace ravok
