// Instruction layouts as the code writer emits them.
#include "runtime/code_image.h"
#include "runtime/code_writer.h"
#include "runtime/errors.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ravok {
namespace {

std::vector<uint32_t> words(const TCodeWriter& w) {
    std::vector<uint32_t> out(w.image().size() / 4);
    std::memcpy(out.data(), w.image().data(), w.image().size());
    return out;
}

TEST(CodeWriterTest, PushStringPadsTheTextAreaToAWordWithRoomForTheZero) {
    TCodeWriter w;
    w.emitPushString("abcd");
    ASSERT_EQ(w.image().size(), 16u);
    const uint8_t expected[16] = {2, 0, 0, 0, 8, 0, 0, 0, 'a', 'b', 'c', 'd', 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(w.image().data(), expected, 16), 0);

    for (auto [text, area] : {std::pair{"", 4u}, {"abc", 4u}, {"abcde", 8u}, {"abcdefgh", 12u}}) {
        TCodeWriter one;
        one.emitPushString(text);
        EXPECT_EQ(readWord(one.image().data() + 4), area) << text;
        EXPECT_EQ(one.image().size(), 8 + area) << text;
        EXPECT_EQ(instructionLength(one.image().data(), one.image().size()), 8 + area);
    }
}

TEST(CodeWriterTest, PushEmbedsTheEightByteValue) {
    TCodeWriter w;
    w.emitPush(TValue::ofFloat(1.5f));
    ASSERT_EQ(w.image().size(), 12u);
    EXPECT_EQ(w.image()[4], vtFloat);
    EXPECT_EQ(w.image()[5] | w.image()[6] | w.image()[7], 0);
    float f;
    std::memcpy(&f, w.image().data() + 8, 4);
    EXPECT_EQ(f, 1.5f);
}

TEST(CodeWriterTest, ObjectConstantsAreRefused) {
    TCodeWriter w;
    try {
        w.emitPush(TValue::ofObject(16));
        FAIL();
    } catch (const ECodeError& e) {
        EXPECT_STREQ(e.what(), "WritePush Error");
    }
    EXPECT_THROW(w.emitPushString(std::string_view("a\0b", 3)), ECodeError);
}

TEST(CodeWriterTest, OperandLayoutsMatchTheInstructionTable) {
    TCodeWriter w;
    w.emitDMember(7);
    w.emitDCall(2, 9);
    w.emit(Op_SCall, {1, 4});
    w.emit(Op_Point, {3, 120, 0});
    w.emitHalt();
    EXPECT_EQ(words(w), (std::vector<uint32_t>{Op_DMemberValPtr, 7, 0, Op_DCall, 2, 9, 0, Op_SCall,
                                               1, 4, Op_Point, 3, 120, 0, Op_Halt}));
    EXPECT_THROW(w.emit(Op_SCall, {1}), ECodeError);
    EXPECT_THROW(w.emit(Op_PushString), ECodeError);
}

TEST(CodeWriterTest, JumpOffsetsCountFromTheJumpsOwnOpcode) {
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emit(Op_Pop);
    w.emit(Op_PushThis);
    w.emit(Op_Pop);
    w.emit(Op_PushThis);
    uint32_t back = w.emitJump(Op_Jump);
    w.patchJump(back, 0);
    EXPECT_EQ(int32_t(readWord(w.image().data() + back + 4)), -20);
    uint32_t fwd = w.emitJump(Op_JumpZero);
    w.emit(Op_Pop);
    w.patchJump(fwd, w.position());
    EXPECT_EQ(int32_t(readWord(w.image().data() + fwd + 4)), 12);
}

TEST(CodeWriterTest, SourcePointsAreRecordedBesideTheImage) {
    TCodeWriter w;
    w.addSourcePoint(10);
    w.emit(Op_PushThis);
    w.addSourcePoint(25);
    w.emit(Op_Pop);
    ASSERT_EQ(w.points().size(), 2u);
    EXPECT_EQ(w.points()[1].codeOffset, 4u);
    EXPECT_EQ(w.points()[1].sourceOffset, 25);
    EXPECT_EQ(w.image().size(), 8u); // no Op_Point written
}

} // namespace
} // namespace ravok
