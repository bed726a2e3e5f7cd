// The value operations every part of the system uses on script data: the
// reference-count rule (a vtObject cell owns one count of its instance; nothing
// else is counted), truthiness, number conversion, value-to-text,
// value-to-literal and comparison.
#pragma once

#include "runtime/host_registry.h"
#include "runtime/tf_object.h"
#include "runtime/value.h"

#include <string>

namespace ravok {

// Raises the fatal "negative reference count" error for v; the count stays -1.
[[noreturn]] void negativeReferenceCount(const TValue& v);

inline void increment(const TValue& v) {
    if (v.kind == vtObject) ++objectAt(v.u)->refcount;
}

// A record's count has dropped to 0 or below: its class's pool may take it
// again (defined with the pools).
void noteInstanceFree(uint32_t instance);

// The count of an instance has dropped to 0 or below. Out of line and given
// the offset alone, so that a value being released never needs an address.
[[gnu::cold]] void countDroppedToZero(uint32_t instance);

inline void decrement(const TValue& v) {
    if (v.kind == vtObject) {
        if (--objectAt(v.u)->refcount <= 0) countDroppedToZero(v.u);
    }
}

// Decrement for release paths that must not fail (killing a process after an
// error): a count below zero is pinned at -1 silently. Returns false then.
bool decrementQuietly(const TValue& v);

inline void clear(TValue& cell) { cell = TValue::null(); }

inline void store(TValue& cell, const TValue& v) {
    decrement(cell);
    cell = v;
}
inline void setNull(TValue& cell) { store(cell, TValue::null()); }
inline void setInt(TValue& cell, int32_t x) { store(cell, TValue::ofInt(x)); }
inline void setFloat(TValue& cell, float x) { store(cell, TValue::ofFloat(x)); }
// The sealed handle of the live host object with this id.
inline void setNative(TValue& cell, uint32_t id) {
    store(cell, THostRegistry::instance().handle(id));
}
inline void setError(TValue& cell, int32_t code) { store(cell, TValue::ofError(code)); }
inline void setObject(TValue& cell, uint32_t instance) {
    // Count first, so that storing an instance into the cell that already holds
    // its only reference does not pass through a negative count.
    ++objectAt(instance)->refcount;
    store(cell, TValue::ofObject(instance));
}
inline void assign(TValue& dst, const TValue* src) {
    TValue v = src ? *src : TValue::null();
    increment(v);
    store(dst, v);
}

bool truthiness(const TValue& v);
int32_t toInt(const TValue& v);
float toFloat(const TValue& v);

// A float widened exactly and printed in general format with at most 15
// significant digits (0.1f prints as 0.100000001490116).
std::string floatToText(float f);

std::string valueToText(const TValue& v);
std::string valueToLiteral(const TValue& v);

// The difference of left and right as the comparison instructions use it:
// equal when 0. Strings convert only the right operand and have no ordering.
float compare(const TValue& left, const TValue& right);

// value-to-text followed by " is not initialized." or " is not Object.".
std::string describeValue(const TValue& v);

// Truncation toward zero with a defined result for NaN (0) and out-of-range
// values (saturated), which the host leaves undefined.
int32_t truncateToInt(double x);
int64_t truncateToInt64(double x);

} // namespace ravok
