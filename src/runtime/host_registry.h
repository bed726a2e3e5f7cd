// Host objects behind vtNative values (string bodies, lists, processes,
// classes, resources, surfaces, ...). A TValue payload cannot hold a pointer, so
// a vtNative carries an id from this registry. Ids pack a slot index with a
// generation that changes every time the slot is reused, and free slots are
// reused oldest first: a forged number or the id of a freed object is refused
// with a clear run-time error instead of reaching a stray pointer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ravok {

// A coarse tag that lets the hot paths (string bodies, array lists) check the
// type of a host object without a dynamic_cast.
enum class THostKind : uint8_t { Other, String, List, Process, Class, Function };

class THostObject {
public:
    explicit THostObject(THostKind kind = THostKind::Other);
    virtual ~THostObject();
    THostObject(const THostObject&) = delete;
    THostObject& operator=(const THostObject&) = delete;

    // The name value-to-text prints for a vtNative referring to this object.
    virtual const char* hostClassName() const = 0;

    uint32_t hostId() const { return hostId_; }
    THostKind hostKind() const { return hostKind_; }

private:
    uint32_t hostId_;
    THostKind hostKind_;
};

class THostRegistry {
public:
    static THostRegistry& instance();

    uint32_t add(THostObject* obj);
    void remove(uint32_t id);

    // The object with this id, or nullptr for a forged or stale id.
    THostObject* find(uint32_t id) const {
        uint32_t index = id & kIndexMask;
        if (index == 0 || index >= slots_.size()) return nullptr;
        const Slot& s = slots_[index];
        return s.generation == (id >> kIndexBits) && s.obj ? s.obj : nullptr;
    }
    THostObject* find(uint32_t id, THostKind kind) const {
        THostObject* obj = find(id);
        return obj && obj->hostKind() == kind ? obj : nullptr;
    }

    size_t liveCount() const { return live_; }

private:
    THostRegistry() = default;
    static constexpr uint32_t kIndexBits = 24;
    static constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
    struct Slot {
        THostObject* obj = nullptr;
        uint32_t generation = 0;
        uint32_t nextFree = 0;
    };
    std::vector<Slot> slots_{1}; // slot 0 is never used, so id 0 means none
    uint32_t freeHead_ = 0, freeTail_ = 0;
    size_t live_ = 0;
};

std::string describeBadHandle(uint32_t id, const char* what);
[[noreturn]] void throwBadHandle(uint32_t id, const char* what);

// Looks a handle up with its expected type; throws ERunError naming `what` when
// the id is not a live object of type T.
template <class T> T* hostObjectAs(uint32_t id, const char* what) {
    THostObject* obj = THostRegistry::instance().find(id);
    if (T* typed = dynamic_cast<T*>(obj)) return typed;
    throwBadHandle(id, what);
}

} // namespace ravok
