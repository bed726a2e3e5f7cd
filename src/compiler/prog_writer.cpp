#include "compiler/prog_writer.h"

#include "runtime/code_image.h"
#include "runtime/errors.h"
#include "runtime/function.h"
#include "runtime/fusion.h"
#include "runtime/messages.h"
#include "runtime/rtti.h"

#include <cstring>

namespace ravok {

TProgWriter::TProgWriter(TRTTI* cls) : cls_(cls) { buffer_.reserve(256); }

void TProgWriter::word(uint32_t w) {
    if (pos_ + 4 > buffer_.size()) buffer_.resize(pos_ + 4);
    writeWord(buffer_.data() + pos_, w);
    pos_ += 4;
    if (pos_ > high_) high_ = pos_;
}

void TProgWriter::record(TOpcode op, std::string_view name, uint32_t at) {
    // Groups stay in the order of their first use; the index only finds them
    // (a script naming a hundred thousand globals must not search them all).
    std::string key = std::to_string(uint32_t(op)) + ":" + std::string(name);
    auto [it, fresh] = relocationIndex_.try_emplace(std::move(key), relocations_.size());
    if (!fresh) {
        relocations_[it->second].offsets.push_back(at);
        return;
    }
    relocations_.push_back({uint32_t(op), std::string(name), {at}});
}

void TProgWriter::op(TOpcode o) { word(o); }

void TProgWriter::push(const TValue& v, std::string_view globalName) {
    if (v.kind == vtObject) throw ECodeError(translate("WritePush Error"));
    record(Op_Push, globalName, pos_);
    word(Op_Push);
    word(v.kind);
    word(v.u);
}

void TProgWriter::pushString(std::string_view text) {
    if (text.find('\0') != std::string_view::npos)
        throw ECodeError("a string constant cannot contain a zero byte");
    uint32_t area = uint32_t((text.size() + 4) & ~size_t(3));
    word(Op_PushString);
    word(area);
    std::vector<uint8_t> bytes(area, 0);
    std::memcpy(bytes.data(), text.data(), text.size());
    for (uint32_t i = 0; i < area; i += 4)
        word(readWord(bytes.data() + i));
}

void TProgWriter::sMember(int32_t index, std::string_view field) {
    record(Op_SMemberValPtr, field, pos_);
    word(Op_SMemberValPtr);
    word(uint32_t(index));
}

void TProgWriter::dMember(uint32_t symbol, std::string_view name) {
    record(Op_DMemberValPtr, name, pos_);
    word(Op_DMemberValPtr);
    word(symbol);
    word(0);
}

void TProgWriter::index(TOpcode o, int32_t i) {
    word(o);
    word(uint32_t(i));
}

void TProgWriter::dCall(uint32_t argc, uint32_t symbol, std::string_view name) {
    record(Op_DCall, name, pos_);
    word(Op_DCall);
    word(argc);
    word(symbol);
    word(0);
}

void TProgWriter::sCall(uint32_t argc, int32_t methodIndex, std::string_view name) {
    record(Op_SCall, name, pos_);
    word(Op_SCall);
    word(argc);
    word(uint32_t(methodIndex));
}

void TProgWriter::superCall(uint32_t argc, const TFunction* fn, std::string_view name) {
    record(Op_SuperCall, name, pos_);
    word(Op_SuperCall);
    word(argc);
    word(fn->id());
}

void TProgWriter::nativeCall(uint32_t argc, const TFunction* fn, std::string_view name) {
    record(Op_NativeCall, name, pos_);
    word(Op_NativeCall);
    word(argc);
    word(fn->id());
}

void TProgWriter::constructor(uint32_t argc, const TRTTI* cls) {
    record(Op_Constructor, cls->fullName(), pos_);
    word(Op_Constructor);
    word(argc);
    word(cls->classId());
}

void TProgWriter::is(const TRTTI* cls) {
    record(Op_Is, cls->fullName(), pos_);
    word(Op_Is);
    word(cls->classId());
}

uint32_t TProgWriter::jump(TOpcode o, int32_t offset) {
    uint32_t at = pos_;
    word(o);
    word(uint32_t(offset));
    return at;
}

void TProgWriter::patch(uint32_t jumpAt, uint32_t target) {
    writeWord(buffer_.data() + jumpAt + 4, uint32_t(int32_t(target) - int32_t(jumpAt)));
}

void TProgWriter::sourcePoint(int32_t sourceOffset) { points_.push_back({pos_, sourceOffset}); }

void TProgWriter::finish(TCompiledInfo& info) {
    buffer_.resize(high_);
    fuseImage(buffer_.data(), buffer_.size());
    info.install(buffer_);
    info.owner = cls_;
    info.points = points_;
    info.relocations = relocations_;
}

} // namespace ravok
