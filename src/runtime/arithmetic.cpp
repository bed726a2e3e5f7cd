#include "runtime/arithmetic.h"

#include "runtime/errors.h"
#include "runtime/opcodes.h"
#include "runtime/rtti.h"
#include "runtime/tf_object.h"
#include "runtime/tf_string.h"
#include "runtime/value_ops.h"

namespace ravok {

namespace {

bool isNumber(TVType k) { return k == vtInt || k == vtFloat; }

long double wide(const TValue& v) {
    return v.kind == vtInt ? static_cast<long double>(v.i) : static_cast<long double>(v.f);
}

int32_t wrap(int64_t x) { return int32_t(uint32_t(uint64_t(x))); }

[[noreturn]] void divisionByZero() { throw ERunError("Division by zero"); }

TValue integerOp(uint32_t op, int32_t l, int32_t r) {
    switch (op) {
    case Op_Add:
        return TValue::ofInt(wrap(int64_t(l) + r));
    case Op_Sub:
        return TValue::ofInt(wrap(int64_t(l) - r));
    case Op_Mul:
        return TValue::ofInt(wrap(int64_t(l) * r));
    case Op_Div:
        if (r == 0) divisionByZero();
        // -2147483648 / -1 is exact; its quotient wraps like every integer result.
        if (r == -1) return TValue::ofInt(wrap(-int64_t(l)));
        if (l % r == 0) return TValue::ofInt(l / r);
        return TValue::ofFloat(float(static_cast<long double>(l) / r));
    default: // Op_Mod
        if (r == 0) divisionByZero();
        if (r == -1) return TValue::ofInt(0);
        return TValue::ofInt(l % r);
    }
}

TValue floatOp(uint32_t op, const TValue& left, const TValue& right) {
    long double a = wide(left), b = wide(right);
    switch (op) {
    case Op_Add:
        return TValue::ofFloat(float(a + b));
    case Op_Sub:
        return TValue::ofFloat(float(a - b));
    case Op_Mul:
        return TValue::ofFloat(float(a * b));
    case Op_Div:
        return TValue::ofFloat(float(a / b));
    default: { // Op_Mod: both truncated to 64-bit integers
        int64_t ia = truncateToInt64(double(a)), ib = truncateToInt64(double(b));
        if (ib == 0) divisionByZero();
        if (ib == -1) return TValue::ofInt(0);
        return TValue::ofInt(wrap(ia % ib));
    }
    }
}

// The text a right operand adds: a view of a string's own bytes, else its
// value-to-text kept in `copy`.
std::string_view addedText(const TValue& right, std::string& copy) {
    if (isStringValue(right)) return stringText(right.u);
    copy = valueToText(right);
    return copy;
}

void concatenate(TValue& left, TValue& right) {
    bool rightAdds = !(left.kind == vtObject && (right.kind == vtNull || right.kind == vtUnset));
    uint32_t s;
    TfString* leftBody = isStringValue(left) ? stringBody(left.u) : nullptr;
    if (leftBody) {
        // Joined onto the left body's buffer: linear for a string built up
        // piece by piece.
        std::string copy;
        s = makeStringWithBody(leftBody->joined(rightAdds ? addedText(right, copy) : ""));
    } else {
        std::string text = valueToText(left);
        if (rightAdds) {
            std::string rightText = valueToText(right);
            text.reserve(joinedLength(text.size(), rightText.size()));
            text += rightText;
        }
        s = makeString(text);
    }
    ++objectAt(s)->refcount;
    TValue oldLeft = left;
    left = TValue::ofObject(s);
    decrement(oldLeft);
    decrement(right);
}

} // namespace

void binaryArithmetic(uint32_t op, TValue& left, TValue& right) {
    TVType l = left.kind, r = right.kind;
    if (l == vtInt && r == vtInt) {
        left = integerOp(op, left.i, right.i);
    } else if (isNumber(l) && isNumber(r)) {
        left = floatOp(op, left, right);
    } else if (l == vtObject || (r == vtObject && isNumber(l))) {
        if (op == Op_Add)
            concatenate(left, right);
        else
            decrement(right);
    } else if (!isNumber(l)) {
        // null, ref, native, error or unset on the left: take the right operand
        // (its count moves with it).
        left = right;
        if (op == Op_Sub) {
            if (left.kind == vtInt)
                left.i = wrap(-int64_t(left.i));
            else if (left.kind == vtFloat)
                left.f = -left.f;
        }
    }
    // A number on the left with a non-number, non-object right stays unchanged.
}

namespace {

// The body of a string that only its variable and the stack hold (or, with
// `holders` 1, its variable alone): joining onto it cannot be seen by anybody
// else.
TfString* bodyToJoinInPlace(const TValue& left, int32_t holders = 2) {
    if (!isStringValue(left) || objectAt(left.u)->refcount != holders) return nullptr;
    TfString* body = stringBody(left.u);
    return body && !body->identitySeen() ? body : nullptr;
}

void joinInPlace(const TValue& left, TfString* body, std::string_view more) {
    // The body grows under a new handle: a copy of the old handle is refused
    // from then on, as if the body were gone, and never sees the text change.
    body->extendInPlace(more);
    objectAt(left.u)->field(gCore.stringBody) = body->handle();
}

bool appendTextInPlace(const TValue& value, std::string_view text, int32_t holders) {
    TfString* body = bodyToJoinInPlace(value, holders);
    // Too long a result is left to the plain addition, which reports it.
    if (!body || text.size() > kMaxStringBytes - body->text().size()) return false;
    joinInPlace(value, body, text);
    return true;
}

} // namespace

void addIntoAssigned(TValue& left, TValue& right) {
    TfString* body =
        right.kind != vtNull && right.kind != vtUnset ? bodyToJoinInPlace(left) : nullptr;
    if (!body) {
        binaryArithmetic(Op_Add, left, right);
        return;
    }
    std::string copy;
    joinInPlace(left, body, addedText(right, copy));
    decrement(right);
}

bool appendTextIntoAssigned(const TValue& left, std::string_view text) {
    return appendTextInPlace(left, text, 2);
}

bool appendTextToOnlyHolder(const TValue& value, std::string_view text) {
    return appendTextInPlace(value, text, 1);
}

void updateArithmetic(bool add, TValue& target, TValue& value) {
    uint32_t op = add ? Op_Add : Op_Sub;
    switch (target.kind) {
    case vtInt:
        if (value.kind == vtInt)
            target = integerOp(op, target.i, value.i);
        else if (value.kind == vtFloat)
            target = floatOp(op, target, value);
        break;
    case vtFloat:
        if (isNumber(value.kind)) target = floatOp(op, target, value);
        break;
    case vtObject:
        break;
    default:
        // null, ref, native, error or unset: the value is stored as it is, not
        // negated, also for -=.
        increment(value);
        target = value;
        break;
    }
    decrement(value);
}

} // namespace ravok
