#include "desktop/window_captures.h"

#include "app/frame_shots.h"
#include "app/gif_writer.h"
#include "base/frame_pacing.h"
#include "base/surface.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "runtime/paths.h"

#include <ctime>
#include <memory>

namespace ravok {

struct TWindowCaptures::TState {
    TGifWriter gif;
    std::string file; // the recording's host path
    bool starting = false;
    long lastFrame = 0;
};

std::string freshCaptureName(const std::string& folder, const std::string& extension) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "ravok-%Y%m%d-%H%M%S", &local);
    std::string path = resolve(std::string(stamp) + extension, folder);
    for (int n = 2; fileExists(path); ++n)
        path = resolve(std::string(stamp) + "-" + std::to_string(n) + extension, folder);
    return path;
}

TWindowCaptures::TWindowCaptures(std::function<void(const std::string&)> say)
    : say_(std::move(say)), state_(new TState) {}

TWindowCaptures::~TWindowCaptures() {
    if (state_->gif.isOpen()) toggleRecording();
    delete state_;
}

bool TWindowCaptures::recording() const { return state_->gif.isOpen() || state_->starting; }

void TWindowCaptures::toggleRecording() {
    TState& s = *state_;
    if (s.starting) {
        s.starting = false;
        return;
    }
    if (!s.gif.isOpen()) {
        s.starting = true;
        return;
    }
    int frames = s.gif.frames();
    if (s.gif.close())
        say_("Saved " + std::to_string(frames) + " frames as " + s.file);
    else
        say_(s.file + ": " + s.gif.error());
}

void TWindowCaptures::presented(const TSurface& back, const TRect& client, long frame) {
    TState& s = *state_;
    if (!screenshotWanted_ && !s.starting && !s.gif.isOpen()) return;
    auto picture = gamePicture(back, client);
    if (!picture) return;
    if (screenshotWanted_) {
        screenshotWanted_ = false;
        std::string path = toHostPath(freshCaptureName(screenshotDirectory(), ".png"));
        say_(picture->savePng(path) ? "Saved " + path : path + ": cannot be written");
    }
    if (s.starting) {
        s.starting = false;
        s.file = toHostPath(freshCaptureName(screenshotDirectory(), ".gif"));
        if (!s.gif.open(s.file, client.width(), client.height())) {
            say_(s.file + ": " + s.gif.error());
            return;
        }
        s.lastFrame = frame - 1;
        say_("Recording " + s.file + " (Shift+F12 stops)");
    }
    if (!s.gif.isOpen()) return;
    // The same game frame presented again (the window redrawn while the
    // game waits) is no new picture: adding it would stretch the GIF past
    // the game's time.
    if (frame <= s.lastFrame) return;
    // Frames that were run but not presented (a batch draws only its last)
    // lengthen this picture's time, so the GIF keeps the game's pace.
    long frames = frame - s.lastFrame;
    s.lastFrame = frame;
    if (!s.gif.add(*picture, double(frames) * framePacing().FrameInterval)) {
        say_(s.file + ": " + s.gif.error());
        s.gif.close();
    }
}

} // namespace ravok
