#include "runtime/compiled_info.h"

#include "runtime/fusion.h"
#include "runtime/rtti.h"
#include "runtime/superinstructions.h"

#include <cstring>

namespace ravok {

TCompiledInfo::~TCompiledInfo() { TArena::instance().release(code_, size_); }

void TCompiledInfo::install(const std::vector<uint8_t>& image) {
    TArena& arena = TArena::instance();
    arena.release(code_, size_);
    size_ = uint32_t(image.size());
    code_ = arena.allocate(size_);
    std::memcpy(codePtr(), image.data(), image.size());
    if (codeFusion())
        fuseSuperinstructions(codePtr(), size_);
    else
        defuseImage(codePtr(), size_);
    noteRewritten();
}

void TCompiledInfo::noteRewritten() {
    static uint64_t changes = 0;
    stamp_ = ++changes;
}

std::string TCompiledInfo::positionText(TArenaOffset position) const {
    if (!owner || position < code_ || position > code_ + size_) return "none";
    uint32_t rel = position - code_;
    const TSourcePoint* found = nullptr;
    for (const TSourcePoint& p : points) {
        if (p.codeOffset < rel)
            found = &p;
        else
            break;
    }
    if (!found) return "none";
    return owner->fullName() + "," + std::to_string(found->sourceOffset);
}

} // namespace ravok
