// The code listing, line by line.
#include "test_support.h"

#include "runtime/code_image.h"
#include "runtime/errors.h"
#include "runtime/fusion.h"
#include "runtime/listing.h"

namespace ravok::test {
namespace {

class ListingTest : public RuntimeTest {};

TEST_F(ListingTest, EveryInstructionKindPrintsItsText) {
    TRTTI* cls = newClass({"f"});
    TNativeFunction* native = addNativeMethod(cls, "native_add", unboundNativeRoutine);
    TCodeWriter w;
    w.emitPush(TValue::ofInt(-3));
    w.emitPush(TValue::ofFloat(0.5f));
    w.emitPushString("hi there");
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {2});
    w.emitDMember(intern("speed"));
    w.emit(Op_LocalValPtr, {1});
    w.emit(Op_ArgValPtr, {0});
    w.emitDCall(2, intern("update"));
    w.emit(Op_SCall, {1, 4});
    w.emit(Op_SuperCall, {0, native->id()});
    w.emit(Op_NativeCall, {3, native->id()});
    w.emit(Op_Constructor, {0, cls->classId()});
    w.emit(Op_Is, {cls->classId()});
    w.emit(Op_Add);
    w.emit(Op_NEQ);
    w.emit(Op_AddSubst);
    w.emitJump(Op_Jump, -20);
    w.emitJump(Op_JumpZero, 8);
    w.emitJump(Op_Jump_And, 16);
    w.emitJump(Op_Jump_Or, 24);
    w.emit(Op_Ret);
    w.emit(Op_InitForIn);
    w.emitJump(Op_DoForIn, 12);
    w.emit(Op_ClearForIn);
    w.emit(Op_Point, {cls->classId(), 77, 0});
    w.emitHalt();
    w.emit(Op_Pop); // after Halt: not listed
    std::string ct = cls->classText();
    std::vector<std::string> expected = {
        "00000000:Push -3",
        "0000000C:Push 0.5",
        "00000018:PushString hi there",
        "0000002C:PushThis",
        "00000030:SMemberValPtr 2",
        "00000038:DMemberValPtr speed",
        "00000044:LocalValPtr 1",
        "0000004C:ArgValPtr 0",
        "00000054:DCall 2,update",
        "00000064:SCall 1,4",
        "00000070:SuperCall 0,native_add",
        "0000007C:NativeCall 3,native_add",
        "00000088:Constructor 0," + ct,
        "00000094:Is " + ct,
        "0000009C:Add",
        "000000A0:NEQ",
        "000000A4:AddSubst",
        "000000A8:Jump-20",
        "000000B0:JumpZero8",
        "000000B8:Jump_And16",
        "000000C0:Jump_Or24",
        "000000C8:Ret",
        "000000CC:InitForin",
        "000000D0:DoForin12",
        "000000D8:ClearForin",
        "000000DC:Point " + cls->name + "/77",
    };
    EXPECT_EQ(listImage(w.image().data(), w.image().size()), expected);
}

TEST_F(ListingTest, FusedInstructionsPrintTheirOperands) {
    TValue* global = arenaPtr<TValue>(TArena::instance().allocate(8));
    *global = TValue::ofInt(9);
    TCodeWriter w;
    w.emit(Op_PushThis);
    w.emit(Op_SMemberValPtr, {3});
    w.emit(Op_Deref);
    w.emitDMember(intern("speed"));
    w.emit(Op_Deref);
    w.emit(Op_LocalValPtr, {2});
    w.emit(Op_Deref);
    w.emitPush(TValue::ofRef(arenaOffset(global)));
    w.emit(Op_Deref);
    w.emitHalt();
    std::vector<uint8_t> image = w.image();
    fuseImage(image.data(), image.size());
    std::vector<std::string> expected = {
        "00000000:PushThis_SMemberValPtr 3",
        "00000010:DMemberValPtr_Deref " + std::to_string(intern("speed")),
        "00000020:LocalValPtr_Deref 2",
        "0000002C:Push_Deref [9]",
    };
    EXPECT_EQ(listImage(image.data(), image.size()), expected);
}

TEST_F(ListingTest, AnUnknownOpcodeStopsTheListingWithAnError) {
    std::vector<uint8_t> image = {3, 0, 0, 0, 77, 0, 0, 0, 48, 0, 0, 0};
    try {
        listImage(image.data(), image.size());
        FAIL();
    } catch (const ECodeError& e) {
        // "異常な命令が入っています" in CP932
        EXPECT_EQ(std::string(e.what()),
                  "\x88\xD9\x8F\xED\x82\xC8\x96\xBD\x97\xDF\x82\xAA\x93\xFC\x82\xC1"
                  "\x82\xC4\x82\xA2\x82\xDC\x82\xB7");
    }
    // A text area that runs past the end of the image is just as unprintable.
    std::vector<uint8_t> truncated = {2, 0, 0, 0, 64, 0, 0, 0, 'a', 0, 0, 0};
    EXPECT_THROW(listImage(truncated.data(), truncated.size()), ECodeError);
}

TEST_F(ListingTest, AddressesCanStartAtABase) {
    TCodeWriter w;
    w.emit(Op_Pop);
    w.emitHalt();
    EXPECT_EQ(listImage(w.image().data(), w.image().size(), 0x1A0),
              (std::vector<std::string>{"000001A0:Pop"}));
}

} // namespace
} // namespace ravok::test
