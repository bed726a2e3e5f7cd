// The profiler by script method: while it is on, the interpreter runs a
// second build of its loop that reports each call and return here, and each
// method gets its calls, its own time and instructions, and its time with
// what it called. While it is off, that build is never entered: the loop
// the game runs has no trace of it.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <vector>

namespace ravok {

class TProcess;

// Set by the players for --profile and the profile window.
inline bool MethodProfiling = false;

struct TMethodStats {
    uint64_t calls = 0;
    uint64_t selfNs = 0;
    uint64_t totalNs = 0;
    uint64_t instructions = 0;
};

// A method's key: its function id, or kMainBodyKey | the class id for a
// class's main body.
constexpr uint32_t kMainBodyKey = 0x80000000u;

class TMethodProfile {
public:
    static TMethodProfile& instance();
    void reset();
    const std::map<uint32_t, TMethodStats>& stats() const { return stats_; }

    // The interpreter's reports (the profiling build only).
    void sliceBegins(TProcess* p);
    void sliceEnds(TProcess* p);
    void entered(TProcess* p, uint32_t key, uint32_t fp, int32_t budgetLeft);
    void returning(TProcess* p, uint32_t fp, int32_t budgetLeft);

private:
    using TClock = std::chrono::steady_clock;
    std::map<uint32_t, TMethodStats> stats_;
    // The slices running now, innermost last: a native may run another
    // process, whose time is not its caller's own.
    struct TSlice {
        TProcess* process;
        int32_t startBudget;
        int32_t lastBudget;
        TClock::time_point since;
    };
    std::vector<TSlice> slices_;
    // How many activations of each method are open, so that recursion
    // counts its time with callees once.
    std::map<uint32_t, int> open_;
    uint64_t generation_ = 1;

    // Charges the running slice's time and instructions since the last
    // event to the innermost frame it knows.
    void charge(TSlice& slice, int32_t budgetLeft, TClock::time_point now);
};

} // namespace ravok
