// The kernel boot: the kernel bundle read into the root of the resource tree,
// every kernel class compiled, the natives bound by class and name.
#pragma once

namespace ravok {

class TResource;

// Returns whether the kernel came up; failures have been reported.
bool bootKernel();
TResource* kernelRoot();

} // namespace ravok
