// TCodeWriter: writes instructions into a growing code image in the layouts of
// the instruction set. Jumps can be written before their target is known and
// patched later; source points are recorded beside the image rather than
// emitted as Op_Point.
#pragma once

#include "runtime/compiled_info.h"
#include "runtime/opcodes.h"
#include "runtime/value.h"

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace ravok {

class TCodeWriter {
public:
    uint32_t position() const { return uint32_t(image_.size()); }
    const std::vector<uint8_t>& image() const { return image_; }
    const std::vector<TSourcePoint>& points() const { return points_; }

    // Any fixed-length instruction with its operand words; the count must fit.
    void emit(TOpcode op, std::initializer_list<uint32_t> operands = {});
    // Refuses an object constant with "WritePush Error".
    void emitPush(const TValue& v);
    // The text padded with zero bytes to L = (length + 4) & ~3.
    void emitPushString(std::string_view text);
    void emitDMember(uint32_t symbol) { emit(Op_DMemberValPtr, {symbol, 0}); }
    void emitDCall(uint32_t argc, uint32_t symbol) { emit(Op_DCall, {argc, symbol, 0}); }
    // Returns the jump's position for patchJump.
    uint32_t emitJump(TOpcode op, int32_t offset = 0);
    // Points the jump at `target` (both positions in this image).
    void patchJump(uint32_t jump, uint32_t target);
    void emitHalt() { emit(Op_Halt); }

    // Marks the code written next as the start of the statement at sourceOffset.
    void addSourcePoint(int32_t sourceOffset) { points_.push_back({position(), sourceOffset}); }

    void patchWord(uint32_t at, uint32_t word);

private:
    void word(uint32_t w);
    std::vector<uint8_t> image_;
    std::vector<TSourcePoint> points_;
};

} // namespace ravok
