#include "screen/key_state.h"

#include "base/key_source.h"

namespace ravok {

int32_t TKeyState::holdCount(int64_t code) {
    TKeySource& source = keySource();
    if (DisableKeysWhenInactive && !source.applicationActive()) return 0;
    int key = code >= 0 && code <= 255 ? static_cast<int>(code) : 0;
    if (DesignMode || !polled_[key]) {
        counts_[key] = source.isDown(key) ? counts_[key] + 1 : 0;
        polled_[key] = true;
    }
    return counts_[key];
}

TKeyState& keyState() {
    static TKeyState state;
    return state;
}

} // namespace ravok
