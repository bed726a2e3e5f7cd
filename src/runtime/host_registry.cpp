#include "runtime/host_registry.h"

#include "runtime/errors.h"

#include <cstring>

namespace ravok {

THostObject::THostObject(THostKind kind)
    : hostId_(THostRegistry::instance().add(this)), hostKind_(kind) {}

THostObject::~THostObject() {
    if (!withdrawn_) THostRegistry::instance().remove(hostId_);
}

THostRegistry& THostRegistry::make() {
    // Never destroyed: host objects may outlive static destruction (and a leak
    // checker must still see them through the table).
    gRegistry = new THostRegistry();
    return *gRegistry;
}

uint64_t THostRegistry::occupy(THostObject* obj) {
    uint32_t index;
    if (freeHead_ != 0) {
        index = freeHead_;
        freeHead_ = slots_[index].nextFree;
        if (freeHead_ == 0) freeTail_ = 0;
    } else {
        if (slots_.size() > kIndexMask) throw ERunError("too many host objects");
        index = uint32_t(slots_.size());
        slots_.emplace_back();
    }
    slots_[index].obj = obj;
    slots_[index].nextFree = 0;
    // A free slot always has a generation left: one without is never freed.
    return advance(index);
}

uint32_t THostRegistry::add(THostObject* obj) {
    uint64_t word = occupy(obj);
    ++live_;
    return idOf(word);
}

uint64_t THostRegistry::moveToFreshSlot(uint32_t index) {
    THostObject* obj = slots_[index].obj;
    // The used-up slot stays out of the free list for good: no handle of it
    // can ever be accepted again.
    slots_[index].obj = nullptr;
    slots_[index].handle = 0;
    ++retired_;
    return occupy(obj);
}

void THostRegistry::setGenerationForTest(uint32_t id, uint32_t generation) {
    uint32_t index = id & kIndexMask;
    if (!findId(id) || generation >= kGenerations || (generation & 0xFF) == 0) return;
    Slot& s = slots_[index];
    s.generation = generation;
    s.handle = handleWord(index | ((generation & 0xFF) << kIndexBits), generation);
    s.obj->hostId_ = idOf(s.handle);
}

TValue THostRegistry::handleSlowly(uint32_t id) const {
    TValue v = TValue::ofNative(id);
    uint32_t index = id & kIndexMask;
    if (index == 0 || index >= slots_.size()) return v;
    // Built as one word: storing the bytes one by one and then reading the
    // value whole stalls the store buffer, on every string made.
    uint64_t bits = handleWord(id, slots_[index].generation);
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void THostObject::withdrawHandle() {
    if (withdrawn_) return;
    withdrawn_ = true;
    THostRegistry::instance().remove(hostId_);
}

void THostRegistry::remove(uint32_t id) {
    uint32_t index = id & kIndexMask;
    if (findId(id) == nullptr) return;
    slots_[index].obj = nullptr;
    slots_[index].handle = 0;
    --live_;
    // A slot whose next reuse would wrap its generation is retired instead.
    if (nextGeneration(slots_[index].generation) >= kGenerations) {
        ++retired_;
        return;
    }
    if (freeTail_ != 0)
        slots_[freeTail_].nextFree = index;
    else
        freeHead_ = index;
    freeTail_ = index;
}

std::string describeBadHandle(uint32_t id, const char* what) {
    return std::to_string(id) + " is not a valid " + what + " handle.";
}

void throwBadHandle(uint32_t id, const char* what) { throw ERunError(describeBadHandle(id, what)); }

} // namespace ravok
