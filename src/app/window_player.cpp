#include "app/window_player.h"

#include "app/program_home.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace ravok {

namespace {
std::string desktopProgram() { return executableFolder() + "/ravok-desktop"; }

bool displayNamed() {
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}
} // namespace

// The shell runs on X11, so without a display name there is no window to
// open; whether the display answers is for ravok-desktop to find out.
bool TWindowPlayer::available() {
    return displayNamed() && access(desktopProgram().c_str(), X_OK) == 0;
}

std::optional<int> TWindowPlayer::run(const TWindowOptions&, char** argv) {
    std::string program = desktopProgram();
    std::fflush(stdout);
    std::fflush(stderr);
    execv(program.c_str(), argv);
    std::fprintf(stderr, "ravok: %s cannot be started: %s\n", program.c_str(),
                 std::strerror(errno));
    return std::nullopt;
}

bool THoldEvents::waitOnce(const std::function<bool()>& ready) {
    std::unique_lock<std::mutex> lock(lock_);
    changed_.wait_for(lock, std::chrono::milliseconds(200), ready);
    return true;
}

void THoldEvents::wake() {
    std::lock_guard<std::mutex> lock(lock_);
    changed_.notify_all();
}

THoldEvents& TWindowPlayer::holdEvents() {
    static THoldEvents events;
    return events;
}

TWindowPlayer& desktopLauncher() {
    static TWindowPlayer launcher;
    return launcher;
}

} // namespace ravok
