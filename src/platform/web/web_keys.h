// The keyboard in a browser: keydown and keyup events (their physical `code`,
// so Shift+A is still the A key) kept as the down state of the 256 virtual
// key codes games poll, the codes the desktop gives the same keys. Repeats
// change nothing; the page losing the focus releases every key.
#pragma once

#include "base/key_source.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace ravok {

class TWebKeys : public TKeySource {
public:
    bool isDown(int code) override { return code >= 0 && code < 256 && down_[size_t(code)]; }
    bool applicationActive() override { return focused; }

    // A key event by its KeyboardEvent.code; false for keys games cannot poll.
    bool key(std::string_view code, bool isDown);
    // Mouse buttons as keys: 1 left, 2 right, 4 middle.
    void button(int code, bool isDown) {
        if (code > 0 && code < 256) down_[size_t(code)] = isDown;
    }
    void releaseAll() { down_.fill(false); }

    bool focused = true;

private:
    std::array<bool, 256> down_{};
};

// The virtual key code of a KeyboardEvent.code ("KeyA", "ArrowLeft"); 0 for
// keys games cannot poll.
int virtualKeyOfCode(std::string_view code);

TWebKeys& webKeys();

} // namespace ravok
