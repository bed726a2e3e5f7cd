// Host objects behind vtNative values (string bodies, lists, processes,
// classes, resources, surfaces, ...). A TValue payload cannot hold a pointer, so
// a vtNative carries an id from this registry. Ids pack a slot index with the
// low bits of a 24-bit generation that changes every time the slot is reused,
// and free slots are reused oldest first. The handle value also carries a seal
// and the generation's upper bits in bytes a script number cannot set, so a
// number turned into a handle (TObject) never reaches an object. A slot whose
// 24-bit generation is used up (by reuses or by renewals of one object) is
// retired for good instead of wrapping, so a handle once refused is refused
// forever.
#pragma once

#include "runtime/value.h"

#include <cstdint>
#include <cstring>
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
    // The sealed vtNative value scripts receive for this object.
    TValue handle() const;
    // From now on the object's handle is refused, as if it were gone; for an
    // object freed while the host still holds it.
    void withdrawHandle();
    // The object takes a new handle in its own slot; the old one is refused
    // from now on, as a freed object's is.
    void renewHandle();
    // The same for an object just found through its handle, so known to be
    // live and in the registry: returns the new handle's word.
    uint64_t renewFoundHandle();
    THostKind hostKind() const { return hostKind_; }

private:
    friend class THostRegistry;
    uint32_t hostId_;
    THostKind hostKind_;
    bool withdrawn_ = false;
};

class THostRegistry {
public:
    static THostRegistry& instance() { return gRegistry ? *gRegistry : make(); }

    uint32_t add(THostObject* obj);
    void remove(uint32_t id);
    // A new id for the object in id's slot (the next generation).
    uint32_t renew(uint32_t id) { return findId(id) ? idOf(advance(id & kIndexMask)) : id; }

    // The object a script value refers to: nullptr unless the value is a
    // sealed vtNative whose whole generation matches.
    THostObject* find(const TValue& v) const {
        // The whole word at once: a live slot keeps the exact handle it
        // hands out, so kind, seal, index and generation are one comparison.
        uint64_t word;
        std::memcpy(&word, &v, sizeof word);
        uint32_t index = uint32_t(word >> 32) & kIndexMask;
        if (index >= slots_.size()) return nullptr;
        const Slot& s = slots_[index];
        return s.handle == word ? s.obj : nullptr;
    }
    THostObject* find(const TValue& v, THostKind kind) const {
        THostObject* obj = find(v);
        return obj && obj->hostKind() == kind ? obj : nullptr;
    }
    // True for a sealed handle of an object that no longer exists (as opposed
    // to a number a script made into a handle).
    bool isStale(const TValue& v) const {
        return v.kind == vtNative && v.unused[0] == kSeal && !find(v);
    }
    TValue handle(uint32_t id) const {
        // A live object's own id: the handle its slot keeps.
        uint32_t index = id & kIndexMask;
        if (index != 0 && index < slots_.size()) {
            const Slot& s = slots_[index];
            if (s.obj && (s.generation & 0xFF) == (id >> kIndexBits)) {
                TValue v;
                std::memcpy(&v, &s.handle, sizeof v);
                return v;
            }
        }
        return handleSlowly(id);
    }

    size_t liveCount() const { return live_; }
    // The live objects of one kind, in slot order (the debugger's threads).
    std::vector<THostObject*> liveObjects(THostKind kind) const {
        std::vector<THostObject*> found;
        for (const Slot& s : slots_)
            if (s.obj && s.obj->hostKind() == kind) found.push_back(s.obj);
        return found;
    }
    // Slots retired because their generations were used up.
    size_t retiredCount() const { return retired_; }
    // For tests: the object of id moves its slot to that generation, so that
    // the wrap is reached without sixteen million renewals.
    void setGenerationForTest(uint32_t id, uint32_t generation);

private:
    THostRegistry() = default;
    static THostRegistry& make();
    TValue handleSlowly(uint32_t id) const;
    friend class THostObject;
    // The generation after g; kGenerations and above when g is the last.
    // Generation 0 never occurs in the low byte, so a plain small number is
    // never a valid id.
    static uint32_t nextGeneration(uint32_t g) { return (g + 1) & 0xFF ? g + 1 : g + 2; }
    // Moves the slot's object to the slot's next generation; returns the new
    // handle word, whose upper half is the new id. A slot with no generation
    // left is retired and the object moves to a fresh slot.
    uint64_t advance(uint32_t index) {
        Slot& s = slots_[index];
        uint32_t g = nextGeneration(s.generation);
        if (g >= kGenerations) [[unlikely]]
            return moveToFreshSlot(index);
        s.generation = g;
        s.handle = handleWord(index | ((g & 0xFF) << kIndexBits), g);
        return s.handle;
    }
    uint64_t moveToFreshSlot(uint32_t index);
    // A free slot (oldest first) or a new one, holding obj at its next generation.
    uint64_t occupy(THostObject* obj);
    static uint32_t idOf(uint64_t handleWord) { return uint32_t(handleWord >> 32); }
    static inline THostRegistry* gRegistry = nullptr;
    // The slot's object when the id's low generation bits match (the host's
    // own ids; script values go through find(TValue)).
    THostObject* findId(uint32_t id) const {
        uint32_t index = id & kIndexMask;
        if (index == 0 || index >= slots_.size()) return nullptr;
        const Slot& s = slots_[index];
        return (s.generation & 0xFF) == (id >> kIndexBits) && s.obj ? s.obj : nullptr;
    }
    static constexpr uint32_t kIndexBits = 24;
    static constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
    static constexpr uint32_t kGenerations = 1u << 24;
    static constexpr uint8_t kSeal = 0xA7;
    struct Slot {
        THostObject* obj = nullptr;
        // The sealed handle of the live object (0 while the slot is free,
        // which no vtNative value equals).
        uint64_t handle = 0;
        uint32_t generation = 0;
        uint32_t nextFree = 0;
        uint64_t padding = 0; // a power-of-two size keeps the bounds check a shift
    };
    static uint64_t handleWord(uint32_t id, uint32_t generation) {
        return uint64_t(vtNative) | uint64_t(kSeal) << 8 |
               uint64_t((generation >> 8) & 0xFF) << 16 |
               uint64_t((generation >> 16) & 0xFF) << 24 | uint64_t(id) << 32;
    }
    std::vector<Slot> slots_{1}; // slot 0 is never used, so id 0 means none
    uint32_t freeHead_ = 0, freeTail_ = 0;
    size_t live_ = 0;
    size_t retired_ = 0;
};

inline TValue THostObject::handle() const { return THostRegistry::instance().handle(hostId_); }
inline void THostObject::renewHandle() {
    if (!withdrawn_) hostId_ = THostRegistry::instance().renew(hostId_);
}
inline uint64_t THostObject::renewFoundHandle() {
    uint64_t word = THostRegistry::instance().advance(hostId_ & THostRegistry::kIndexMask);
    hostId_ = THostRegistry::idOf(word);
    return word;
}

std::string describeBadHandle(uint32_t id, const char* what);
[[noreturn]] void throwBadHandle(uint32_t id, const char* what);

// Looks a handle up with its expected type: nullptr when the value is not a
// live object of type T.
// A type that is the only one made with its kind says so with a static
// kHostKind, and is then told by its kind alone, without a dynamic_cast on
// every native call.
template <class T> T* findHostObjectAs(const TValue& v) {
    THostObject* obj = THostRegistry::instance().find(v);
    if constexpr (requires { T::kHostKind; }) {
        return obj && obj->hostKind() == T::kHostKind ? static_cast<T*>(obj) : nullptr;
    } else {
        return dynamic_cast<T*>(obj);
    }
}
// The same, throwing ERunError naming `what` when there is none.
template <class T> T* hostObjectAs(const TValue& v, const char* what) {
    if (T* obj = findHostObjectAs<T>(v)) return obj;
    throwBadHandle(v.u, what);
}

} // namespace ravok
