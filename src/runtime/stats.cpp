#include "runtime/stats.h"

#include "runtime/arena.h"

namespace ravok {

std::string statisticsLine() {
    auto n = [](int64_t v) { return std::to_string(v); };
    const TRuntimeStats& s = gStats;
    return "// GC=" + n(int64_t(TArena::instance().blocksAllocated())) +
           " gar=" + n(s.lexElements) + " resgar=" + n(s.resultLists) + " stk=" + n(s.stackBlocks) +
           " prc=" + n(s.processes) + "list=" + n(s.listElements) + "/" + n(s.valueCells) +
           "// tfstr=" + n(s.strings) + " func=" + n(s.functions);
}

} // namespace ravok
