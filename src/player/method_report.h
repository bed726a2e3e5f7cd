// The method profiler's table as people read it: one row a script method,
// by its own time, with where the method is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ravok {

struct TMethodRow {
    std::string method; // "Hero.move", or "Hero" for the class's main body (UTF-8)
    std::string place;  // "FILE:LINE" of the method, the file as a host path
    uint64_t calls = 0;
    double selfMs = 0;
    double selfPercent = 0; // of every method's own time together
    double totalMs = 0;     // with the methods it called
    uint64_t instructions = 0;
};

// Sorted by own time, the largest first.
std::vector<TMethodRow> methodRows();

// Turns the profiler on (with what it counted so far cleared) or off.
void setMethodProfiling(bool on);
// Clears what the profiler counted.
void resetMethodProfile();

} // namespace ravok
