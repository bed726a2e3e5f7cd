// The frames --shot asks for ("N:FILE.png"), each saved as a PNG file of the
// game's screen when game frame N is presented, in a window or headless.
#pragma once

#include <string>
#include <vector>

namespace ravok {

class TSurface;
struct TRect;

struct TFrameShot {
    long frame = 0;
    std::string file; // a host path, PNG
};

// "N:FILE.png" as --shot gives it; false when it is not that.
bool parseShot(const std::string& text, TFrameShot& shot);

class TFrameShots {
public:
    explicit TFrameShots(std::vector<TFrameShot> shots);
    // A frame was presented: the shots that ask for it are saved.
    void presented(const TSurface& back, const TRect& client, long frame);
    // Says which shots were never taken; true when every one was.
    bool reportMissing() const;
    bool empty() const { return shots_.empty(); }

private:
    std::vector<TFrameShot> shots_;
    std::vector<bool> taken_;
};

} // namespace ravok
