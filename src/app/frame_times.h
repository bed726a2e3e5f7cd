// Frame times measured inside the player, for benchmarks: each frame's
// milliseconds on the host's clock (scripts with the sprites they record,
// the sound, the drawing), kept after a warm-up, and summed up as the
// median and 95th percentile. Two whole runs timed from outside differ by
// more than the frames they are meant to compare.
#pragma once

#include <string>
#include <vector>

namespace ravok {

class TFrameTimes {
public:
    explicit TFrameTimes(long warmUp) : warmUp_(warmUp) {}
    // One frame ended: its number (from 1), its whole time and its drawing.
    void add(long frame, double totalMs, double drawMs);
    size_t count() const { return total_.size(); }
    // "frame times over N frames after W of warm-up: median ... ms, 95th
    // percentile ... ms (scripts ..., drawing ...)"; a note when no frame
    // was measured.
    std::string report() const;

private:
    long warmUp_;
    std::vector<double> total_, draw_, scripts_;
};

// The p-th percentile (0-100) of values by nearest rank; 0 for none.
double percentile(std::vector<double> values, double p);

} // namespace ravok
