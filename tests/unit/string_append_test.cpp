// Strings built by `s = s + t`: appended in place where nothing else can see
// it, and everywhere else exactly as a fresh string would be.
#include "test_support.h"

#include "runtime/arithmetic.h"
#include "runtime/string_append.h"
#include "runtime/tf_string.h"

namespace ravok::test {
namespace {

class StringAppendTest : public RuntimeTest {
protected:
    TValue string(std::string_view text) {
        TValue v = TValue::null();
        setObject(v, makeString(text));
        return v;
    }
    std::string text(const TValue& v) { return valueToText(v); }
};

// this.s = this.s + "ab"; three times: six instructions a turn once fused
// (the field pushes become one instruction each).
TCodeWriter appendLoop() {
    TCodeWriter w;
    for (int turn = 0; turn < 3; ++turn) {
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {0});
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {0});
        w.emit(Op_Deref);
        w.emitPushString("ab");
        w.emit(Op_Add);
        w.emit(Op_Subst);
        w.emit(Op_Pop);
    }
    w.emitHalt();
    return w;
}

// Another process may run whenever a slice ends, also between the addition
// and its assignment: the field must then still hold the old text.
TEST_F(StringAppendTest, ASliceEndingBeforeTheAssignmentLeavesTheVariableAsItWas) {
    TScopedHold hold([] {});
    for (int budget = 1; budget < 18; ++budget) {
        TRTTI* cls = newClass({"s"});
        TProcess* p = startMain(cls, appendLoop());
        TfObject* self = objectAt(p->slot(p->thisSlot)->u);
        self->field(0) = string("x");
        StepBudget = budget;
        run(p);
        int assigned = budget / 6 + (budget % 6 >= 5 ? 1 : 0);
        std::string expected = "x";
        for (int i = 0; i < assigned; ++i)
            expected += "ab";
        EXPECT_EQ(text(self->field(0)), expected) << "budget " << budget;
        StepBudget = kUnlimitedBudget;
        run(p);
        EXPECT_EQ(text(self->field(0)), "xababab") << "budget " << budget;
    }
    EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(StringAppendTest, EveryStringKeepsItsTextWhateverIsJoinedToIt) {
    // Two strings joined from one tip: the second cannot grow the shared
    // buffer past the first and copies instead.
    TValue base = string("ab");
    TValue left1 = base, left2 = base;
    increment(base);
    increment(base);
    TValue one = string("1"), two = string("2");
    binaryArithmetic(Op_Add, left1, one);
    binaryArithmetic(Op_Add, left2, two);
    EXPECT_EQ(text(left1), "ab1");
    EXPECT_EQ(text(left2), "ab2");
    EXPECT_EQ(text(base), "ab");

    // Joined with itself, before and after its body has a buffer, and with
    // text that views the buffer being grown.
    TValue q = string("q"), q2 = q;
    increment(q2);
    binaryArithmetic(Op_Add, q, q2);
    EXPECT_EQ(text(q), "qq");
    decrement(q);
    TValue self = left1;
    increment(self);
    binaryArithmetic(Op_Add, left1, self);
    EXPECT_EQ(text(left1), "ab1ab1");
    TValue again = left1;
    increment(again);
    TValue grown = left1;
    increment(grown);
    addIntoAssigned(grown, again);
    EXPECT_EQ(text(grown), "ab1ab1ab1ab1");

    // Numbers and null on the right; a double-byte character whose second
    // byte is a backslash stays whole.
    TValue n = TValue::ofInt(-2147483647 - 1), f = TValue::ofFloat(1.5f), none = TValue::null();
    TValue hyo = string("\x95\x5C");
    binaryArithmetic(Op_Add, hyo, n);
    binaryArithmetic(Op_Add, hyo, f);
    binaryArithmetic(Op_Add, hyo, none);
    EXPECT_EQ(text(hyo), "\x95\x5C-21474836481.5");
    for (TValue* v : {&base, &left1, &left2, &grown, &hyo})
        decrement(*v);
}

TEST_F(StringAppendTest, AStringHeldOnlyByItsVariableTakesTheTextItself) {
    TValue s = string("x");
    TValue left = s;
    increment(left); // the variable and the stack: two
    TValue y = string("y");
    addIntoAssigned(left, y);
    EXPECT_EQ(left.u, s.u);
    EXPECT_EQ(text(s), "xy");
    decrement(left);
    decrement(s);
}

TEST_F(StringAppendTest, AStringHeldElsewhereIsNotChangedInPlace) {
    TValue s = string("x");
    TValue other = s; // a second holder: s's instance is counted twice
    increment(other);
    TValue left = s;
    increment(left); // the stack's copy: three in all
    TValue y = string("y");
    addIntoAssigned(left, y);
    EXPECT_EQ(text(left), "xy");
    EXPECT_NE(left.u, s.u);
    EXPECT_EQ(text(other), "x");
    for (TValue* v : {&s, &other, &left})
        decrement(*v);
}

TEST_F(StringAppendTest, ALiteralJoinedInPlaceRenewsTheBodyHandle) {
    TValue s = string("x");
    TValue branch = s;
    increment(branch);
    TValue a = string("a");
    binaryArithmetic(Op_Add, branch, a); // "xa", at the tip of x's buffer
    TValue left = s;
    increment(left); // the variable and the stack
    TValue oldHandle = objectAt(s.u)->field(gCore.stringBody);
    ASSERT_TRUE(appendTextIntoAssigned(left, "b"));
    EXPECT_EQ(text(s), "xb");
    EXPECT_EQ(text(branch), "xa"); // the branch's view of the shared buffer stays
    // The old handle is refused from now on, as a freed body's is.
    EXPECT_EQ(THostRegistry::instance().find(oldHandle), nullptr);
    EXPECT_NE(THostRegistry::instance().find(objectAt(s.u)->field(gCore.stringBody)), nullptr);
    ASSERT_TRUE(appendTextIntoAssigned(left, "cd"));
    EXPECT_EQ(text(s), "xbcd");

    // A second holder, or no string at all: nothing is done.
    TValue other = s;
    increment(other);
    EXPECT_FALSE(appendTextIntoAssigned(left, "!"));
    EXPECT_EQ(text(s), "xbcd");
    EXPECT_FALSE(appendTextIntoAssigned(TValue::ofInt(1), "!"));
    for (TValue* v : {&s, &left, &other, &branch})
        decrement(*v);
}

// The interpreter's inline step: only within the room its buffer has, and
// only for the holders it is told of; anything else is left to the joins.
TEST_F(StringAppendTest, TheInlineAppendTakesOnlyWhatItCanDoInPlace) {
    TValue s = string("x");
    // A fresh body keeps its text to itself until its first join.
    EXPECT_FALSE(appendTextWithinCapacity(s, "a", 1));
    ASSERT_TRUE(appendTextToOnlyHolder(s, "a"));
    TValue& field = objectAt(s.u)->field(gCore.stringBody);
    TValue oldHandle = field;
    ASSERT_TRUE(appendTextWithinCapacity(s, "bc", 1));
    EXPECT_EQ(text(s), "xabc");
    // The body answers to its new handle alone, and knows it as its own.
    EXPECT_TRUE(THostRegistry::instance().isStale(oldHandle));
    THostObject* body = THostRegistry::instance().find(field);
    ASSERT_NE(body, nullptr);
    TValue own = body->handle();
    EXPECT_EQ(std::memcmp(&field, &own, sizeof field), 0);

    // Told of two holders while one holds it, or given a non-string: nothing.
    EXPECT_FALSE(appendTextWithinCapacity(s, "!", 2));
    EXPECT_FALSE(appendTextWithinCapacity(TValue::ofInt(3), "!", 1));
    EXPECT_EQ(text(s), "xabc");

    // A branch at the buffer's tip leaves the trunk to the copying join.
    TValue branch = s;
    increment(branch);
    TValue d = string("d");
    binaryArithmetic(Op_Add, branch, d);
    EXPECT_FALSE(appendTextWithinCapacity(s, "!", 1));
    // The branch grows in place, through every move of the buffer, and the
    // trunk's view of the shared bytes stays.
    std::string expected = "xabcd";
    for (int i = 0; i < 200000; ++i) {
        std::string_view piece = i % 3 == 0 ? "\x95\x5C" : i % 3 == 1 ? "0123456789abcdefg" : "z";
        if (!appendTextWithinCapacity(branch, piece, 1)) {
            ASSERT_TRUE(appendTextToOnlyHolder(branch, piece));
        }
        expected += piece;
    }
    EXPECT_EQ(text(branch), expected);
    EXPECT_EQ(text(s), "xabc");
    for (TValue* v : {&s, &branch})
        decrement(*v);
}

// Every in-place append moves the body to its slot's next generation. Past
// the last one the slot is retired and the body moves to a fresh slot: no
// handle the body ever had is accepted again, whatever the count of appends.
TEST_F(StringAppendTest, AppendsPastTheLastGenerationNeverReviveAnOldHandle) {
    TValue s = string("x");
    ASSERT_TRUE(appendTextToOnlyHolder(s, "a"));
    TValue& field = objectAt(s.u)->field(gCore.stringBody);
    THostRegistry& registry = THostRegistry::instance();
    auto* body = static_cast<TfString*>(registry.find(field));
    ASSERT_NE(body, nullptr);
    // Sixteen million appends, less the ones that matter.
    registry.setGenerationForTest(body->hostId(), (1u << 24) - 40);
    field = body->handle();
    size_t retired = registry.retiredCount();
    std::vector<TValue> earlier;
    std::string expected = "xa";
    for (int i = 0; i < 100; ++i) {
        earlier.push_back(field);
        if (!appendTextWithinCapacity(s, "b", 1)) {
            ASSERT_TRUE(appendTextToOnlyHolder(s, "b"));
        }
        expected += "b";
    }
    EXPECT_EQ(text(s), expected);
    EXPECT_EQ(registry.retiredCount(), retired + 1);
    for (const TValue& old : earlier)
        EXPECT_EQ(registry.find(old), nullptr);
    EXPECT_NE(registry.find(field), nullptr);
    // Strings made afterwards never take the retired slot.
    uint32_t retiredIndex = earlier.back().u & 0xFFFFFF;
    for (int i = 0; i < 1000; ++i) {
        TfString other("y");
        EXPECT_NE(other.hostId() & 0xFFFFFF, retiredIndex);
        for (const TValue& old : earlier)
            ASSERT_EQ(registry.find(old), nullptr);
    }
    decrement(s);
}

// Once a script has seen who a string is (its instance number, its body's
// handle), joining onto it makes a new string, as every string operation
// does; the inline step leaves it to the join.
TEST_F(StringAppendTest, AStringWhoseIdentityWasSeenIsNotGrownInPlace) {
    TValue s = string("x");
    ASSERT_TRUE(appendTextToOnlyHolder(s, "a"));
    stringBody(s.u)->markIdentitySeen();
    EXPECT_FALSE(appendTextWithinCapacity(s, "b", 1));
    EXPECT_FALSE(appendTextToOnlyHolder(s, "b"));
    EXPECT_EQ(text(s), "xa");
    decrement(s);
}

} // namespace
} // namespace ravok::test
