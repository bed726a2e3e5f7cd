#include "runtime/code_traps.h"

#include "runtime/code_image.h"
#include "runtime/fusion.h"
#include "runtime/superinstructions.h"

namespace ravok {

namespace {
// Every superinstruction back to the instruction it stands for, trap bits kept.
void unfuse(uint8_t* code, size_t size) {
    for (size_t at = 0; at < size;) {
        uint32_t len = installedInstructionLength(code + at, size - at);
        if (len == 0) return;
        uint32_t word = readWord(code + at);
        writeWord(code + at, storedOpcode(word) | (word & kTrapBit));
        at += len;
    }
}
} // namespace

void setTrapBit(uint8_t* at, bool on) {
    uint32_t word = readWord(at);
    writeWord(at, on ? word | kTrapBit : word & ~kTrapBit);
}

bool isTrapped(const uint8_t* at) { return (readWord(at) & kTrapBit) != 0; }

std::vector<uint32_t> instructionStarts(const TCompiledInfo& code) {
    std::vector<uint32_t> starts;
    const uint8_t* base = code.codePtr();
    for (size_t at = 0; code.codeStart() && at < code.size();) {
        uint32_t len = installedInstructionLength(base + at, code.size() - at);
        if (len == 0 || storedOpcode(readWord(base + at)) == Op_Halt) break;
        starts.push_back(uint32_t(at));
        at += len;
    }
    return starts;
}

std::set<uint32_t> trappedOffsets(const TCompiledInfo& code) {
    std::set<uint32_t> trapped;
    for (uint32_t at : instructionStarts(code))
        if (isTrapped(code.codePtr() + at)) trapped.insert(at);
    return trapped;
}

void setTraps(TCompiledInfo& code, const std::set<uint32_t>& offsets) {
    if (!code.codeStart()) return;
    std::vector<uint32_t> starts = instructionStarts(code);
    bool same = true;
    for (uint32_t at : starts)
        if (isTrapped(code.codePtr() + at) != (offsets.count(at) > 0)) same = false;
    if (same) return;
    uint8_t* base = code.codePtr();
    unfuse(base, code.size());
    for (uint32_t at : starts)
        setTrapBit(base + at, offsets.count(at) > 0);
    // A trapped word matches no sequence, so the fusion leaves out every
    // sequence that would run over a breakpoint.
    if (codeFusion()) fuseSuperinstructions(base, code.size());
    code.noteRewritten();
}

} // namespace ravok
