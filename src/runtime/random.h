// The program's pseudo-random generator: one 30-bit state shared by the
// scripts' rnd and _n_randomize and by the page hash code.
#pragma once

#include <cstdint>

namespace ravok {

class TRandom {
public:
    static TRandom& instance();
    void seed(uint32_t s) { state_ = s ^ 0x075BD924u; }
    uint32_t draw() {
        state_ = (state_ * 0x02E90EDDu) & 0x3FFFFFFFu;
        return state_;
    }
    // 0 .. n-1 (n > 0).
    uint32_t drawBelow(uint32_t n) {
        // Above 2^30 every draw already lies below n; the quotient would be 0.
        uint32_t q = n > 0x40000000u ? 1u : 0x40000000u / n;
        uint32_t r;
        do
            r = draw() / q;
        while (r >= n);
        return r;
    }

    // The state, for a computation that must leave the scripts' sequence
    // where it was.
    uint32_t state() const { return state_; }
    void restore(uint32_t state) { state_ = state; }

private:
    uint32_t state_ = 0x075BD924u; // seed(0): a zero state would draw 0 forever
};

} // namespace ravok
