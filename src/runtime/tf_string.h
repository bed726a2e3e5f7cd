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

// The instance is exactly classes.lang.String.
bool isStringValue(const TValue& v);

// The text of a String instance; empty when its _body holds no TfString.
const std::string& stringText(uint32_t instance);

} // namespace ravok
