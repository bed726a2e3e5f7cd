// TfString: the host object behind a string's _body field, holding its bytes.
// A string's text never changes after creation.
#pragma once

#include "runtime/host_registry.h"

#include <string>
#include <string_view>

namespace ravok {

struct TValue;

class TfString : public THostObject {
public:
    explicit TfString(std::string_view text);
    ~TfString() override;
    const char* hostClassName() const override { return "TfString"; }

    const std::string text;
};

// A new classes.lang.String instance holding text, with refcount 0 (the caller's
// setObject counts it). Returns its arena offset.
uint32_t makeString(std::string_view text);

// Scripts measure strings in 32-bit integers: no string may be longer.
constexpr size_t kMaxStringBytes = 2147483647;
// The length of two texts joined; a run-time error when it would pass the
// limit, raised before anything is allocated.
size_t joinedLength(size_t a, size_t b);

// The instance is exactly classes.lang.String.
bool isStringValue(const TValue& v);

// The text of a String instance; empty when its _body holds no TfString.
const std::string& stringText(uint32_t instance);

} // namespace ravok
