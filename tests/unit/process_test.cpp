// Processes scheduled from script through the classes.lang.Process natives,
// process creation and kill, the root process and stack marking.
#include "test_support.h"

#include "runtime/errors.h"
#include "runtime/mark.h"
#include "runtime/root_process.h"
#include "runtime/stats.h"

namespace ravok::test {
namespace {

class ProcessTest : public RuntimeTest {
protected:
    TRTTI* proc() { return core->process; }
    uint32_t native(const char* name) { return methodId(proc(), name); }
    TValue handleOf(TProcess* p) { return p->handle(); }

    // this.turns += 1; suspend();
    void emitTurn(TCodeWriter& w, uint32_t turnsField) {
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {turnsField});
        w.emitPush(TValue::ofInt(1));
        w.emit(Op_AddSubst);
        w.emit(Op_Pop);
        w.emit(Op_PushThis);
        w.emit(Op_NativeCall, {0, methodId(core->object, "suspend")});
        w.emit(Op_Pop);
    }

    // this.<field> = Process.native_init(this.<worker>, "<method>");
    void emitInit(TCodeWriter& w, uint32_t handleField, uint32_t workerField, const char* method) {
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {handleField});
        w.emitPush(TValue::null());
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {workerField});
        w.emit(Op_Deref);
        w.emitPushString(method);
        w.emit(Op_NativeCall, {2, native("native_init")});
        w.emit(Op_Subst);
        w.emit(Op_Pop);
    }

    void emitExec(TCodeWriter& w, uint32_t handleField) {
        w.emitPush(TValue::null());
        w.emit(Op_PushThis);
        w.emit(Op_SMemberValPtr, {handleField});
        w.emit(Op_Deref);
        w.emit(Op_NativeCall, {1, native("native_exec")});
        w.emit(Op_Pop);
    }

    TValue& field(uint32_t instance, TRTTI* cls, const char* name) {
        return objectAt(instance)->field(cls->fields.indexOf(intern(name)));
    }
};

TEST_F(ProcessTest, ABootLikeSchedulerRunsThreeProcessesRoundRobin) {
    TRTTI* worker = newClass({"turns", "payload"});
    uint32_t turns = 0, payload = 1;
    {
        TCodeWriter run; // run() { loop { turn } }
        uint32_t top = run.position();
        emitTurn(run, turns);
        run.patchJump(run.emitJump(Op_Jump), top);
        run.emitHalt();
        addCodeMethod(worker, "run", 0, 0, run);

        TCodeWriter shortRun; // runShort() { while (this.turns < 10) turn; }
        uint32_t head = shortRun.position();
        shortRun.emit(Op_PushThis);
        shortRun.emit(Op_SMemberValPtr, {turns});
        shortRun.emit(Op_Deref);
        shortRun.emitPush(TValue::ofInt(10));
        shortRun.emit(Op_LT);
        uint32_t done = shortRun.emitJump(Op_JumpZero);
        emitTurn(shortRun, turns);
        shortRun.patchJump(shortRun.emitJump(Op_Jump), head);
        shortRun.patchJump(done, shortRun.position());
        shortRun.emit(Op_PushThis);
        shortRun.emit(Op_Ret);
        shortRun.emitHalt();
        addCodeMethod(worker, "runShort", 0, 0, shortRun);

        TCodeWriter hold; // hold() { l0 = this.payload; loop { turn } }
        hold.emit(Op_LocalValPtr, {0});
        hold.emit(Op_PushThis);
        hold.emit(Op_SMemberValPtr, {payload});
        hold.emit(Op_Deref);
        hold.emit(Op_Subst);
        hold.emit(Op_Pop);
        uint32_t loop = hold.position();
        emitTurn(hold, turns);
        hold.patchJump(hold.emitJump(Op_Jump), loop);
        hold.emitHalt();
        addCodeMethod(worker, "hold", 0, 1, hold);
    }

    TRTTI* boot = newClass({"w1", "w2", "w3", "h1", "h2", "h3", "frames"});
    TCodeWriter body;
    emitInit(body, 3, 0, "run");
    emitInit(body, 4, 1, "runShort");
    emitInit(body, 5, 2, "hold");
    uint32_t frame = body.position();
    emitExec(body, 3);
    emitExec(body, 4);
    emitExec(body, 5);
    emitTurn(body, 6);
    body.patchJump(body.emitJump(Op_Jump), frame);
    body.emitHalt();
    setMainBody(boot, body);

    TRTTI* thing = newClass();
    uint32_t item = allocateInstance(thing);
    uint32_t bootInstance = allocateInstance(boot);
    uint32_t workers[3];
    for (int i = 0; i < 3; ++i) {
        workers[i] = allocateInstance(worker);
        setObject(objectAt(bootInstance)->field(i), workers[i]);
        objectAt(workers[i])->field(turns) = TValue::ofInt(0);
    }
    setObject(objectAt(workers[2])->field(payload), item);
    objectAt(bootInstance)->field(6) = TValue::ofInt(0);
    int32_t holderBefore = objectAt(workers[2])->refcount;
    int32_t itemBefore = objectAt(item)->refcount;

    TProcess* root = createProcess(TValue::ofObject(bootInstance), {}, std::string_view());
    processes.push_back(root);
    for (int f = 0; f < 1000; ++f)
        run(root);

    EXPECT_TRUE(reporter.errors.empty()) << reporter.errors.front();
    EXPECT_EQ(objectAt(bootInstance)->field(6).i, 1000);
    EXPECT_EQ(objectAt(workers[0])->field(turns).i, 1000);
    EXPECT_EQ(objectAt(workers[1])->field(turns).i, 10);
    EXPECT_EQ(objectAt(workers[2])->field(turns).i, 1000);
    EXPECT_FALSE(Preempted);

    TValue h1 = objectAt(bootInstance)->field(3), h2 = objectAt(bootInstance)->field(4),
           h3 = objectAt(bootInstance)->field(5);
    EXPECT_EQ(valueToText(callNative(proc(), "native_halted", TValue::null(), {h1})), "0");
    EXPECT_EQ(valueToText(callNative(proc(), "native_halted", TValue::null(), {h2})), "1");

    // The third process holds its worker twice (the receiver slot, and the
    // result of suspend() waiting to be popped) and the payload (a local).
    EXPECT_EQ(objectAt(workers[2])->refcount, holderBefore + 2);
    EXPECT_EQ(objectAt(item)->refcount, itemBefore + 1);
    callNative(proc(), "native_kill", TValue::null(), {h3});
    EXPECT_EQ(objectAt(workers[2])->refcount, holderBefore);
    EXPECT_EQ(objectAt(item)->refcount, itemBefore);
    EXPECT_EQ(valueToText(callNative(proc(), "native_halted", TValue::null(), {h3})), "1");
    run(root); // a killed process is skipped; the others go on
    EXPECT_EQ(objectAt(workers[2])->field(turns).i, 1000);
    EXPECT_EQ(objectAt(workers[0])->field(turns).i, 1001);

    for (TValue h : {h1, h2, h3})
        callNative(proc(), "native_free", TValue::null(), {h});
    // A freed process reads as ended (its Process object may outlive the
    // free); a number that was never a handle is still refused.
    EXPECT_EQ(valueToText(callNative(proc(), "native_halted", TValue::null(), {h1})), "1");
    EXPECT_THROW(callNative(proc(), "native_halted", TValue::null(), {TValue::ofNative(h1.u)}),
                 ERunError);
}

TEST_F(ProcessTest, AFailedProcessReportsHalted) {
    TRTTI* cls = newClass();
    TCodeWriter bad;
    bad.emitPush(TValue::ofInt(1));
    bad.emitPush(TValue::ofInt(0));
    bad.emit(Op_Div);
    bad.emit(Op_Ret);
    bad.emitHalt();
    addCodeMethod(cls, "fail", 0, 0, bad);
    TValue h =
        callNative(proc(), "native_init", TValue::null(),
                   {TValue::ofObject(allocateInstance(cls)), TValue::ofObject(makeString("fail"))});
    ASSERT_EQ(h.kind, vtNative);
    EXPECT_EQ(valueToText(callNative(proc(), "native_halted", TValue::null(), {h})), "0");
    callNative(proc(), "native_exec", TValue::null(), {h});
    TProcess* p = hostObjectAs<TProcess>(h, "process");
    EXPECT_EQ(p->exitState, 2);
    TValue halted = callNative(proc(), "native_halted", TValue::null(), {h});
    EXPECT_EQ(halted.kind, vtFloat);
    EXPECT_EQ(halted.f, 1.0f);
    EXPECT_EQ(reporter.errors, std::vector<std::string>{"Division by zero"});
    callNative(proc(), "native_free", TValue::null(), {h});
}

TEST_F(ProcessTest, TheCreatorSeesAnUnknownMethod) {
    TRTTI* target = newClass();
    TRTTI* creator = newClass({"w"});
    TCodeWriter w;
    w.emitPush(TValue::null());
    w.emit(Op_PushThis);
    w.emitPushString("fly");
    w.emit(Op_NativeCall, {2, native("native_init")});
    w.emit(Op_Ret);
    w.emitHalt();
    (void)target;
    TProcess* p = startMain(creator, w);
    int64_t before = gStats.processes;
    run(p);
    EXPECT_EQ(p->exitState, 2);
    EXPECT_EQ(reporter.errors, std::vector<std::string>{"Methodfly is undefined."});
    EXPECT_EQ(gStats.processes, before);
}

TEST_F(ProcessTest, CurrentProcessAndForgedHandles) {
    TRTTI* cls = newClass();
    TCodeWriter w; // return currentProcess();
    w.emit(Op_PushThis);
    w.emit(Op_NativeCall, {0, methodId(core->object, "currentProcess")});
    w.emit(Op_Ret);
    w.emitHalt();
    TProcess* p = startMain(cls, w);
    run(p);
    ASSERT_TRUE(p->result);
    EXPECT_EQ(p->result->kind, vtNative);
    EXPECT_EQ(p->result->u, p->hostId());
    EXPECT_EQ(callNative(core->object, "currentProcess", TValue::ofInt(1), {}).kind, vtNull);

    TCodeWriter f; // native_exec(TObject(12345))
    f.emitPush(TValue::null());
    f.emitPush(TValue::ofNative(12345));
    f.emit(Op_NativeCall, {1, native("native_exec")});
    f.emitHalt();
    runMain(f);
    EXPECT_EQ(last->exitState, 2);
    EXPECT_EQ(reporter.errors, std::vector<std::string>{"12345 is not a valid process handle."});
}

TEST_F(ProcessTest, ANativeCannotRunTheProcessThatCalledIt) {
    TCodeWriter w; // native_exec(currentProcess()); return 7;
    w.emitPush(TValue::null());
    w.emit(Op_PushThis);
    w.emit(Op_NativeCall, {0, methodId(core->object, "currentProcess")});
    w.emit(Op_NativeCall, {1, native("native_exec")});
    w.emit(Op_Pop);
    w.emitPush(TValue::ofInt(7));
    w.emit(Op_Ret);
    w.emitHalt();
    EXPECT_EQ(valueToText(runMain(w)), "7");
}

TEST_F(ProcessTest, AProcessMayKillAndFreeItself) {
    TCodeWriter w; // native_free(currentProcess()); this.never = 1;
    w.emitPush(TValue::null());
    w.emit(Op_PushThis);
    w.emit(Op_NativeCall, {0, methodId(core->object, "currentProcess")});
    w.emit(Op_NativeCall, {1, native("native_free")});
    w.emit(Op_Pop);
    w.emitPush(TValue::ofInt(1));
    w.emitPush(TValue::ofInt(0));
    w.emit(Op_Div); // never reached
    w.emitHalt();
    TRTTI* cls = newClass();
    setMainBody(cls, w);
    int64_t before = gStats.processes;
    TProcess* p = createProcess(TValue::ofObject(allocateInstance(cls)), {}, std::string_view());
    run(p); // frees p on the way out
    EXPECT_EQ(gStats.processes, before);
    EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(ProcessTest, BreakExecEndsTheSliceAndEntersTheHold) {
    static int holds;
    holds = 0;
    TScopedHold hold([] {
        ++holds;
        StepBudget = kUnlimitedBudget;
    });
    TCodeWriter w; // breakExec(); return 3;
    w.emit(Op_PushThis);
    w.emit(Op_NativeCall, {0, methodId(core->object, "breakExec")});
    w.emit(Op_Pop);
    w.emitPush(TValue::ofInt(3));
    w.emit(Op_Ret);
    w.emitHalt();
    TProcess* p = startMain(newClass(), w);
    run(p); // the slice ends in the hold, and the run call with it
    EXPECT_EQ(holds, 1);
    EXPECT_FALSE(p->finished);
    EXPECT_TRUE(Preempted);
    run(p);
    ASSERT_TRUE(p->result);
    EXPECT_EQ(valueToText(*p->result), "3");
    EXPECT_EQ(holds, 1);
}

TEST_F(ProcessTest, SetStackSizeAppliesToProcessesCreatedAfterwards) {
    TRTTI* cls = newClass();
    uint32_t inst = allocateInstance(cls);
    callNative(core->system, "_n_setStackSize", TValue::null(), {TValue::ofInt(4096)});
    TProcess* p = createProcess(TValue::ofObject(inst), {}, std::string_view());
    processes.push_back(p);
    EXPECT_EQ(p->stackSize, 4096);
    callNative(core->system, "_n_setStackSize", TValue::null(), {TValue::ofInt(16)});
    EXPECT_THROW(createProcess(TValue::ofObject(inst), {}, std::string_view()), ERunError);
    callNative(core->system, "_n_setStackSize", TValue::null(), {});
    EXPECT_EQ(DefaultStackSize, 16); // too few arguments: nothing happens
    DefaultStackSize = 1024;
}

TEST_F(ProcessTest, CreationPlacesTheFrameAtTheEndOfTheBlock) {
    TRTTI* cls = newClass();
    TCodeWriter m;
    m.emit(Op_PushThis);
    m.emit(Op_Ret);
    m.emitHalt();
    addCodeMethod(cls, "two", 2, 3, m);
    int64_t processesBefore = gStats.processes, blocksBefore = gStats.stackBlocks;
    TProcess* p = createProcess(TValue::ofObject(allocateInstance(cls)),
                                {TValue::ofInt(1), TValue::ofInt(2)}, "two");
    EXPECT_EQ(gStats.processes, processesBefore + 1);
    EXPECT_EQ(gStats.stackBlocks, blocksBefore + 1);
    uint8_t* end = p->stackBlock + 1024;
    EXPECT_EQ(p->thisSlot, end - 8);
    EXPECT_EQ(p->fp, end - 8 * 2 - 48);
    EXPECT_EQ(p->sp, p->fp - 8 * 2);
    EXPECT_EQ(p->slot(end - 16)->i, 1); // argument 0
    EXPECT_EQ(p->slot(end - 24)->i, 2); // argument 1
    EXPECT_EQ(frame::get(p->fp, frame::kArgc), 2u);
    EXPECT_EQ(frame::get(p->fp, frame::kReceiver), arenaOffset(end - 8));
    EXPECT_EQ(frame::get(p->fp, frame::kCallerFp), 0u);
    freeProcess(p);
    EXPECT_EQ(gStats.processes, processesBefore);
    EXPECT_EQ(gStats.stackBlocks, blocksBefore);
    EXPECT_THROW(createProcess(TValue::ofObject(allocateInstance(cls)), {}, "constructor"),
                 ERunError);
}

class RootProcessTest : public ProcessTest {
protected:
    void TearDown() override {
        TRootProcess::instance().stop();
        ProcessTest::TearDown();
    }
};

TEST_F(RootProcessTest, StartRunsBootExecuteAndStopFreesIt) {
    TRTTI* boot = newClass({"mode"});
    boot->name = "Boot";
    for (const char* method : {"execute", "design"}) {
        TCodeWriter m; // this.mode = "<method>"; suspend(); ...
        m.emit(Op_PushThis);
        m.emit(Op_SMemberValPtr, {0});
        m.emitPushString(method);
        m.emit(Op_Subst);
        m.emit(Op_Pop);
        m.emit(Op_PushThis);
        m.emit(Op_Ret);
        m.emitHalt();
        addCodeMethod(boot, method, 0, 0, m);
    }
    TRootProcess& root = TRootProcess::instance();
    ASSERT_TRUE(root.start(TRunMode::Run));
    EXPECT_FALSE(root.designMode());
    run(root.process());
    EXPECT_EQ(valueToText(objectAt(boot->pool.at(0))->field(0)), "execute");
    root.stop();
    EXPECT_EQ(root.process(), nullptr);
    ASSERT_TRUE(root.start(TRunMode::Design));
    EXPECT_TRUE(root.designMode());
    run(root.process());
    EXPECT_EQ(valueToText(objectAt(boot->pool.at(0))->field(0)), "design");
}

TEST_F(RootProcessTest, WithoutBootOrItsMethodThereIsNoRootProcess) {
    EXPECT_FALSE(TRootProcess::instance().start(TRunMode::Run));
    EXPECT_TRUE(reporter.errors.empty());
    TRTTI* boot = newClass();
    boot->name = "Boot";
    EXPECT_FALSE(TRootProcess::instance().start(TRunMode::Run));
    EXPECT_EQ(TRootProcess::instance().process(), nullptr);
    EXPECT_EQ(reporter.errors, std::vector<std::string>{"Methodexecute is undefined."});
}

TEST_F(ProcessTest, MarkingAStackCountsEveryReferenceOnIt) {
    TRTTI* cls = newClass({"next", "seen"});
    TCodeWriter gc; // gc_mark() { this.seen += 1; return this; }
    gc.emit(Op_PushThis);
    gc.emit(Op_SMemberValPtr, {1});
    gc.emitPush(TValue::ofInt(1));
    gc.emit(Op_AddSubst);
    gc.emit(Op_Pop);
    gc.emit(Op_PushThis);
    gc.emit(Op_Ret);
    gc.emitHalt();
    addCodeMethod(cls, "gc_mark", 0, 0, gc);
    // A chain a -> b -> c, and a process whose receiver and argument are a.
    uint32_t held[3];
    for (uint32_t& x : held) { // counted, or the next allocation would reuse the record
        x = allocateInstance(cls);
        ++objectAt(x)->refcount;
        objectAt(x)->field(1) = TValue::ofInt(0);
    }
    uint32_t a = held[0], b = held[1], c = held[2];
    setObject(objectAt(a)->field(0), b);
    setObject(objectAt(b)->field(0), c);
    TCodeWriter m;
    m.emit(Op_PushThis);
    m.emit(Op_Ret);
    m.emitHalt();
    addCodeMethod(cls, "idle", 1, 0, m);
    TProcess* p = createProcess(TValue::ofObject(a), {TValue::ofObject(a)}, "idle");
    processes.push_back(p);
    markProcessStack(p);
    EXPECT_EQ(objectAt(a)->marks, 2);
    EXPECT_EQ(objectAt(b)->marks, 1);
    EXPECT_EQ(objectAt(c)->marks, 1);
    for (uint32_t x : {a, b, c})
        EXPECT_EQ(objectAt(x)->field(1).i, 1); // gc_mark ran once each
    callNative(proc(), "native_proc_mark", TValue::null(), {p->handle()});
    EXPECT_EQ(objectAt(a)->marks, 4);
    p->kill();
    markProcessStack(p); // released: skipped
    EXPECT_EQ(objectAt(a)->marks, 4);
}

} // namespace
} // namespace ravok::test
