// An error as the author reads it: the innermost position in the author's own
// code (kernel frames are skipped for it), the message, the source line with
// a marker under the column, and the call trace, innermost first. The
// terminal and the window's error box show the same report.
#pragma once

#include "base/reporter.h"

#include <map>
#include <string>
#include <vector>

namespace ravok {

struct TReportFrame {
    std::string file; // as shown: the command line's name, else the host path
    int line = 0;
    int column = 0;
    std::string where; // "Ship.move", or empty
    bool kernel = false;
};

struct TErrorReport {
    std::string message; // UTF-8, program paths in host form
    // What followed the message's first line (what became of the process,
    // a hint), printed after the source excerpt.
    std::string note;
    bool positioned = false;
    TReportFrame at;        // when positioned: where the author looks
    std::string sourceLine; // that line of source (UTF-8)
    std::string marker;     // spaces and tabs up to its column, then ^
    std::vector<TReportFrame> trace;

    // "FILE:LINE:COL: message", or "ravok: message" without a position.
    std::string headline() const;
    // The source line and a marker line under its column, or nothing.
    std::string excerpt() const;
    // One line a frame, innermost first; kernel frames say so. Empty when
    // the trace holds the one position the headline names already.
    std::vector<std::string> traceLines() const;
    // All of it, as the terminal prints it (ends with a line feed).
    std::string text() const;
};

// shownNames maps a program path to the name the user gave for it.
TErrorReport makeErrorReport(const std::string& text, const TTrace& trace,
                             const std::map<std::string, std::string>& shownNames = {});

// The message in UTF-8 with every program path in it written as a host path.
std::string hostFormMessage(const std::string& text);

// Whether a program path lies in the kernel bundle of the program directory.
bool isKernelSource(const std::string& programPath);

} // namespace ravok
