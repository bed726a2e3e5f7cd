#include "runtime/random.h"

namespace ravok {

TRandom& TRandom::instance() {
    static TRandom random;
    return random;
}

} // namespace ravok
