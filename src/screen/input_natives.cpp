#include "input_natives.h"

#include "key_state.h"
#include "native_api.h"

namespace ravok {

namespace {

// getkey(code): the key's hold count; getkey() starts a new frame of polling.
void getkey(TValue* cell, int argc, int) {
    if (argc < 1) {
        keyState().newFrame();
        return;
    }
    setInt(*cell, keyState().holdCount(toInt(native::argument(cell, 1))));
}

} // namespace

const std::vector<TNativeBinding>& inputNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.lang.Object", "getkey", getkey},
    };
    return list;
}

} // namespace ravok
