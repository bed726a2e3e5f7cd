#include "runtime/listing.h"

#include "runtime/code_image.h"
#include "runtime/errors.h"
#include "runtime/function.h"
#include "runtime/messages.h"
#include "runtime/rtti.h"
#include "runtime/symbols.h"
#include "runtime/value_ops.h"

#include <cstdio>
#include <cstring>

namespace ravok {

namespace {

// "異常な命令が入っています"
[[noreturn]] void unprintable() {
    throw ECodeError(
        translate("\x88\xD9\x8F\xED\x82\xC8\x96\xBD\x97\xDF\x82\xAA\x93\xFC\x82\xC1\x82\xC4"
                  "\x82\xA2\x82\xDC\x82\xB7"));
}

std::string number(uint32_t w) { return std::to_string(int32_t(w)); }

std::string classText(uint32_t id) {
    TRTTI* cls = classById(id);
    return cls ? cls->classText() : "#" + std::to_string(id);
}

std::string functionName(uint32_t id) {
    TFunction* fn = functionById(id);
    return fn ? fn->nameText() : "#" + std::to_string(id);
}

std::string valueAt(const uint8_t* p) {
    TValue v;
    std::memcpy(&v, p, 8);
    return valueToText(v);
}

} // namespace

std::string instructionText(const uint8_t* at, size_t remaining) {
    uint32_t len = installedInstructionLength(at, remaining);
    if (len == 0) unprintable();
    uint32_t op = storedOpcode(readWord(at));
    auto w = [&](int off) { return readWord(at + off); };
    std::string head = kOpcodeListingText[op];
    switch (op) {
    case Op_Push:
    case Op_Push_Deref:
        return head + " " + valueAt(at + 4);
    case Op_PushString:
        return head + " " +
               std::string(reinterpret_cast<const char*>(at + 8),
                           strnlen(reinterpret_cast<const char*>(at + 8), w(4)));
    case Op_SMemberValPtr:
    case Op_LocalValPtr:
    case Op_ArgValPtr:
    case Op_LocalValPtr_Deref:
    case Op_ArgValPtr_Deref:
        return head + " " + number(w(4));
    case Op_PushThis_SMemberValPtr:
    case Op_PushThis_SMemberValPtr_Deref:
        return head + " " + number(w(8));
    case Op_DMemberValPtr:
        return head + " " + symbolName(w(4));
    case Op_DMemberValPtr_Deref:
        return head + " " + number(w(4));
    case Op_DCall:
        return head + " " + number(w(4)) + "," + symbolName(w(8));
    case Op_SCall:
        return head + " " + number(w(4)) + "," + number(w(8));
    case Op_SuperCall:
    case Op_NativeCall:
        return head + " " + number(w(4)) + "," + functionName(w(8));
    case Op_Constructor:
        return head + " " + number(w(4)) + "," + classText(w(8));
    case Op_Is:
        return head + " " + classText(w(4));
    case Op_Jump:
    case Op_JumpZero:
    case Op_Jump_And:
    case Op_Jump_Or:
    case Op_DoForIn:
        return head + number(w(4));
    case Op_Point: {
        TRTTI* cls = classById(w(4));
        return head + " " + (cls ? cls->name : std::string("?")) + "/" + number(w(8));
    }
    case Op_Halt:
        unprintable();
    default:
        return head;
    }
}

std::vector<std::string> listImage(const uint8_t* code, size_t size, uint32_t base) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < size) {
        uint32_t len = installedInstructionLength(code + at, size - at);
        if (len == 0) unprintable();
        if (readWord(code + at) == Op_Halt) return lines;
        char address[16];
        std::snprintf(address, sizeof address, "%08X:", unsigned(base + at));
        lines.push_back(address + instructionText(code + at, size - at));
        at += len;
    }
    return lines;
}

} // namespace ravok
