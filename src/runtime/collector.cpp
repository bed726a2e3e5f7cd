#include "collector.h"

#include "mark.h"
#include "process.h"
#include "resource.h"
#include "root_process.h"
#include "rtti.h"

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
