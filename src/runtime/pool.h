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

// Returns every record of the class to the arena (the class is being reset or
// discarded; its instances are no longer reachable).
void releasePool(TRTTI* cls);

} // namespace ravok
