// The command-line reporter: an error or warning as FILE:LINE:COL: message
// when its trace names a source position, else "ravok: message", on standard
// error; it counts what it reported, for the exit status.
#pragma once

#include "base/reporter.h"

#include <map>
#include <string>

namespace ravok {

class TPositionReporter : public TReporter {
public:
    // Program path -> the name to show (as given on the command line).
    std::map<std::string, std::string> shownNames;
    int errors = 0;

    void notice(const std::string&, const TTrace&) override {}
    bool readsNoticeTraces() const override { return false; }
    void reportError(const std::string& text, const TTrace& trace) override;
};

} // namespace ravok
