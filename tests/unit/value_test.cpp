// Values: truthiness, conversions, the texts, comparison and the count rule.
#include "test_support.h"

#include "runtime/build_sizes.h"
#include "runtime/errors.h"
#include "runtime/tf_string.h"
#include "runtime/value_list.h"

#include <cmath>
#include <limits>

namespace ravok::test {
namespace {

class ValueTest : public RuntimeTest {};

// length() answers in a 32-bit integer, so no string may pass 2^31 - 1 bytes;
// the check comes before the join allocates anything.
TEST_F(ValueTest, StringsLongerThanAnIntegerCanCountAreRefused) {
    EXPECT_EQ(joinedLength(1u << 30, (1u << 30) - 1), 2147483647u);
    EXPECT_THROW(joinedLength(1u << 30, 1u << 30), ERunError);
    EXPECT_THROW(joinedLength(size_t(1) << 40, 0), ERunError);
    EXPECT_THROW(joinedLength(5, SIZE_MAX), ERunError);
    try {
        joinedLength(2147483647, 1);
        FAIL();
    } catch (const ERunError& e) {
        EXPECT_NE(std::string(e.what()).find("String too long"), std::string::npos);
    }
}

TEST_F(ValueTest, TruthinessFollowsTheKindTable) {
    EXPECT_FALSE(truthiness(TValue::null()));
    EXPECT_TRUE(truthiness(TValue::ofInt(-1)));
    EXPECT_FALSE(truthiness(TValue::ofInt(0)));
    EXPECT_TRUE(truthiness(TValue::ofFloat(0.5f)));
    EXPECT_FALSE(truthiness(TValue::ofFloat(0.0f)));
    EXPECT_FALSE(truthiness(TValue::ofFloat(std::numeric_limits<float>::quiet_NaN())));
    EXPECT_FALSE(truthiness(TValue::ofRef(arenaOffset(&scratchCell()))));
    EXPECT_TRUE(truthiness(core->string->handle()));
    EXPECT_FALSE(truthiness(TValue::ofError(1)));
    EXPECT_FALSE(truthiness(TValue::ofUnset(symBody)));
    uint32_t s = makeString("");
    EXPECT_TRUE(truthiness(TValue::ofObject(s)));
}

TEST_F(ValueTest, NumberConversionsTruncateTowardZero) {
    EXPECT_EQ(toInt(TValue::ofFloat(-2.9f)), -2);
    EXPECT_EQ(toInt(TValue::ofFloat(2.9f)), 2);
    EXPECT_EQ(toInt(TValue::ofObject(makeString("x"))), 1);
    EXPECT_EQ(toInt(TValue::ofError(7)), 0);
    // Out-of-range and NaN floats have a defined result instead of the host's UB.
    EXPECT_EQ(toInt(TValue::ofFloat(1e20f)), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(toInt(TValue::ofFloat(std::numeric_limits<float>::quiet_NaN())), 0);
    EXPECT_EQ(toFloat(TValue::ofInt(3)), 3.0f);
    EXPECT_EQ(toFloat(TValue::null()), 0.0f);
}

TEST_F(ValueTest, FloatPrinterUsesFifteenSignificantDigits) {
    EXPECT_EQ(floatToText(0.1f), "0.100000001490116");
    EXPECT_EQ(floatToText(1.0f), "1");
    EXPECT_EQ(floatToText(1.5f), "1.5");
    EXPECT_EQ(floatToText(3.0f), "3");
    EXPECT_EQ(floatToText(-0.25f), "-0.25");
    EXPECT_EQ(floatToText(1e20f), "1.00000002004088E20");
    EXPECT_EQ(floatToText(1e15f), "999999986991104");
    EXPECT_EQ(floatToText(1e16f), "1.00000002725642E16");
    EXPECT_EQ(floatToText(1048576.0f * 1048576.0f * 1048576.0f), "1.15292150460685E18");
    EXPECT_EQ(floatToText(std::numeric_limits<float>::infinity()), "INF");
    EXPECT_EQ(floatToText(0.0001f), "9.99999974737875E-5");
    EXPECT_EQ(floatToText(0.5e-3f), "0.000500000023748726");
    EXPECT_EQ(floatToText(16777216.0f), "16777216");
}

TEST_F(ValueTest, ValueToTextCoversEveryKind) {
    TRTTI* cls = newClass({"x", "y"});
    uint32_t inst = allocateInstance(cls);
    TfObject* o = objectAt(inst);
    EXPECT_EQ(valueToText(o->field(0)), "Variablex");
    EXPECT_EQ(valueToText(o->field(1)), "Variabley");
    EXPECT_EQ(valueToText(TValue::ofObject(inst)), std::to_string(inst) + "@" + cls->name);
    EXPECT_EQ(valueToText(TValue::null()), "null");
    EXPECT_EQ(valueToText(TValue::ofInt(-42)), "-42");
    EXPECT_EQ(valueToText(TValue::ofError(3)), "Error #3");
    o->field(0) = TValue::ofInt(5);
    EXPECT_EQ(valueToText(TValue::ofRef(arenaOffset(&o->field(0)))), "[5]");
    EXPECT_EQ(valueToText(cls->handle()), "TRTTI");
    EXPECT_EQ(valueToText(TValue::ofObject(makeString("abc"))), "abc");
}

TEST_F(ValueTest, ValueToLiteralQuotesStringsAndNamesObjects) {
    TRTTI* cls = newClass({"x"});
    uint32_t inst = allocateInstance(cls);
    EXPECT_EQ(valueToLiteral(TValue::ofObject(makeString("a\"b"))), "\"a\"b\"");
    EXPECT_EQ(valueToLiteral(TValue::ofObject(inst)), "objectFromID(" + std::to_string(inst) + ")");
    EXPECT_EQ(valueToLiteral(objectAt(inst)->field(0)), "");
    EXPECT_EQ(valueToLiteral(TValue::ofFloat(1.5f)), "1.5");
}

// An unreferenced record is reused by the next allocation of its class, so
// values a test keeps must hold a count.
TValue held(uint32_t instance) {
    ++objectAt(instance)->refcount;
    return TValue::ofObject(instance);
}

TEST_F(ValueTest, CompareFollowsTheLeftOperandsKind) {
    TValue one = TValue::ofInt(1);
    TValue strOne = held(makeString("1"));
    TValue abc = held(makeString("abc"));
    TValue abc2 = held(makeString("abc"));
    TValue abd = held(makeString("abd"));
    EXPECT_EQ(compare(TValue::null(), TValue::ofUnset(symBody)), 0.0f);
    EXPECT_EQ(compare(TValue::ofUnset(symBody), TValue::null()), 0.0f);
    EXPECT_EQ(compare(TValue::null(), one), 1.0f);
    EXPECT_GT(compare(TValue::ofInt(2147483647), TValue::ofInt(-1)), 0.0f);
    EXPECT_LT(compare(TValue::ofInt(-2147483647 - 1), TValue::ofInt(1)), 0.0f);
    EXPECT_EQ(compare(TValue::ofInt(2), TValue::ofFloat(2.0f)), 0.0f);
    EXPECT_EQ(compare(TValue::ofFloat(2.5f), TValue::ofInt(2)), 0.5f);
    EXPECT_EQ(compare(one, abc), 1.0f);
    // String equality converts only the right operand.
    EXPECT_EQ(compare(strOne, one), 0.0f);
    EXPECT_NE(compare(one, strOne), 0.0f);
    EXPECT_EQ(compare(abc, abc2), 0.0f);
    // Strings have no order: "greater" in both directions.
    EXPECT_EQ(compare(abc, abd), 1.0f);
    EXPECT_EQ(compare(abd, abc), 1.0f);
    TRTTI* cls = newClass();
    TValue a = held(allocateInstance(cls));
    TValue b = held(allocateInstance(cls));
    EXPECT_EQ(compare(a, a), 0.0f);
    EXPECT_EQ(compare(a, b), 1.0f);
    EXPECT_EQ(compare(a, one), 1.0f);
    TValue native = cls->handle();
    EXPECT_EQ(compare(native, native), 1.0f);
    TValue ref = TValue::ofRef(arenaOffset(&scratchCell()));
    EXPECT_EQ(compare(ref, ref), 1.0f);
    EXPECT_EQ(compare(TValue::ofError(0), TValue::ofError(0)), 1.0f);
}

TEST_F(ValueTest, CellOperationsKeepTheCountRule) {
    TRTTI* cls = newClass();
    uint32_t inst = allocateInstance(cls);
    TfObject* o = objectAt(inst);
    EXPECT_EQ(o->refcount, 0);
    TValue a = TValue::null(), b = TValue::null();
    setObject(a, inst);
    EXPECT_EQ(o->refcount, 1);
    assign(b, &a);
    EXPECT_EQ(o->refcount, 2);
    setObject(a, inst); // the same instance again: no net change
    EXPECT_EQ(o->refcount, 2);
    setInt(a, 3);
    EXPECT_EQ(o->refcount, 1);
    assign(b, nullptr);
    EXPECT_EQ(o->refcount, 0);
    EXPECT_EQ(b.kind, vtNull);
    setNative(a, 9);
    EXPECT_EQ(o->refcount, 0); // natives are not counted
}

TEST_F(ValueTest, DecrementingBelowZeroIsFatalAndPinsTheCount) {
    TRTTI* cls = newClass();
    uint32_t inst = allocateInstance(cls);
    TValue v = TValue::ofObject(inst);
    try {
        decrement(v);
        FAIL() << "no error";
    } catch (const ERunError& e) {
        EXPECT_EQ(std::string(e.what()), valueToText(v) + ":negative reference count ");
    }
    EXPECT_EQ(objectAt(inst)->refcount, -1);
    EXPECT_FALSE(decrementQuietly(v));
    EXPECT_EQ(objectAt(inst)->refcount, -1);
}

TEST_F(ValueTest, StartUpSizeLine) {
    EXPECT_EQ(buildSizeLines(),
              (std::vector<std::string>{"TValue=8", "TVType=1", "TfObject=20", "Extended=10"}));
}

TEST_F(ValueTest, InstancesAreLaidOutAsTwelvePlusEightPerField) {
    TRTTI* cls = newClass({"a", "b", "c"});
    uint32_t first = allocateInstance(cls);
    EXPECT_EQ(cls->instanceSize, 12 + 8 * 3);
    // The record holds the three words, then the fields in name-list order.
    TfObject* o = objectAt(first);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&o->field(2)) - reinterpret_cast<uint8_t*>(o), 28);
    EXPECT_EQ(o->classId, cls->classId());
    EXPECT_EQ(o->field(1).kind, vtUnset);
    EXPECT_EQ(o->field(1).u, intern("b"));
}

TEST_F(ValueTest, StringValuesAreExactlyTheStringClass) {
    TRTTI* sub = newClass({}, core->string);
    uint32_t s = makeString("abc");
    EXPECT_TRUE(isStringValue(TValue::ofObject(s)));
    uint32_t other = allocateInstance(sub);
    EXPECT_FALSE(isStringValue(TValue::ofObject(other)));
    EXPECT_EQ(valueToText(TValue::ofObject(other)), std::to_string(other) + "@" + sub->name);
}

} // namespace
} // namespace ravok::test
