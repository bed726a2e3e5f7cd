#include "app/frame_shots.h"

#include "base/surface.h"

#include <cstdio>
#include <cstdlib>

namespace ravok {

bool parseShot(const std::string& text, TFrameShot& shot) {
    size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) return false;
    char* end = nullptr;
    long frame = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() + colon || frame < 1) return false;
    shot.frame = frame;
    shot.file = text.substr(colon + 1);
    return true;
}

TFrameShots::TFrameShots(std::vector<TFrameShot> shots)
    : shots_(std::move(shots)), taken_(shots_.size(), false) {}

void TFrameShots::presented(const TSurface& back, const TRect& client, long frame) {
    for (size_t i = 0; i < shots_.size(); ++i) {
        if (shots_[i].frame != frame || taken_[i]) continue;
        auto picture = TSurface::create(client.width(), client.height());
        if (picture) picture->copyPlain(back, client, 0, 0);
        if (picture && picture->savePng(shots_[i].file))
            taken_[i] = true;
        else
            std::fprintf(stderr, "ravok: %s: cannot be written\n", shots_[i].file.c_str());
    }
}

bool TFrameShots::reportMissing() const {
    bool all = true;
    for (size_t i = 0; i < shots_.size(); ++i)
        if (!taken_[i]) {
            std::fprintf(stderr, "ravok: frame %ld was not presented; %s not written\n",
                         shots_[i].frame, shots_[i].file.c_str());
            all = false;
        }
    return all;
}

} // namespace ravok
