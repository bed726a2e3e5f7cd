#include "runtime/root_process.h"

#include "runtime/collector.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/rtti.h"

#include "base/reporter.h"

namespace ravok {

TRootProcess& TRootProcess::instance() {
    static TRootProcess root;
    return root;
}

bool TRootProcess::start(TRunMode mode) {
    if (process_) stop();
    designMode_ = mode == TRunMode::Design;
    TRTTI* boot = resolveClassPath("classes.lang.Boot");
    if (!boot) boot = resolveClassPath("Boot");
    if (!boot) return false;
    try {
        uint32_t instance = allocateInstance(boot);
        process_ =
            createProcess(TValue::ofObject(instance), {}, designMode_ ? "design" : "execute");
        process_->hostOwned = true;
    } catch (const std::exception& e) {
        ReportError(e.what());
        process_ = nullptr;
        return false;
    }
    return true;
}

void TRootProcess::stop() {
    freeProcess(process_);
    process_ = nullptr;
    collect();
}

} // namespace ravok
