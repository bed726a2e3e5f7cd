#include "app/frame_times.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ravok {

void TFrameTimes::add(long frame, double totalMs, double drawMs) {
    if (frame <= warmUp_) return;
    total_.push_back(totalMs);
    draw_.push_back(drawMs);
    scripts_.push_back(std::max(0.0, totalMs - drawMs));
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    size_t rank = size_t(std::ceil(p / 100.0 * double(values.size())));
    size_t index = rank == 0 ? 0 : std::min(rank, values.size()) - 1;
    std::nth_element(values.begin(), values.begin() + long(index), values.end());
    return values[index];
}

std::string TFrameTimes::report() const {
    char line[320];
    if (total_.empty()) {
        std::snprintf(line, sizeof line,
                      "frame times: no frame after the %ld of warm-up was measured", warmUp_);
        return line;
    }
    std::snprintf(line, sizeof line,
                  "frame times over %zu frames after %ld of warm-up: median %.2f ms, 95th "
                  "percentile %.2f ms (scripts and sound %.2f / %.2f ms, drawing %.2f / %.2f ms)",
                  total_.size(), warmUp_, percentile(total_, 50), percentile(total_, 95),
                  percentile(scripts_, 50), percentile(scripts_, 95), percentile(draw_, 50),
                  percentile(draw_, 95));
    return line;
}

} // namespace ravok
