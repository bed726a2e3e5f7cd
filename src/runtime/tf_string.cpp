#include "runtime/tf_string.h"

#include "runtime/errors.h"
#include "runtime/pool.h"
#include "runtime/rtti.h"
#include "runtime/stats.h"
#include "runtime/tf_object.h"

namespace ravok {

TfString::TfString(std::string_view t) : THostObject(THostKind::String), text(t) {
    ++gStats.strings;
}

TfString::~TfString() { --gStats.strings; }

size_t joinedLength(size_t a, size_t b) {
    if (a > kMaxStringBytes || b > kMaxStringBytes - a)
        throw ERunError("String too long: " + std::to_string(a) + " + " + std::to_string(b) +
                        " bytes is more than a string can hold (2147483647).");
    return a + b;
}

uint32_t makeString(std::string_view text) {
    joinedLength(text.size(), 0);
    if (!gCore.string || gCore.stringBody < 0)
        throw ERunError("classes.lang.String is not loaded; strings cannot be made.");
    uint32_t instance = allocateInstance(gCore.string);
    auto* body = new TfString(text);
    objectAt(instance)->field(gCore.stringBody) = body->handle();
    return instance;
}

bool isStringValue(const TValue& v) {
    return v.kind == vtObject && gCore.string && objectAt(v.u)->classId == gCore.string->classId();
}

const std::string& stringText(uint32_t instance) {
    static const std::string empty;
    if (gCore.stringBody < 0) return empty;
    const TValue& body = objectAt(instance)->field(gCore.stringBody);
    if (body.kind != vtNative) return empty;
    auto* s = static_cast<TfString*>(THostRegistry::instance().find(body, THostKind::String));
    return s ? s->text : empty;
}

} // namespace ravok
