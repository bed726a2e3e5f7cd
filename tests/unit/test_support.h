// Shared fixture for the runtime's unit tests: the bootstrap core classes, a
// reporter that records what would have been shown, and helpers that build a
// class around a hand-assembled main body and run it.
#pragma once

#include "runtime/class_builder.h"
#include "runtime/interpreter.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/native_binding.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/symbols.h"
#include "runtime/tf_string.h"
#include "runtime/value_ops.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ravok::test {

class TRecordingReporter : public TReporter {
public:
    void notice(const std::string& text, const TTrace&) override { notices.push_back(text); }
    // A report's first line is its message; what follows (that the object's
    // process ended) is kept apart, so that messages compare as they are.
    void reportError(const std::string& text, const TTrace& trace) override {
        size_t nl = text.find('\n');
        errors.push_back(text.substr(0, nl));
        notes.push_back(nl == std::string::npos ? std::string() : text.substr(nl + 1));
        traces.push_back(trace);
    }
    std::vector<std::string> errors;
    std::vector<std::string> notes;
    std::vector<TTrace> traces;
    std::vector<std::string> notices;
};

class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        core = &bootstrapCoreClasses();
        previousReporter = setReporter(&reporter);
        clearLastWarning();
        Preempted = false;
        StepBudget = kUnlimitedBudget;
        DefaultStackSize = 1024;
    }

    void TearDown() override {
        for (TProcess* p : processes)
            freeProcess(p);
        for (TRTTI* c : classes)
            delete c;
        setReporter(previousReporter);
        StepBudget = kUnlimitedBudget;
    }

    TRTTI* newClass(std::initializer_list<const char*> fields = {}, TRTTI* superclass = nullptr) {
        TRTTI* c = makeClass("T" + std::to_string(++classCounter),
                             superclass ? superclass : core->object, fields);
        classes.push_back(c);
        return c;
    }

    // A process running the main body of a fresh instance of cls.
    TProcess* startMain(TRTTI* cls, const TCodeWriter& body, bool fuse = true) {
        setMainBody(cls, body, fuse);
        uint32_t instance = allocateInstance(cls);
        TProcess* p = createProcess(TValue::ofObject(instance), {}, std::string_view());
        processes.push_back(p);
        return p;
    }

    // Runs the main body to its end; the value it returned (null if it halted).
    TValue runMain(const TCodeWriter& body, std::initializer_list<const char*> fields = {},
                   bool fuse = true) {
        TProcess* p = startMain(newClass(fields), body, fuse);
        run(p);
        last = p;
        return p->result ? *p->result : TValue::null();
    }

    std::string runText(const TCodeWriter& body, bool fuse = true) {
        return valueToText(runMain(body, {}, fuse));
    }

    const TBootstrapClasses* core = nullptr;
    TRecordingReporter reporter;
    TReporter* previousReporter = nullptr;
    std::vector<TRTTI*> classes;
    std::vector<TProcess*> processes;
    TProcess* last = nullptr;
    int classCounter = 0;
};

// Writes "push a; push b; op; ret; halt" for two constants.
inline TCodeWriter binaryProgram(const TValue& a, const TValue& b, TOpcode op) {
    TCodeWriter w;
    w.emitPush(a);
    w.emitPush(b);
    w.emit(op);
    w.emit(Op_Ret);
    w.emitHalt();
    return w;
}

} // namespace ravok::test

namespace ravok::test {

// The function id of a class's method, for Op_NativeCall and Op_SuperCall.
inline uint32_t methodId(TRTTI* cls, const char* name) {
    TFunction* fn = cls->methodByName(name);
    EXPECT_NE(fn, nullptr) << name;
    return fn ? fn->id() : 0;
}

// Calls a native routine as Op_NativeCall would: receiver slot with the
// arguments below it. Returns the result slot's value.
inline TValue callNative(TRTTI* cls, const char* name, TValue receiver, std::vector<TValue> args) {
    auto* fn = static_cast<TNativeFunction*>(cls->methodByName(name));
    std::vector<TValue> cells(args.size() + 1);
    size_t argc = args.size();
    cells[argc] = receiver;
    for (size_t i = 0; i < argc; ++i)
        cells[argc - 1 - i] = args[i];
    fn->routine(&cells[argc], int(argc), 0);
    return cells[argc];
}

} // namespace ravok::test

namespace ravok::test {

// Calls a routine as Op_NativeCall would, without a class declaring it.
inline TValue callRoutine(TNativeRoutine routine, std::vector<TValue> args,
                          TValue receiver = TValue::null()) {
    std::vector<TValue> cells(args.size() + 1);
    size_t argc = args.size();
    cells[argc] = receiver;
    for (size_t i = 0; i < argc; ++i)
        cells[argc - 1 - i] = args[i];
    routine(&cells[argc], int(argc), 0);
    return cells[argc];
}

// The routine a binding list gives a name.
inline TNativeRoutine routineOf(const std::vector<TNativeBinding>& list, const char* name) {
    for (const TNativeBinding& b : list)
        if (std::string(b.name) == name) return b.routine;
    ADD_FAILURE() << "no native " << name;
    return nullptr;
}

} // namespace ravok::test

namespace ravok::test {

// Seams driven by a function for as long as the object lives; the default
// comes back when it goes.
class TScopedHold : public TDebugHold {
public:
    explicit TScopedHold(std::function<void()> f) : f_(std::move(f)) { setDebugHold(this); }
    ~TScopedHold() override { setDebugHold(nullptr); }
    void hold() override { f_(); }

private:
    std::function<void()> f_;
};

class TScopedTranslator : public TTranslator {
public:
    explicit TScopedTranslator(std::function<std::string(std::string_view)> f) : f_(std::move(f)) {
        setTranslator(this);
    }
    ~TScopedTranslator() override { setTranslator(nullptr); }
    std::string translate(std::string_view text) const override { return f_(text); }

private:
    std::function<std::string(std::string_view)> f_;
};

// Stands in for the compiler's evaluation; a missing function refuses as
// the default does.
class TScopedEvaluator : public native::TScriptEvaluator {
public:
    TScopedEvaluator(std::function<TValue*(std::string_view)> value,
                     std::function<int(std::string_view, bool)> statements = {})
        : value_(std::move(value)), statements_(std::move(statements)) {
        native::setScriptEvaluator(this);
    }
    ~TScopedEvaluator() override { native::setScriptEvaluator(nullptr); }
    TValue* evaluate(std::string_view expression) override {
        return value_ ? value_(expression) : native::TScriptEvaluator::evaluate(expression);
    }
    int evaluateStatements(std::string_view text, bool report) override {
        return statements_ ? statements_(text, report)
                           : native::TScriptEvaluator::evaluateStatements(text, report);
    }

private:
    std::function<TValue*(std::string_view)> value_;
    std::function<int(std::string_view, bool)> statements_;
};

} // namespace ravok::test
