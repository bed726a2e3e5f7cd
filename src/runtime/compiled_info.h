// TCompiledInfo: one compiled code block (a method or a class's main body)
// installed in the VM arena, with the source points that map code positions back
// to source offsets for error traces.
#pragma once

#include "runtime/arena.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ravok {

class TRTTI;

// A relocation group: the code offsets of the instructions of one opcode that
// carry one name (a global, field, method or class) that exists only at run
// time, so that code read back from a cache file can be relinked.
struct TCInfoElem {
    uint32_t op;
    std::string name;
    std::vector<uint32_t> offsets;
};

struct TSourcePoint {
    uint32_t codeOffset;  // from the start of the image
    int32_t sourceOffset; // byte offset in the class's source text
};

class TCompiledInfo {
public:
    TCompiledInfo() = default;
    ~TCompiledInfo();
    TCompiledInfo(const TCompiledInfo&) = delete;
    TCompiledInfo& operator=(const TCompiledInfo&) = delete;

    // Copies a finished image into the arena (replacing any earlier one).
    void install(const std::vector<uint8_t>& image);

    TArenaOffset codeStart() const { return code_; }
    // Changes with every install of any image, so a fact learned from the
    // code can be kept with the stamp it was learned at.
    uint64_t installStamp() const { return stamp_; }
    // For whoever rewrites words of the installed image (relinking).
    void noteRewritten();
    uint8_t* codePtr() const { return arenaPtr<uint8_t>(code_); }
    uint32_t size() const { return size_; }
    bool contains(TArenaOffset position) const {
        return code_ != 0 && position >= code_ && position < code_ + size_;
    }

    TRTTI* owner = nullptr;
    std::vector<TSourcePoint> points; // in ascending code order
    std::vector<TCInfoElem> relocations;

    // Class full name + "," + the source offset of the last source point below
    // `position` (an arena address inside the image); "none" when there is none.
    std::string positionText(TArenaOffset position) const;

private:
    TArenaOffset code_ = 0;
    uint32_t size_ = 0;
    uint64_t stamp_ = 0;
};

} // namespace ravok
