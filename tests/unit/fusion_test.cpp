// The fusion pass rewrites opcode words in place and nothing else.
#include "test_support.h"

#include "runtime/code_image.h"
#include "runtime/errors.h"
#include "runtime/fusion.h"

#include <cstring>

namespace ravok::test {
namespace {

std::vector<uint8_t> fused(const TCodeWriter& w) {
    std::vector<uint8_t> image = w.image();
    fuseImage(image.data(), image.size());
    return image;
}

TEST(FusionTest, PushOfAGlobalReferenceAndDerefBecomePushDeref) {
    TValue* global = arenaPtr<TValue>(TArena::instance().allocate(8));
    TCodeWriter w;
    w.emitPush(TValue::ofRef(arenaOffset(global)));
    w.emit(Op_Deref);
    w.emitHalt();
    std::vector<uint8_t> image = fused(w);
    ASSERT_EQ(image.size(), 20u);
    EXPECT_EQ(readWord(image.data()), uint32_t(Op_Push_Deref));
    EXPECT_EQ(readWord(image.data() + 12), uint32_t(Op_Deref)); // left in place, never run
    EXPECT_EQ(readWord(image.data() + 16), uint32_t(Op_Halt));
}

TEST(FusionTest, PushThisMemberDerefBecomesOneSixteenByteInstruction) {
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {2});
    w.emit(Op_Deref);
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {1});
    w.emit(Op_Pop);
    w.emitHalt();
    std::vector<uint8_t> image = fused(w);
    EXPECT_EQ(readWord(image.data()), uint32_t(Op_PushThis_SMemberValPtr_Deref));
    EXPECT_EQ(readWord(image.data() + 8), 2u);
    EXPECT_EQ(instructionLength(image.data(), image.size()), 16u);
    EXPECT_EQ(readWord(image.data() + 16), uint32_t(Op_PushThis_SMemberValPtr));
    EXPECT_EQ(readWord(image.data() + 24), 1u);
    EXPECT_EQ(readWord(image.data() + 28), uint32_t(Op_Pop));
}

TEST(FusionTest, VariableReadsFuseWithTheirDeref) {
    TCodeWriter w;
    w.emitDMember(5);
    w.emit(Op_Deref);
    w.emit(Op_LocalValPtr, {0});
    w.emit(Op_Deref);
    w.emit(Op_ArgValPtr, {1});
    w.emit(Op_Deref);
    w.emit(Op_LocalValPtr, {0}); // not followed by Deref: stays
    w.emitHalt();
    std::vector<uint8_t> image = fused(w);
    EXPECT_EQ(readWord(image.data()), uint32_t(Op_DMemberValPtr_Deref));
    EXPECT_EQ(readWord(image.data() + 16), uint32_t(Op_LocalValPtr_Deref));
    EXPECT_EQ(readWord(image.data() + 28), uint32_t(Op_ArgValPtr_Deref));
    EXPECT_EQ(readWord(image.data() + 40), uint32_t(Op_LocalValPtr));
}

TEST(FusionTest, StopsAtHaltAndRejectsUnknownOpcodes) {
    TCodeWriter w;
    w.emitHalt();
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {0});
    std::vector<uint8_t> image = fused(w);
    EXPECT_EQ(readWord(image.data() + 4), uint32_t(Op_PushThis)); // after Halt: untouched

    std::vector<uint8_t> bad = {3, 0, 0, 0, 99, 0, 0, 0, 48, 0, 0, 0};
    try {
        fuseImage(bad.data(), bad.size());
        FAIL();
    } catch (const ECodeError& e) {
        EXPECT_STREQ(e.what(), "Invalid Instruction99");
    }
    std::vector<uint8_t> noHalt = {3, 0, 0, 0};
    EXPECT_THROW(fuseImage(noHalt.data(), noHalt.size()), ECodeError);
}

class FusedProgramTest : public RuntimeTest {};

// One program that reads a global, fields of this, locals, arguments and a
// field by name; fused and unfused it must compute the same thing.
TEST_F(FusedProgramTest, FusedImagesBehaveLikeTheirUnfusedForms) {
    TValue* global = arenaPtr<TValue>(TArena::instance().allocate(8));
    *global = TValue::ofInt(1000);
    for (bool fuse : {false, true}) {
        TRTTI* cls = newClass({"a", "b"});
        TCodeWriter m; // sum(x, y) { local t = x * y; return t + this.b + x; }
        m.emit(Op_LocalValPtr, {0});
        m.emit(Op_ArgValPtr, {0});
        m.emit(Op_Deref);
        m.emit(Op_ArgValPtr, {1});
        m.emit(Op_Deref);
        m.emit(Op_Mul);
        m.emit(Op_Subst);
        m.emit(Op_Pop);
        m.emit(Op_LocalValPtr, {0});
        m.emit(Op_Deref);
        m.emit(Op_PushThis);
        m.emit(Op_SMemberValPtr, {1});
        m.emit(Op_Deref);
        m.emit(Op_Add);
        m.emit(Op_ArgValPtr, {0});
        m.emit(Op_Deref);
        m.emit(Op_Add);
        m.emit(Op_Ret);
        m.emitHalt();
        addCodeMethod(cls, "sum", 2, 1, m, TFunctionKind::Normal, fuse);

        TCodeWriter w; // this.b = 7; this.a = 0; return sum(3, 4) + $g + this.a(by name);
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {1});
        w.emitPush(TValue::ofInt(7));
        w.emit(Op_Subst);
        w.emit(Op_Pop);
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {0});
        w.emitPush(TValue::ofInt(20000));
        w.emit(Op_Subst);
        w.emit(Op_Pop);
        w.emit(Op_PushThis);
        w.emitPush(TValue::ofInt(3));
        w.emitPush(TValue::ofInt(4));
        w.emit(Op_SCall, {2, uint32_t(cls->methodIndexByName("sum"))});
        w.emitPush(TValue::ofRef(arenaOffset(global)));
        w.emit(Op_Deref);
        w.emit(Op_Add);
        w.emit(Op_PushThis);
        w.emitDMember(intern("a"));
        w.emit(Op_Deref);
        w.emit(Op_Add);
        w.emit(Op_Ret);
        w.emitHalt();
        TProcess* p = startMain(cls, w, fuse);
        run(p);
        ASSERT_TRUE(p->result) << fuse;
        EXPECT_EQ(valueToText(*p->result), "21022") << (fuse ? "fused" : "unfused");
        uint32_t first = readWord(cls->initCode->codePtr() + 0);
        EXPECT_EQ(first, fuse ? uint32_t(Op_PushThis_SMemberValPtr) : uint32_t(Op_PushThis));
    }
    EXPECT_TRUE(reporter.errors.empty());
}

} // namespace
} // namespace ravok::test
