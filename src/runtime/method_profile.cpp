#include "runtime/method_profile.h"

#include "runtime/function.h"
#include "runtime/process.h"
#include "runtime/rtti.h"
#include "runtime/tf_object.h"

namespace ravok {

namespace {
int64_t nanos(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// The key of the method a frame runs.
uint32_t keyOf(const uint8_t* f) {
    uint32_t method = frame::get(f, frame::kMethod);
    if (method) return method;
    const TValue& recv = *arenaPtr<TValue>(frame::get(f, frame::kReceiver));
    return kMainBodyKey | (recv.kind == vtObject ? objectAt(recv.u)->classId : 0);
}
} // namespace

TMethodProfile& TMethodProfile::instance() {
    static TMethodProfile profile;
    return profile;
}

void TMethodProfile::reset() {
    stats_.clear();
    open_.clear();
    // Frames seen before are forgotten process by process, when each runs next.
    ++generation_;
    auto now = TClock::now();
    for (TSlice& s : slices_)
        s.since = now;
}

void TMethodProfile::charge(TSlice& slice, int32_t budgetLeft, TClock::time_point now) {
    TProcess* p = slice.process;
    if (!p->profiled.empty()) {
        TMethodStats& top = stats_[p->profiled.back().key];
        top.selfNs += uint64_t(
            std::chrono::duration_cast<std::chrono::nanoseconds>(now - slice.since).count());
        if (slice.lastBudget > budgetLeft)
            top.instructions += uint64_t(slice.lastBudget - budgetLeft);
    }
    slice.lastBudget = budgetLeft;
    slice.since = now;
}

void TMethodProfile::sliceBegins(TProcess* p) {
    auto now = TClock::now();
    // The slice that ran the native now running this one stops its clock.
    if (!slices_.empty()) charge(slices_.back(), slices_.back().process->budget, now);
    if (p->profiledGeneration != generation_) {
        p->profiled.clear();
        p->profiledGeneration = generation_;
    }
    // A process first seen mid-run: its innermost frame is known from here on.
    if (p->profiled.empty() && p->fp) {
        uint32_t key = keyOf(p->fp);
        p->profiled.push_back({key, arenaOffset(p->fp), nanos(now)});
        if (key & kMainBodyKey) ++stats_[key].calls;
        ++open_[key];
    }
    slices_.push_back({p, p->budget, p->budget, now});
}

void TMethodProfile::sliceEnds(TProcess* p) {
    if (slices_.empty() || slices_.back().process != p) return;
    auto now = TClock::now();
    // The instructions the slice ran, however it ended (a suspension gives
    // back what it did not use).
    charge(slices_.back(), slices_.back().startBudget - p->sliceUsed, now);
    slices_.pop_back();
    if (!slices_.empty()) slices_.back().since = now;
    if (p->finished) {
        for (const TProfiledFrame& f : p->profiled) {
            TMethodStats& s = stats_[f.key];
            if (--open_[f.key] == 0) s.totalNs += uint64_t(nanos(now) - f.startNs);
        }
        p->profiled.clear();
    }
}

void TMethodProfile::entered(TProcess* p, uint32_t key, uint32_t fp, int32_t budgetLeft) {
    if (slices_.empty() || slices_.back().process != p) return;
    auto now = TClock::now();
    charge(slices_.back(), budgetLeft, now);
    p->profiled.push_back({key, fp, nanos(now)});
    ++stats_[key].calls;
    ++open_[key];
}

void TMethodProfile::returning(TProcess* p, uint32_t fp, int32_t budgetLeft) {
    if (slices_.empty() || slices_.back().process != p) return;
    auto now = TClock::now();
    charge(slices_.back(), budgetLeft, now);
    bool known = false;
    for (const TProfiledFrame& f : p->profiled)
        known = known || f.fp == fp;
    if (!known) return;
    // Frames a failure skipped are closed with the one returning.
    while (!p->profiled.empty()) {
        TProfiledFrame f = p->profiled.back();
        p->profiled.pop_back();
        if (--open_[f.key] == 0) stats_[f.key].totalNs += uint64_t(nanos(now) - f.startNs);
        if (f.fp == fp) break;
    }
}

} // namespace ravok
