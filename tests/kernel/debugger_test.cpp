// The debugger's hold with the real kernel: a window stand-in whose event
// pump presses the buttons a developer would, and what the hold shows.
#include "player/debugger.h"

#include "resources/host_files.h"
#include "runtime/code_traps.h"
#include "runtime/interpreter.h"
#include "runtime/native_api.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/resource.h"
#include "runtime/root_process.h"
#include "runtime/rtti.h"
#include "runtime/runtime_natives.h"
#include "runtime/value_ops.h"
#include "runtime/wrapper_inlining.h"

#include "kernel_fixture.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>

namespace ravok {

bool compileForTest(TRTTI* c, const std::string& source);

namespace {

// Presses whatever the test says on every pump, and keeps each hold's view.
class TScriptedWindow : public TDebugWindow {
public:
    bool present() override { return true; }
    void showHold(const THoldView& view) override { holds.push_back(view); }
    bool pump() override {
        if (press) press(int(holds.size()));
        return true;
    }
    std::vector<THoldView> holds;
    std::function<void(int)> press;
};

class DebuggerTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        setDebugWindow(&window);
        setDebugHold(&TDebugger::instance());
    }
    void TearDown() override {
        setDebugWindow(nullptr);
        setDebugHold(nullptr);
        StepBudget = kUnlimitedBudget;
        KernelTest::TearDown();
    }
    // A process running the main body of a class compiled from source.
    TProcess* processOf(const std::string& name, const std::string& source) {
        TResource* lang = resourceRoot()->lookup("classes.lang");
        auto* c = new TRTTI(name);
        lang->addChild(std::unique_ptr<TResource>(c));
        TAlias::instance().add(name, c);
        c->aliasRegistered = true;
        EXPECT_TRUE(compileForTest(c, source)) << source;
        uint32_t instance = allocateInstance(c);
        TProcess* p = createProcess(TValue::ofObject(instance), {}, nullptr);
        p->hostOwned = true;
        return p;
    }
    // A class compiled from a source written to the host file `host`, so
    // that breakpoints can name its lines; nullptr if it did not compile.
    TRTTI* classFromFile(const char* name, const std::string& host, const std::string& source) {
        {
            std::ofstream file(host, std::ios::binary);
            file << source;
        }
        auto* c = new TRTTI(name);
        c->sourceFile = fromHostPath(host);
        resourceRoot()->lookup("classes.lang")->addChild(std::unique_ptr<TResource>(c));
        TAlias::instance().add(name, c);
        c->aliasRegistered = true;
        return compileForTest(c, source) ? c : nullptr;
    }
    TScriptedWindow window;
};

TEST_F(DebuggerTest, NothingHoldsWhileTheBudgetIsUnlimited) {
    TProcess* p = processOf("LongLoop", "extends Object; n = 0; while (n < 300000) n++;");
    int runs = 0;
    while (!p->finished && runs < 1000) {
        run(p, kUnlimitedBudget);
        ++runs;
    }
    EXPECT_TRUE(p->finished);
    EXPECT_GT(runs, 1); // the loop took more than one frame's budget
    EXPECT_TRUE(window.holds.empty());
    freeProcess(p);
}

TEST_F(DebuggerTest, StepRunsOneInstructionAndHoldsAgain) {
    TProcess* p = processOf("Steps", "extends Object; a = 1; b = 2; c = a + b; d = c * 2;");
    window.press = [](int holds) {
        if (holds < 4)
            debugStep();
        else
            debugRun();
    };
    StepBudget = 1;
    run(p, kUnlimitedBudget);
    ASSERT_EQ(window.holds.size(), 4u);
    for (size_t i = 1; i < window.holds.size(); ++i) {
        EXPECT_EQ(window.holds[i].listingLine, window.holds[i - 1].listingLine + 1) << i;
        EXPECT_EQ(window.holds[i].functions, std::vector<std::string>{"- Main -"});
    }
    // The stack dump's top follows the instructions: each hold ends with the
    // separator, the top value and the stack index.
    const auto& last = window.holds.back().stack;
    ASSERT_GE(last.size(), 3u);
    EXPECT_EQ(last[last.size() - 3], "-----------");
    EXPECT_EQ(last.back().rfind("proc.sp =", 0), 0u);
    bool topChanged = false;
    for (size_t i = 1; i < window.holds.size(); ++i) {
        const auto& a = window.holds[i - 1].stack;
        const auto& b = window.holds[i].stack;
        topChanged = topChanged || a[a.size() - 2] != b[b.size() - 2] || a.back() != b.back();
    }
    EXPECT_TRUE(topChanged);
    // Run released the hold for free running: the next run goes to the end.
    EXPECT_EQ(StepBudget, kUnlimitedBudget);
    run(p, kUnlimitedBudget);
    EXPECT_TRUE(p->finished);
    EXPECT_EQ(window.holds.size(), 4u);
    freeProcess(p);
}

TEST_F(DebuggerTest, StopFinishesTheHeldProcess) {
    TProcess* p = processOf("Stopped", "extends Object; n = 0; while (1) { n++; breakExec(); }");
    window.press = [](int) { debugStop(); };
    run(p, kUnlimitedBudget);
    EXPECT_EQ(window.holds.size(), 1u);
    EXPECT_TRUE(p->finished);
    // A finished process runs nothing more.
    EXPECT_EQ(run(p, kUnlimitedBudget), 0);
    EXPECT_TRUE(stackDump(p).empty());
    StepBudget = kUnlimitedBudget;
    freeProcess(p);
}

// Stop on the root process leaves nothing to run: the frames that follow run
// no instruction until a page starts a root process again.
TEST_F(DebuggerTest, StoppingTheRootProcessEmptiesLaterFramesUntilAPageStarts) {
    TRootProcess& root = TRootProcess::instance();
    ASSERT_TRUE(root.start(TRunMode::Run));
    window.press = [](int) { debugStop(); };
    StepBudget = 1;
    run(root.process(), kUnlimitedBudget);
    EXPECT_EQ(window.holds.size(), 1u);
    ASSERT_TRUE(root.process());
    EXPECT_TRUE(root.process()->finished);
    StepBudget = kUnlimitedBudget;
    auto before = InstructionsRun;
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_EQ(run(root.process(), kUnlimitedBudget), 0) << frame;
    EXPECT_EQ(InstructionsRun, before);
    // Loading a page stops the old root and starts a new one, which runs.
    root.stop();
    ASSERT_TRUE(root.start(TRunMode::Run));
    window.press = nullptr;
    run(root.process(), kUnlimitedBudget);
    EXPECT_GT(InstructionsRun, before);
    EXPECT_EQ(window.holds.size(), 1u);
    root.stop();
}

TEST_F(DebuggerTest, ExitEndsTheSliceWithoutHolding) {
    TProcess* p = processOf("Leaving", "extends Object; n = 1; s = new System(); s.exit(); n = 2;");
    window.press = [](int) { debugRun(); };
    run(p, kUnlimitedBudget);
    EXPECT_TRUE(window.holds.empty());
    EXPECT_EQ(StepBudget, kUnlimitedBudget);
    gProgramExitRequested = false;
    freeProcess(p);
}

TEST_F(DebuggerTest, TheStackDumpListsEachFrameInnermostFirst) {
    TProcess* p = processOf("TwoFrames", "extends Object; r = twice(21);\n"
                                         "function twice(x) { breakExec(); return x * 2; }");
    std::vector<std::string> dump;
    window.press = [&](int) {
        dump = stackDump(CurrentProcess);
        debugRun();
    };
    run(p, kUnlimitedBudget);
    ASSERT_FALSE(dump.empty());
    // stacks, ..., args/this 1, the argument, this; stacks, ..., args/this 0,
    // this; -----------, the top.
    std::vector<size_t> stacks, args;
    for (size_t i = 0; i < dump.size(); ++i) {
        if (dump[i] == "stacks") stacks.push_back(i);
        if (dump[i].rfind("args/this ", 0) == 0) args.push_back(i);
    }
    ASSERT_EQ(stacks.size(), 2u);
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(stacks[0], 0u);
    EXPECT_EQ(dump[args[0]], "args/this 1");
    EXPECT_EQ(dump[args[0] + 1], "int 21");
    EXPECT_EQ(dump[args[0] + 2].rfind("object ", 0), 0u);
    EXPECT_EQ(stacks[1], args[0] + 3);
    EXPECT_EQ(dump[args[1]], "args/this 0");
    EXPECT_EQ(dump[args[1] + 1].rfind("object ", 0), 0u);
    EXPECT_EQ(dump[args[1] + 2], "-----------");
    EXPECT_EQ(dump.size(), args[1] + 4);
    run(p, kUnlimitedBudget); // breakExec ended the slice; the rest runs free
    EXPECT_TRUE(p->finished);
    freeProcess(p);
}

// Every slot of a frame is listed, the one at the frame pointer too: a
// method's first local, and the first operand a caller pushed.
TEST_F(DebuggerTest, TheStackDumpListsEverySlotOfAFrame) {
    TProcess* p = processOf("Locals", "extends Object; r = 5 + sum();\n"
                                      "function sum() { var a, b; a = 11; b = 22; breakExec();"
                                      " return a + b; }");
    std::vector<std::string> dump;
    window.press = [&](int) {
        dump = stackDump(CurrentProcess);
        debugRun();
    };
    run(p, kUnlimitedBudget);
    ASSERT_FALSE(dump.empty());
    size_t args = 0;
    while (args < dump.size() && dump[args].rfind("args/this ", 0) != 0)
        ++args;
    std::vector<std::string> inner(dump.begin() + 1, dump.begin() + long(args));
    EXPECT_NE(std::find(inner.begin(), inner.end(), "int 11"), inner.end())
        << ::testing::PrintToString(dump);
    EXPECT_NE(std::find(inner.begin(), inner.end(), "int 22"), inner.end())
        << ::testing::PrintToString(dump);
    // The caller's frame holds the 5 it pushed before the call.
    size_t callerStacks = args + 1;
    while (callerStacks < dump.size() && dump[callerStacks] != "stacks")
        ++callerStacks;
    ASSERT_LT(callerStacks, dump.size());
    std::vector<std::string> outer(dump.begin() + long(callerStacks) + 1, dump.end());
    EXPECT_NE(std::find(outer.begin(), outer.end(), "int 5"), outer.end())
        << ::testing::PrintToString(dump);
    run(p, kUnlimitedBudget);
    EXPECT_TRUE(p->finished);
    freeProcess(p);
}

// `x += 3; if (x >= 6)` runs as one superinstruction across the two
// statements: a breakpoint on the second must still hold every round, and
// the code must come back byte for byte once the breakpoint is gone.
TEST_F(DebuggerTest, ABreakpointInsideAFusedSequenceHoldsEveryRound) {
    const std::string source = "extends Object; x = 0; hits = 0; while (x < 12) { x += 3;\n"
                               "if (x >= 6) hits++; } $fusedHits = hits;\n";
    std::string host = ::testing::TempDir() + "Fused.ravok";
    TRTTI* c = classFromFile("Fused", host, source);
    ASSERT_TRUE(c);
    TCompiledInfo& code = *c->initCode;
    std::vector<uint8_t> before(code.codePtr(), code.codePtr() + code.size());
    TSourceDebugger& debugger = TSourceDebugger::instance();
    debugger.addBreakpoint(host, 2);
    EXPECT_EQ(trappedOffsets(code).size(), 1u);
    EXPECT_EQ(debugger.statementLines(host).count(2), 1u);
    window.press = [](int) { TSourceDebugger::instance().resume(); };
    TProcess* p = createProcess(TValue::ofObject(allocateInstance(c)), {}, nullptr);
    p->hostOwned = true;
    for (int i = 0; i < 10 && !p->finished; ++i)
        run(p, kUnlimitedBudget);
    EXPECT_TRUE(p->finished);
    ASSERT_EQ(window.holds.size(), 4u); // x = 3, 6, 9, 12
    for (const THoldView& hold : window.holds) {
        EXPECT_EQ(hold.reason, TStopReason::Breakpoint);
        EXPECT_EQ(hold.place.line, 2);
    }
    TValue* hits = native::globalCell("$fusedHits");
    ASSERT_TRUE(hits);
    EXPECT_EQ(valueToText(*hits), "3");
    debugger.reset();
    EXPECT_TRUE(trappedOffsets(code).empty());
    EXPECT_EQ(std::vector<uint8_t>(code.codePtr(), code.codePtr() + code.size()), before);
    freeProcess(p);
}

TEST_F(DebuggerTest, ABreakpointInAListMethodThatRanInPlaceHoldsEveryCall) {
    // A method in the shape of Array.get runs in place at its calls, until a
    // breakpoint in it: then every call enters it and holds.
    const std::string peeker = "extends Array;\nfunction peek(i) {\n"
                               "    return native_get(_x, i);\n}\n";
    std::string host = ::testing::TempDir() + "Peeker.ravok";
    ASSERT_TRUE(classFromFile("Peeker", host, peeker));
    const std::string loop = "extends Object; a = new Peeker(); a.add(5); s = 0;\n"
                             "for (i = 0; i < 4; i++) s += a.peek(0); $peeked = s;\n";
    auto runLoop = [&](const std::string& name) {
        TProcess* p = processOf(name, loop);
        for (int i = 0; i < 10 && !p->finished; ++i)
            run(p, kUnlimitedBudget);
        EXPECT_TRUE(p->finished);
        freeProcess(p);
        TValue* peeked = native::globalCell("$peeked");
        return peeked ? valueToText(*peeked) : std::string("?");
    };
    uint64_t before = gInPlaceRuns;
    EXPECT_EQ(runLoop("PeekLoop"), "20");
    EXPECT_GT(gInPlaceRuns, before);
    TSourceDebugger& debugger = TSourceDebugger::instance();
    debugger.addBreakpoint(host, 3);
    window.press = [](int) { TSourceDebugger::instance().resume(); };
    before = gInPlaceRuns;
    EXPECT_EQ(runLoop("PeekLoopAgain"), "20");
    EXPECT_EQ(window.holds.size(), 4u);
    for (const THoldView& hold : window.holds)
        EXPECT_EQ(hold.place.line, 3);
    EXPECT_EQ(gInPlaceRuns, before) << "no call ran in place past the breakpoint";
    debugger.reset();
}

} // namespace
} // namespace ravok
