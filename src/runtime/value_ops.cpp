#include "runtime/value_ops.h"

#include "runtime/errors.h"
#include "runtime/host_registry.h"
#include "runtime/messages.h"
#include "runtime/rtti.h"
#include "runtime/symbols.h"
#include "runtime/tf_string.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace ravok {

void countDroppedToZero(uint32_t instance) {
    if (objectAt(instance)->refcount < 0) negativeReferenceCount(TValue::ofObject(instance));
    noteInstanceFree(instance);
}

void negativeReferenceCount(const TValue& v) {
    objectAt(v.u)->refcount = -1;
    noteInstanceFree(v.u);
    throw ERunError(valueToText(v) + translate(":negative reference count "));
}

bool decrementQuietly(const TValue& v) {
    if (v.kind != vtObject) return true;
    TfObject* o = objectAt(v.u);
    if (--o->refcount <= 0) {
        noteInstanceFree(v.u);
        if (o->refcount < 0) {
            o->refcount = -1;
            return false;
        }
    }
    return true;
}

bool truthiness(const TValue& v) {
    switch (v.kind) {
    case vtInt:
        return v.i != 0;
    case vtFloat:
        return v.f != 0.0f && !std::isnan(v.f);
    case vtObject:
    case vtNative:
        return true;
    default:
        return false;
    }
}

int32_t truncateToInt(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return int32_t(x);
}

int64_t truncateToInt64(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
    if (x <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return int64_t(x);
}

int32_t toInt(const TValue& v) {
    switch (v.kind) {
    case vtInt:
        return v.i;
    case vtFloat:
        return truncateToInt(v.f);
    case vtObject:
        return 1;
    default:
        return 0;
    }
}

float toFloat(const TValue& v) {
    switch (v.kind) {
    case vtInt:
        return float(v.i);
    case vtFloat:
        return v.f;
    default:
        return 0.0f;
    }
}

std::string floatToText(float f) {
    if (std::isnan(f)) return "NAN";
    if (std::isinf(f)) return f > 0 ? "INF" : "-INF";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15Lg", static_cast<long double>(f));
    // The host writes exponents as e+15 / e-05; the player's general format
    // writes E15 / E-5.
    std::string s(buf);
    size_t e = s.find('e');
    if (e == std::string::npos) return s;
    std::string mantissa = s.substr(0, e);
    std::string exp = s.substr(e + 1);
    std::string sign;
    if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) {
        if (exp[0] == '-') sign = "-";
        exp.erase(0, 1);
    }
    size_t nz = exp.find_first_not_of('0');
    exp = nz == std::string::npos ? "0" : exp.substr(nz);
    return mantissa + "E" + sign + exp;
}

static std::string objectText(const TValue& v) {
    if (isStringValue(v)) return std::string(stringText(v.u));
    TRTTI* cls = classById(objectAt(v.u)->classId);
    return std::to_string(v.u) + "@" + (cls ? cls->name : std::string("?"));
}

// References may chain (a cell holding a reference); the depth bound keeps a
// cycle from recursing forever.
static std::string textOf(const TValue& v, int depth) {
    switch (v.kind) {
    case vtNull:
        return "null";
    case vtInt:
        return std::to_string(v.i);
    case vtFloat:
        return floatToText(v.f);
    case vtObject:
        return objectText(v);
    case vtRef: {
        // A reference never reaches outside the arena in generated code; text
        // for a broken one must still not read stray memory.
        if (!TArena::instance().contains(v.u, sizeof(TValue))) return "[?]";
        if (depth > 16) return "[...]";
        return "[" + textOf(*cellAt(v.u), depth + 1) + "]";
    }
    case vtNative: {
        THostObject* obj = THostRegistry::instance().find(v);
        return obj ? obj->hostClassName() : "TObject";
    }
    case vtError:
        return "Error #" + std::to_string(v.i);
    case vtUnset:
        return "Variable" + symbolName(v.u);
    }
    return "?";
}

std::string valueToText(const TValue& v) { return textOf(v, 0); }

std::string valueToLiteral(const TValue& v) {
    if (v.kind == vtObject) {
        if (isStringValue(v)) return "\"" + std::string(stringText(v.u)) + "\"";
        return "objectFromID(" + std::to_string(v.u) + ")";
    }
    if (v.kind == vtUnset) return "";
    return valueToText(v);
}

float compare(const TValue& left, const TValue& right) {
    switch (left.kind) {
    case vtNull:
    case vtUnset:
        return (right.kind == vtNull || right.kind == vtUnset) ? 0.0f : 1.0f;
    case vtInt:
        if (right.kind == vtInt) return float(int64_t(left.i) - int64_t(right.i));
        if (right.kind == vtFloat) return float(static_cast<long double>(left.i) - right.f);
        return 1.0f;
    case vtFloat:
        if (right.kind == vtInt) return float(static_cast<long double>(left.f) - right.i);
        if (right.kind == vtFloat) return float(static_cast<long double>(left.f) - right.f);
        return 1.0f;
    case vtObject:
        if (isStringValue(left)) {
            bool same = isStringValue(right) ? stringText(left.u) == stringText(right.u)
                                             : stringText(left.u) == valueToText(right);
            return same ? 0.0f : 1.0f;
        }
        return (right.kind == vtObject && right.u == left.u) ? 0.0f : 1.0f;
    default:
        return 1.0f;
    }
}

std::string describeValue(const TValue& v) {
    if (v.kind == vtUnset)
        return translate("Variable") + symbolName(v.u) + translate(" is not initialized.");
    return valueToText(v) + translate(" is not Object.");
}

} // namespace ravok
