// A reporter that drops every message, for fuzz targets: bad input is
// expected to be reported, and the reports are not what is being tested.
#pragma once

#include "base/reporter.h"

namespace ravok::fuzz {

class TSilentReporter : public TReporter {
public:
    void notice(const std::string&, const TTrace&) override {}
    bool readsNoticeTraces() const override { return false; }
    void reportError(const std::string&, const TTrace&) override {}
};

inline void silence() {
    static TSilentReporter silent;
    setReporter(&silent);
}

} // namespace ravok::fuzz
