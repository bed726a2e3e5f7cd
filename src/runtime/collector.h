// The mark-and-sweep collection that runs when a page stops: a diagnostic
// pass (every live instance marked through its class, counts compared with
// the references found, nothing destroyed) and then the real pass (only what
// the roots reach survives). Roots: the resource tree (classes, globals,
// resources' script objects) and the root process's stack.
#pragma once

#include <string>
#include <vector>

namespace ravok {

void collect();

// The debug window's object list: one line per instance whose count was
// lower than the references the diagnostic pass found.
std::vector<std::string>& collectorObjectList();

} // namespace ravok
