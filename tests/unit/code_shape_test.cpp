// The instruction sequences the code generator writes (after the fusion
// pass), and its compile errors.
#include "test_support.h"

#include "compiler/class_compiler.h"
#include "runtime/listing.h"

namespace ravok::test {
namespace {

class CodeShapeTest : public RuntimeTest {
protected:
    // Compiles the source as a class extending the bootstrap Object.
    TRTTI* compile(const std::string& source) {
        TRTTI* cls = newClass();
        cls->compiled = false;
        bool failed = CompileClass(cls, source, {true, core->object});
        return failed ? nullptr : cls;
    }
    std::vector<std::string> listing(const TCompiledInfo& code) {
        std::vector<std::string> lines;
        for (const std::string& l : listImage(code.codePtr(), code.size()))
            lines.push_back(l.substr(9));
        return lines;
    }
    std::vector<std::string> method(const std::string& source, const char* name) {
        TRTTI* cls = compile(source);
        if (!cls) return {"FAILED"};
        return listing(static_cast<TNormalFunction*>(cls->methodByName(name))->code);
    }
    std::vector<std::string> main(const std::string& source) {
        TRTTI* cls = compile(source);
        return cls ? listing(*cls->initCode) : std::vector<std::string>{"FAILED"};
    }
};

using Lines = std::vector<std::string>;

TEST_F(CodeShapeTest, AssignmentToANewFieldInAMethod) {
    EXPECT_EQ(method("function m() { x = 1; }", "m"),
              (Lines{"PushThis_SMemberValPtr 0", "Push 1", "Subst", "Pop", "PushThis", "Ret"}));
}

TEST_F(CodeShapeTest, MemberAssignmentDerefsAllButTheLastElement) {
    EXPECT_EQ(method("function m(a, c) { a.b = c; }", "m"),
              (Lines{"ArgValPtr_Deref 0", "DMemberValPtr b", "ArgValPtr_Deref 1", "Subst", "Pop",
                     "PushThis", "Ret"}));
}

TEST_F(CodeShapeTest, CallsOnThisPushTheObjectOnce) {
    TRTTI* cls = compile("function f(v) { return v; } function m() { this.f(1); f(2); }");
    ASSERT_TRUE(cls);
    std::string f = std::to_string(cls->methodIndexByName("f"));
    EXPECT_EQ(listing(static_cast<TNormalFunction*>(cls->methodByName("m"))->code),
              (Lines{"PushThis", "Push 1", "SCall 1," + f, "Pop", "PushThis", "Push 2",
                     "SCall 1," + f, "Pop", "PushThis", "Ret"}));
}

TEST_F(CodeShapeTest, ShortCircuitJumpsAllGoToTheEnd) {
    EXPECT_EQ(method("function m(a, b, c) { return a || b || c; }", "m"),
              (Lines{"ArgValPtr_Deref 0", "Jump_Or40", "ArgValPtr_Deref 1", "Jump_Or20",
                     "ArgValPtr_Deref 2", "Ret", "PushThis", "Ret"}));
}

TEST_F(CodeShapeTest, IfWithoutElseJumpsToTheNextInstruction) {
    EXPECT_EQ(method("function m(c) { if (c) s = 1; }", "m"),
              (Lines{"ArgValPtr_Deref 0", "JumpZero48", "PushThis_SMemberValPtr 0", "Push 1",
                     "Subst", "Pop", "Jump8", "PushThis", "Ret"}));
}

TEST_F(CodeShapeTest, NewPushesTheResultSlotThenTheArguments) {
    TRTTI* foo = newClass();
    foo->name = "ShapeFoo";
    EXPECT_EQ(main("x = new ShapeFoo(1, 2);"),
              (Lines{"PushThis_SMemberValPtr 0", "Push 0", "Push 1", "Push 2",
                     "Constructor 2," + foo->classText(), "Subst", "Pop", "Push 0"}));
}

TEST_F(CodeShapeTest, IncrementIsAddSubstOfOne) {
    EXPECT_EQ(method("function m() { var i; i++; }", "m"),
              (Lines{"LocalValPtr 0", "Push 1", "AddSubst", "Pop", "PushThis", "Ret"}));
}

TEST_F(CodeShapeTest, BreakInForInJumpsToClearForIn) {
    Lines l = method("function m(l) { var e; for (e in l) break; }", "m");
    EXPECT_EQ(l, (Lines{"LocalValPtr 0", "ArgValPtr_Deref 0", "InitForin", "DoForin24", "Jump16",
                        "Jump-16", "ClearForin", "PushThis", "Ret"}));
}

TEST_F(CodeShapeTest, StringsDecodeEscapesButKeepDoubleByteCharacters) {
    EXPECT_EQ(
        main("x = \"a\\tb\\\\\\\"\x95\\\";"),
        (Lines{"PushThis_SMemberValPtr 0", "PushString a\tb\\\"\x95\\", "Subst", "Pop", "Push 0"}));
}

TEST_F(CodeShapeTest, CompileErrorsNameTheClass) {
    EXPECT_EQ(compile("foo();"), nullptr);
    EXPECT_EQ(compile("f()++; function f() {}"), nullptr);
    EXPECT_EQ(compile("x = 99999999999;"), nullptr);
    EXPECT_EQ(compile("x = new Nowhere();"), nullptr);
    ASSERT_EQ(reporter.errors.size(), 4u);
    EXPECT_NE(reporter.errors[0].find(":Methodfoo is undefined."), std::string::npos);
    EXPECT_NE(reporter.errors[1].find(":Left side of assertion cannot be a method invocation."),
              std::string::npos);
    EXPECT_NE(reporter.errors[2].find(":'99999999999' is not a valid integer value"),
              std::string::npos);
    EXPECT_NE(reporter.errors[3].find(":Nowhere is not defined."), std::string::npos);
    // o.foo() is late-bound and compiles whatever o is.
    EXPECT_NE(compile("function m(o) { o.foo(); }"), nullptr);
}

} // namespace
} // namespace ravok::test
