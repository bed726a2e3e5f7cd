// The mark phase of the collector: a value, an instance (running its class's
// gc_mark method, then marking its fields) and a process's stack. Marking
// counts: a first visit sets marks to 1, every further reference found adds 1.
#pragma once

#include "runtime/value.h"

#include <cstdint>

namespace ravok {

class TProcess;

void markValue(const TValue& v);
void markInstance(uint32_t instance);
// Every slot of the stack's frames and the result; skipped once released.
void markProcessStack(TProcess* p);

} // namespace ravok
