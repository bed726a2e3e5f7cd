// A script's print is a notice with the call trace of the printing process,
// built only for a reporter that reads notice traces.
#include "compiler/evaluator.h"

#include "base/reporter.h"

#include "kernel_fixture.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

class TTraceKeeper : public TReporter {
public:
    explicit TTraceKeeper(bool reads) : reads_(reads) {}
    void notice(const std::string& text, const TTrace& trace) override {
        if (text == "printed") traces.push_back(trace);
    }
    void reportError(const std::string& text, const TTrace&) override { errors.push_back(text); }
    bool readsNoticeTraces() const override { return reads_; }
    std::vector<TTrace> traces;
    std::vector<std::string> errors;

private:
    bool reads_;
};

class PrintTest : public KernelTest {};

TEST_F(PrintTest, APrintCarriesItsTraceOnlyWhereTheReporterReadsIt) {
    for (bool reads : {true, false}) {
        TTraceKeeper keeper(reads);
        TReporter* previous = setReporter(&keeper);
        int status = evaluate("extends Object; function say() { print(\"printed\"); } say();");
        setReporter(previous);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(keeper.errors.empty());
        ASSERT_EQ(keeper.traces.size(), 1u) << "reads " << reads;
        if (reads) {
            // The method that printed, then the body that called it.
            ASSERT_GE(keeper.traces[0].size(), 2u);
            EXPECT_NE(keeper.traces[0][0].where.find("say"), std::string::npos)
                << keeper.traces[0][0].where;
        } else {
            EXPECT_TRUE(keeper.traces[0].empty());
        }
    }
}

} // namespace
} // namespace ravok
