#include "runtime/stats.h"

#include "runtime/arena.h"

#include <charconv>
#include <utility>

namespace ravok {

void appendStatisticsLine(std::string& out) {
    const TRuntimeStats& s = gStats;
    const std::pair<const char*, int64_t> parts[] = {
        {"// GC=", int64_t(TArena::instance().blocksAllocated())},
        {" gar=", s.lexElements},
        {" resgar=", s.resultLists},
        {" stk=", s.stackBlocks},
        {" prc=", s.processes},
        {"list=", s.listElements},
        {"/", s.valueCells},
        {"// tfstr=", s.strings},
        {" func=", s.functions}};
    for (const auto& [label, value] : parts) {
        char digits[24];
        out += label;
        out.append(digits,
                   size_t(std::to_chars(digits, digits + sizeof digits, value).ptr - digits));
    }
}

std::string statisticsLine() {
    std::string line;
    appendStatisticsLine(line);
    return line;
}

} // namespace ravok
