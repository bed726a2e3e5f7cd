// The reporter of the kernel tests: it keeps every error text, so a test can
// check what was reported and fail on anything it did not expect.
#pragma once

#include "base/reporter.h"

#include <string>
#include <vector>

namespace ravok {

class TRecording : public TReporter {
public:
    void notice(const std::string&, const TTrace&) override {}
    bool readsNoticeTraces() const override { return false; }
    void reportError(const std::string& text, const TTrace&) override { errors.push_back(text); }
    std::vector<std::string> errors;
};

} // namespace ravok
