// TProgWriter: writes one code block for the class being compiled. The
// position can be moved back to patch an earlier instruction; every
// instruction whose operand exists only in the running program (a global
// cell, a field, a method, a class) is recorded with its name so that the
// block can be relinked when it is read back from a class cache file.
#pragma once

#include "runtime/compiled_info.h"
#include "runtime/opcodes.h"
#include "runtime/value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ravok {

class TRTTI;
class TFunction;

class TProgWriter {
public:
    explicit TProgWriter(TRTTI* cls);

    uint32_t position() const { return pos_; }
    void setPosition(uint32_t p) { pos_ = p; }
    void resetToEnd() { pos_ = high_; }

    void op(TOpcode op);
    // A constant (never an object: "WritePush Error"); with a global name the
    // value is a reference to that global's cell.
    void push(const TValue& v, std::string_view globalName = {});
    void pushString(std::string_view text);
    void sMember(int32_t index, std::string_view field);
    void dMember(uint32_t symbol, std::string_view name);
    void index(TOpcode op, int32_t index); // Op_LocalValPtr, Op_ArgValPtr
    void dCall(uint32_t argc, uint32_t symbol, std::string_view name);
    void sCall(uint32_t argc, int32_t methodIndex, std::string_view name);
    void superCall(uint32_t argc, const TFunction* fn, std::string_view name);
    void nativeCall(uint32_t argc, const TFunction* fn, std::string_view name);
    void constructor(uint32_t argc, const TRTTI* cls);
    void is(const TRTTI* cls);
    // Returns the jump's position for patch().
    uint32_t jump(TOpcode op, int32_t offset = 0);
    void patch(uint32_t jumpAt, uint32_t target);

    void sourcePoint(int32_t sourceOffset);

    // Hands the code (fused) to a compiled-code record.
    void finish(TCompiledInfo& info);

private:
    void word(uint32_t w);
    void record(TOpcode op, std::string_view name, uint32_t at);

    std::vector<uint8_t> buffer_;
    uint32_t pos_ = 0, high_ = 0;
    TRTTI* cls_;
    std::vector<TCInfoElem> relocations_;
    std::unordered_map<std::string, size_t> relocationIndex_;
    std::vector<TSourcePoint> points_;
};

} // namespace ravok
