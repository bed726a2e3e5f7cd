// The frames --shot asks for ("N:FILE.png"), each saved as a PNG file of the
// game's screen when game frame N is presented, in a window or headless; and
// the runs of frames --gif asks for ("FIRST:LAST:FILE.gif"), each saved as an
// animated GIF at the game's frame rate.
#pragma once

#include "app/gif_writer.h"

#include <memory>
#include <string>
#include <vector>

namespace ravok {

class TSurface;
struct TRect;

struct TFrameShot {
    long frame = 0;
    std::string file; // a host path, PNG
};

struct TFrameRun {
    long first = 0, last = 0;
    std::string file; // a host path, GIF
};

// The game's picture, the client rectangle of the back surface, on a surface
// of its own; nullptr when none can be had.
std::unique_ptr<TSurface> gamePicture(const TSurface& back, const TRect& client);

// "N:FILE.png" as --shot gives it; false when it is not that.
bool parseShot(const std::string& text, TFrameShot& shot);
// "FIRST:LAST:FILE.gif" as --gif gives it, 1 <= FIRST <= LAST.
bool parseFrameRun(const std::string& text, TFrameRun& run);

class TFrameShots {
public:
    explicit TFrameShots(std::vector<TFrameShot> shots, std::vector<TFrameRun> runs = {});
    ~TFrameShots();
    // A frame was presented: the shots that ask for it are saved, and the
    // runs it belongs to take it, shown for the game's frame interval.
    void presented(const TSurface& back, const TRect& client, long frame);
    // Says which shots were never taken and which runs were cut short (what
    // they recorded is kept); true when every one was complete.
    bool reportMissing();
    bool empty() const { return shots_.empty() && runs_.empty(); }

private:
    struct TRecording {
        TFrameRun run;
        TGifWriter gif;
        long next = 0; // the frame it takes next
        bool failed = false;
    };
    std::vector<TFrameShot> shots_;
    std::vector<bool> taken_;
    std::vector<std::unique_ptr<TRecording>> runs_;
};

} // namespace ravok
