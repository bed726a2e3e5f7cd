// The stack check of code read from a class cache: every path must keep one
// depth where paths meet and never take more values than were pushed.
#include "compiler/stack_check.h"
#include "runtime/code_writer.h"
#include "runtime/value.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

bool agrees(const TCodeWriter& w) { return stackDepthsAgree(w.image().data(), w.image().size()); }

TEST(StackCheckTest, WhatTheCompilerWritesAgrees) {
    // if (1 < 2) x = 3; : push, push, LT, JumpZero, ref, push, Subst, Pop, Halt
    TCodeWriter w;
    w.emitPush(TValue::ofInt(1));
    w.emitPush(TValue::ofInt(2));
    w.emit(Op_LT);
    uint32_t skip = w.emitJump(Op_JumpZero);
    w.emit(Op_LocalValPtr, {0});
    w.emitPush(TValue::ofInt(3));
    w.emit(Op_Subst);
    w.emit(Op_Pop);
    w.patchJump(skip, w.position());
    w.emitHalt();
    EXPECT_TRUE(agrees(w));

    // a && b as a value: the jump keeps the left operand, the fall-through
    // drops it for the right one.
    TCodeWriter a;
    a.emitPush(TValue::ofInt(1));
    uint32_t shortCut = a.emitJump(Op_Jump_And);
    a.emitPush(TValue::ofInt(2));
    a.patchJump(shortCut, a.position());
    a.emit(Op_Pop);
    a.emitHalt();
    EXPECT_TRUE(agrees(a));

    // A call takes its receiver and arguments and leaves the result.
    TCodeWriter c;
    c.emit(Op_PushThis);
    c.emitPush(TValue::ofInt(1));
    c.emitPush(TValue::ofInt(2));
    c.emitDCall(2, 7);
    c.emit(Op_Pop);
    c.emitHalt();
    EXPECT_TRUE(agrees(c));
}

TEST(StackCheckTest, TakingMoreThanWasPushedIsRefused) {
    TCodeWriter add;
    add.emitPush(TValue::ofInt(1));
    add.emit(Op_Add); // one value only
    add.emitHalt();
    EXPECT_FALSE(agrees(add));

    TCodeWriter call;
    call.emit(Op_PushThis);
    call.emitDCall(3, 7); // three arguments that are not there
    call.emitHalt();
    EXPECT_FALSE(agrees(call));

    TCodeWriter forIn;
    forIn.emit(Op_ClearForIn);
    forIn.emitHalt();
    EXPECT_FALSE(agrees(forIn));
}

TEST(StackCheckTest, PathsThatMeetWithDifferentDepthsAreRefused) {
    // The jump skips a push: after it the depth is 0 one way and 1 the other.
    TCodeWriter w;
    w.emitPush(TValue::ofInt(1));
    uint32_t skip = w.emitJump(Op_JumpZero);
    w.emitPush(TValue::ofInt(2));
    w.patchJump(skip, w.position());
    w.emitHalt();
    EXPECT_FALSE(agrees(w));

    // A loop that pushes on every turn grows without end.
    TCodeWriter loop;
    uint32_t top = loop.position();
    loop.emitPush(TValue::ofInt(1));
    uint32_t back = loop.emitJump(Op_Jump);
    loop.patchJump(back, top);
    loop.emitHalt();
    EXPECT_FALSE(agrees(loop));
}

TEST(StackCheckTest, JumpsIntoAnInstructionOrOffTheEndAreRefusedWithoutReadingPastTheImage) {
    // A forged image may jump between the bytes of a word, here into the
    // last word, where no whole opcode fits. The check says no and reads
    // nothing beyond the image (the sanitizer builds watch that).
    for (int32_t slack : {1, 2, 3}) {
        TCodeWriter w;
        w.emitPush(TValue::ofInt(1));
        uint32_t jump = w.emitJump(Op_JumpZero);
        w.emitHalt();
        w.patchJump(jump, w.position() - 4 + uint32_t(slack));
        std::vector<uint8_t> image = w.image();
        EXPECT_FALSE(stackDepthsAgree(image.data(), image.size())) << slack;
    }
}

} // namespace
} // namespace ravok
