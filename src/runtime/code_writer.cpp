#include "runtime/code_writer.h"

#include "runtime/code_image.h"
#include "runtime/errors.h"
#include "runtime/messages.h"

#include <cstring>

namespace ravok {

void TCodeWriter::word(uint32_t w) {
    size_t at = image_.size();
    image_.resize(at + 4);
    writeWord(image_.data() + at, w);
}

void TCodeWriter::patchWord(uint32_t at, uint32_t w) {
    if (size_t(at) + 4 > image_.size()) throw ECodeError("patch outside the code image");
    writeWord(image_.data() + at, w);
}

void TCodeWriter::emit(TOpcode op, std::initializer_list<uint32_t> operands) {
    if (!isValidOpcode(op) || op == Op_PushString || kOpcodeLength[op] != 4 * (1 + operands.size()))
        throw ECodeError(std::string("wrong operands for ") +
                         (isValidOpcode(op) ? kOpcodeName[op] : "an unknown opcode"));
    word(op);
    for (uint32_t w : operands)
        word(w);
}

void TCodeWriter::emitPush(const TValue& v) {
    if (v.kind == vtObject) throw ECodeError(translate("WritePush Error"));
    word(Op_Push);
    TValue clean = TValue::make(v.kind, v.u); // the three unused bytes are always zero
    size_t at = image_.size();
    image_.resize(at + 8);
    std::memcpy(image_.data() + at, &clean, 8);
}

void TCodeWriter::emitPushString(std::string_view text) {
    if (text.find('\0') != std::string_view::npos)
        throw ECodeError("a string constant cannot contain a zero byte");
    uint32_t area = uint32_t((text.size() + 4) & ~size_t(3));
    word(Op_PushString);
    word(area);
    size_t at = image_.size();
    image_.resize(at + area, 0);
    std::memcpy(image_.data() + at, text.data(), text.size());
}

uint32_t TCodeWriter::emitJump(TOpcode op, int32_t offset) {
    if (op != Op_Jump && op != Op_JumpZero && op != Op_Jump_And && op != Op_Jump_Or &&
        op != Op_DoForIn)
        throw ECodeError(std::string(kOpcodeName[op]) + " is not a jump");
    uint32_t at = position();
    emit(op, {uint32_t(offset)});
    return at;
}

void TCodeWriter::patchJump(uint32_t jump, uint32_t target) {
    patchWord(jump + 4, uint32_t(int32_t(target) - int32_t(jump)));
}

} // namespace ravok
