#include "app/frame_shots.h"

#include "base/frame_pacing.h"
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

bool parseFrameRun(const std::string& text, TFrameRun& run) {
    char* end = nullptr;
    long first = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != ':' || first < 1) return false;
    const char* second = end + 1;
    long last = std::strtol(second, &end, 10);
    if (end == second || *end != ':' || last < first || end[1] == '\0') return false;
    run.first = first;
    run.last = last;
    run.file = end + 1;
    return true;
}

std::unique_ptr<TSurface> gamePicture(const TSurface& back, const TRect& client) {
    auto picture = TSurface::create(client.width(), client.height());
    if (picture) picture->copyPlain(back, client, 0, 0);
    return picture;
}

TFrameShots::TFrameShots(std::vector<TFrameShot> shots, std::vector<TFrameRun> runs)
    : shots_(std::move(shots)), taken_(shots_.size(), false) {
    for (TFrameRun& r : runs) {
        auto recording = std::make_unique<TRecording>();
        recording->run = std::move(r);
        recording->next = recording->run.first;
        runs_.push_back(std::move(recording));
    }
}

TFrameShots::~TFrameShots() = default;

void TFrameShots::presented(const TSurface& back, const TRect& client, long frame) {
    for (size_t i = 0; i < shots_.size(); ++i) {
        if (shots_[i].frame != frame || taken_[i]) continue;
        auto picture = gamePicture(back, client);
        if (picture && picture->savePng(shots_[i].file))
            taken_[i] = true;
        else
            std::fprintf(stderr, "ravok: %s: cannot be written\n", shots_[i].file.c_str());
    }
    for (auto& r : runs_) {
        // A frame that was never presented (a batch drew only its last) is
        // left out: the next one shows for its time too.
        if (r->failed || frame < r->next || frame > r->run.last) continue;
        long frames = frame - r->next + 1;
        r->next = frame + 1;
        if (!r->gif.isOpen() && !r->gif.open(r->run.file, client.width(), client.height())) {
            std::fprintf(stderr, "ravok: %s: %s\n", r->run.file.c_str(), r->gif.error().c_str());
            r->failed = true;
            continue;
        }
        auto picture = gamePicture(back, client);
        bool added = picture && r->gif.add(*picture, double(frames) * framePacing().FrameInterval);
        if (added && frame == r->run.last) added = r->gif.close();
        if (!added) {
            std::fprintf(stderr, "ravok: %s: %s\n", r->run.file.c_str(), r->gif.error().c_str());
            r->failed = true;
        }
    }
}

bool TFrameShots::reportMissing() {
    bool all = true;
    for (auto& r : runs_) {
        if (r->failed) {
            all = false;
        } else if (r->next <= r->run.last) {
            r->gif.close();
            std::fprintf(stderr, "ravok: frames %ld to %ld were not all presented; %s holds %d\n",
                         r->run.first, r->run.last, r->run.file.c_str(), r->gif.frames());
            all = false;
        }
    }
    for (size_t i = 0; i < shots_.size(); ++i)
        if (!taken_[i]) {
            std::fprintf(stderr, "ravok: frame %ld was not presented; %s not written\n",
                         shots_[i].frame, shots_[i].file.c_str());
            all = false;
        }
    return all;
}

} // namespace ravok
