#include "runtime/collector.h"

#include "runtime/mark.h"
#include "runtime/process.h"
#include "runtime/resource.h"
#include "runtime/root_process.h"
#include "runtime/rtti.h"

namespace ravok {

std::vector<std::string>& collectorObjectList() {
    static auto* list = new std::vector<std::string>();
    return *list;
}

namespace {
void pass(bool checkMode) {
    gCheckMode = checkMode;
    TResource* root = resourceRoot();
    if (root) root->markValues();
    markProcessStack(TRootProcess::instance().process());
    if (root) root->sweepValues();
    gCheckMode = false;
}
} // namespace

void collect() {
    pass(true);
    pass(false);
}

} // namespace ravok
