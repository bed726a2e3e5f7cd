// Per-class instance pools. Instances are never freed one by one: an allocation
// reuses the first record of its class that nobody references, running the
// destructor of the old content at that moment.
#pragma once

#include <cstdint>

namespace ravok {

class TRTTI;

// A fresh instance (refcount 0, every field vtUnset with its name's symbol).
uint32_t allocateInstance(TRTTI* cls);

// Runs the destructor, releases the fields, marks the record free (-1).
void destroyInstance(uint32_t instance);

// The two halves of destroyInstance, for the collector: it runs the
// destructors of everything it destroys before it releases any of them, so
// no destructor reads a record that was freed or reused already.
void runDestructor(uint32_t instance);
void releaseInstance(uint32_t instance);

// A record the collector has doomed (marks < 0) is never taken by an
// allocation until it is released.
constexpr int32_t kDoomedMarks = -1;

// Returns the class's records to the arena (the class is being reset or
// discarded). A record that is still referenced is kept, detached from the
// class.
void releasePool(TRTTI* cls);

// Raises class text + ": Object still remaining" when an instance of the class
// is still referenced; a class is discarded only after this passes.
void checkDiscardable(TRTTI* cls);

} // namespace ravok
