// The player in a browser page: the seams of the layers below get the web's
// implementations (the page's canvas, keys, gamepads, Web Audio, HTML
// dialogs, the error overlay, new tabs for links), the kernel boots on the
// files the page unpacked, and every animation frame turns the main loop.
// The debug hold has no window here: it gives the budget back.
#pragma once

#include <string>

namespace ravok {

struct TWebOptions {
    std::string home = "/ravok"; // the program directory the page unpacked
    std::string page;            // the start page or project
};

// Boots and starts the frames; false when the kernel could not boot (the
// overlay says why).
bool startWebPlayer(const TWebOptions& options);

} // namespace ravok
