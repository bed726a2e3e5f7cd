// The window's captures: a key saves the game picture as a PNG file, another
// starts and stops an animated GIF of it at the game's frame rate. Both are
// unscaled, as the game drew them, without the authors' overlay, and go to
// the screenshot folder (the program directory's Screenshots, else the
// user's pictures folder). The message says where.
#pragma once

#include <functional>
#include <string>

namespace ravok {

class TSurface;
struct TRect;

class TWindowCaptures {
public:
    // `say` shows one line to the player (the status bar).
    explicit TWindowCaptures(std::function<void(const std::string&)> say);
    ~TWindowCaptures();
    // The picture presented next is saved.
    void requestScreenshot() { screenshotWanted_ = true; }
    // Starts a recording with the next presented picture, or ends the one
    // running.
    void toggleRecording();
    bool recording() const;
    // A picture was presented after game frame `frame`.
    void presented(const TSurface& back, const TRect& client, long frame);

private:
    struct TState;
    std::function<void(const std::string&)> say_;
    bool screenshotWanted_ = false;
    TState* state_;
};

// A file name in the folder (a program path) that does not exist yet:
// "ravok-YYYYMMDD-HHMMSS.EXT", with "-2", "-3", ... when taken.
std::string freshCaptureName(const std::string& folder, const std::string& extension);

} // namespace ravok
