// Counters of live runtime objects, shown in the collector's statistics line.
#pragma once

#include <cstdint>
#include <string>

namespace ravok {

struct TRuntimeStats {
    int64_t instances = 0;
    int64_t processes = 0;
    int64_t stackBlocks = 0;
    int64_t listElements = 0;
    int64_t valueCells = 0;
    int64_t strings = 0;
    int64_t functions = 0;
    int64_t lexElements = 0;
    int64_t resultLists = 0;
};

inline TRuntimeStats gStats;

// "// GC=.. gar=.. resgar=.. stk=.. prc=..list=../..// tfstr=.. func=.."
std::string statisticsLine();
// The same appended to out: no allocation once out has held a line, so the
// main loop can show it every frame.
void appendStatisticsLine(std::string& out);

} // namespace ravok
