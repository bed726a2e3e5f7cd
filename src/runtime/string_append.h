// The step of `s = s + text` that loops repeat, inline: the string held by
// its variable alone (with `holders` 2, by its variable and the stack) grows
// in place when its buffer has room, under a new handle for its body as every
// in-place join takes. Anything else is left to the joins in arithmetic.h.
#pragma once

#include "runtime/host_registry.h"
#include "runtime/rtti.h"
#include "runtime/tf_object.h"
#include "runtime/tf_string.h"

#include <cstring>
#include <string_view>

namespace ravok {

// False, with nothing changed, unless the text was appended.
inline bool appendTextWithinCapacity(const TValue& value, std::string_view text, int32_t holders) {
    if (value.kind != vtObject || gCore.stringBody < 0) return false;
    TfObject* instance = objectAt(value.u);
    if (instance->classId != gCore.stringClassId || instance->refcount != holders) return false;
    TValue& field = instance->field(gCore.stringBody);
    auto* body = static_cast<TfString*>(THostRegistry::instance().find(field, THostKind::String));
    if (!body || !body->extendWithinCapacity(text)) return false;
    uint64_t renewed = body->renewFoundHandle();
    std::memcpy(&field, &renewed, sizeof renewed);
    return true;
}

} // namespace ravok
