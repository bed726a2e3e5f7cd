#include "runtime/stats.h"

#include "runtime/arena.h"

#include <charconv>

namespace ravok {

void appendStatisticsLine(std::string& out) {
    auto n = [&](int64_t v) {
        char digits[24];
        auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
        out.append(digits, size_t(end - digits));
    };
    const TRuntimeStats& s = gStats;
    out += "// GC=";
    n(int64_t(TArena::instance().blocksAllocated()));
    out += " gar=";
    n(s.lexElements);
    out += " resgar=";
    n(s.resultLists);
    out += " stk=";
    n(s.stackBlocks);
    out += " prc=";
    n(s.processes);
    out += "list=";
    n(s.listElements);
    out += "/";
    n(s.valueCells);
    out += "// tfstr=";
    n(s.strings);
    out += " func=";
    n(s.functions);
}

std::string statisticsLine() {
    std::string line;
    appendStatisticsLine(line);
    return line;
}

} // namespace ravok
