#include "runtime/build_sizes.h"

#include "runtime/tf_object.h"
#include "runtime/value.h"

#include <limits>

namespace ravok {

std::vector<std::string> buildSizeLines() {
    // long double on x86-64 occupies 16 bytes but carries the 80-bit extended
    // format: 64 significand bits plus 16 bits of sign and exponent.
    constexpr int extendedBytes = (std::numeric_limits<long double>::digits + 16) / 8;
    return {"TValue=" + std::to_string(sizeof(TValue)), "TVType=" + std::to_string(sizeof(TVType)),
            "TfObject=" + std::to_string(instanceSizeFor(1)),
            "Extended=" + std::to_string(extendedBytes)};
}

} // namespace ravok
