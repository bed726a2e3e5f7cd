// The parser: the grammar table as printed, interpreted, and the shapes of
// the trees the code generator relies on.
#include "compiler/parser.h"
#include "compiler/yup.h"

#include "test_support.h"

#include <random>

namespace ravok::test {
namespace {

// The tree as nested text: a node is its class without "G_" and its children
// in parentheses, a token is its text.
std::string shape(const TResultList& n) {
    std::string s = n.className();
    if (s.rfind("G_", 0) == 0) s = s.substr(2);
    s += "(";
    for (int32_t i = 0; i < n.count(); ++i) {
        if (i) s += " ";
        s += n.isToken(i) ? n.token(i)->text() : shape(*n.node(i));
    }
    return s + ")";
}

struct Parsed {
    std::string source;
    std::unique_ptr<TLexList> tokens;
    TParseOutcome outcome;
    bool ok() const { return outcome.root != nullptr; }
};

Parsed parse(const std::string& source) {
    Parsed p;
    p.source = source;
    p.tokens = TYup::instance().Lex(p.source.c_str());
    p.tokens->filter([](const TLexElem& t) { return t.kindName() != "COMM"; });
    p.outcome = TYup::instance().Parse(*p.tokens);
    return p;
}

// The shape of the first top-level item of a source.
std::string item(const std::string& source) {
    Parsed p = parse(source);
    if (!p.ok()) return "FAILED";
    const TResultList* items = p.outcome.root->node(1);
    return items->count() ? (items->isToken(0) ? items->token(0)->text() : shape(*items->node(0)))
                          : "";
}

// Shapes of the expression levels with nothing at them, written once.
const std::string kUna = "IncEx(LVal(LValE(%s Err()) Err()) Err())";
std::string name(const std::string& n) {
    std::string s = kUna;
    return s.replace(s.find("%s"), 2, n);
}
std::string value(const std::string& una) {
    return "RVal(OrEx(AndEx(IsEx(CompEx(ASEx(MDEx(Err() " + una +
           ") Err()) Err()) Err()) Err()) Err()) Err())";
}

TEST(ParserTest, AnEmptySourceIsAnEmptyProgram) {
    Parsed p = parse("");
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(shape(*p.outcome.root), "Program(Extends() Err())");
    EXPECT_EQ(shape(*parse("// only a comment").outcome.root), "Program(Extends() Err())");
}

TEST(ParserTest, AssignmentAndComparisonStatements) {
    EXPECT_EQ(item("x = 1;"),
              "ExprS(Expr(Err(LVal(LValE(x Err()) Err()) =) " + value("Const(1)") + ") ;)");
    EXPECT_EQ(item("x == 1;"), "ExprS(Expr(Err() RVal(OrEx(AndEx(IsEx(CompEx(ASEx(MDEx(Err() " +
                                   name("x") +
                                   ") Err()) Err()) Err()) Err(== IsEx(CompEx(ASEx(MDEx(Err() "
                                   "Const(1)) Err()) Err()) Err()))) Err()) "
                                   "Err())) ;)");
}

TEST(ParserTest, ExtendsAndTheOperatorLevels) {
    Parsed p = parse("extends classes.lang.Object; a + b * -c is Foo.Bar && !d || e++;");
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(shape(*p.outcome.root->node(0)),
              "Extends(extends ResourceVal(classes Err(. lang . Object)) ;)");
    std::string s = shape(*p.outcome.root->node(1));
    EXPECT_NE(s.find("ASEx(MDEx(Err() " + name("b") + ") Err(* MDEx(Err(-) " + name("c") + ")))"),
              std::string::npos)
        << s;
    EXPECT_NE(s.find("Err(is ResourceVal(Foo Err(. Bar)))"), std::string::npos) << s;
    EXPECT_NE(s.find("MDEx(Err(!) " + name("d") + ")"), std::string::npos) << s;
    EXPECT_NE(s.find("IncEx(LVal(LValE(e Err()) Err()) Err(++))"), std::string::npos) << s;
    EXPECT_NE(s.find("Err(|| OrEx("), std::string::npos) << s;
    EXPECT_NE(s.find("Err(&& AndEx("), std::string::npos) << s;
}

TEST(ParserTest, NameChainsCallsAndNew) {
    EXPECT_EQ(item("a.b(1, 2).c;"),
              "ExprS(Expr(Err() " +
                  value("IncEx(LVal(LValE(a Err()) Err(. LValE(b Err(( ArgList(Expr(Err() " +
                        value("Const(1)") + ") Err(, Expr(Err() " + value("Const(2)") +
                        "))) ))) . LValE(c Err()))) Err())") +
                  ") ;)");
    EXPECT_EQ(item("new P.Q();"), "ExprS(Expr(Err() " +
                                      value("NewObj(new ResourceVal(P Err(. Q)) ( ArgList() ))") +
                                      ") ;)");
    EXPECT_NE(item("constructor(1);").find("LValE(constructor Err(( ArgList(Expr("),
              std::string::npos);
    EXPECT_EQ(item("(\"s\");"), "ExprS(Expr(Err() " +
                                    value("Par(( Expr(Err() " + value("Const(\"s\")") + ") ))") +
                                    ") ;)");
}

TEST(ParserTest, StatementShapes) {
    std::string c = value(name("c"));
    EXPECT_EQ(item("while (c) break;"), "While(while ( Expr(Err() " + c + ") ) Break(break ;))");
    EXPECT_EQ(item("for (i = 0; c; i++) {}").substr(0, 12), "For(for ( Ex");
    EXPECT_EQ(item("for (e in c) {}"), "Forin(for ( LVal(LValE(e Err()) Err()) in Expr(Err() " + c +
                                           ") ) Block({ Err() }))");
    EXPECT_EQ(item("return;"), "Return(return Err() ;)");
    EXPECT_EQ(item("return c;"), "Return(return Err(Expr(Err() " + c + ")) ;)");
    EXPECT_EQ(item("{ c; c; }"),
              "Block({ Err(ExprS(Expr(Err() " + c + ") ;) ExprS(Expr(Err() " + c + ") ;)) })");
    // The else binds to the inner if.
    std::string inner = item("if (c) if (c) c; else c;");
    EXPECT_EQ(inner, "If(if ( Expr(Err() " + c + ") ) If(if ( Expr(Err() " + c +
                         ") ) ExprS(Expr(Err() " + c + ") ;) Err(else ExprS(Expr(Err() " + c +
                         ") ;))) Err())");
}

TEST(ParserTest, DeclarationShapes) {
    EXPECT_EQ(item("native _n_go;"), "NativeDecl(native _n_go ;)");
    EXPECT_EQ(item("function f(a, b) { var x, y; var z; return; }"),
              "FuncDecl(function f ( VArgList(a Err(, b)) ) VarBlock({ Err(VarDecl(var VArgList(x "
              "Err(, y)) ;) "
              "VarDecl(var VArgList(z Err()) ;)) Err(Return(return Err() ;)) }))");
    EXPECT_EQ(item("constructor c() {}"),
              "FuncDecl(constructor c ( VArgList() ) VarBlock({ Err() Err() }))");
    EXPECT_EQ(item("destructor d() {}"),
              "FuncDecl(destructor d ( VArgList() ) VarBlock({ Err() Err() }))");
}

TEST(ParserTest, ConstructsOutsideTheGrammarFail) {
    for (const char* bad :
         {"a = b = c;", "x *= 2;", "fork", "a[1];", "- -x;", "a | b;", "x = 1", "++x;",
          "function f() { x; var y; }", "{ var x; }", "for (;;) x;", "extends a"}) {
        EXPECT_FALSE(parse(bad).ok()) << bad;
    }
    EXPECT_TRUE(parse("a < b < c;").ok());
}

TEST(ParserTest, ASyntaxErrorIsPlacedAtTheLastTokenConsumed) {
    Parsed p = parse("x = 1;\nwhile (a");
    ASSERT_FALSE(p.ok());
    EXPECT_EQ(p.tokens->LastStart, int32_t(p.source.find("a")));
    Parsed q = parse("a = b = c;");
    ASSERT_FALSE(q.ok());
    // The last token consumed in time: the second = was taken by no attempt,
    // the c after it neither; b was consumed last (as a value).
    EXPECT_EQ(q.tokens->LastStart, int32_t(q.source.find("b")));
}

TEST(ParserTest, NestingBeyondTheGuardFailsCleanly) {
    std::string deep = "x = " + std::string(5000, '(') + "1" + std::string(5000, ')') + ";";
    Parsed p = parse(deep);
    EXPECT_FALSE(p.ok());
    EXPECT_TRUE(p.outcome.tooDeep);
    std::string fine = "x = " + std::string(100, '(') + "1" + std::string(100, ')') + ";";
    EXPECT_TRUE(parse(fine).ok());
    // Nested calls parse in time that grows gently, not doubling a level.
    std::string calls;
    for (int i = 0; i < 60; ++i)
        calls += "f(";
    calls += "1" + std::string(60, ')') + ";";
    EXPECT_TRUE(parse(calls).ok());
}

// Remembering name chains must not change a single tree or error position.
TEST(ParserTest, RememberedNameChainsGiveTheSameTreesAndPositions) {
    std::mt19937 rng(777);
    std::vector<std::string> sources = {"x = f(g(h(1), 2), a.b(c(d)));",
                                        "a.b.c = d(e).f + g(h(i(j)));",
                                        "for (e in f(g)) h(i);",
                                        "for (i = f(x); i < g(y); i++) z(i);",
                                        "x = f(g(h(1);",
                                        "a = b = c(d(e));",
                                        "f(g(h(i(j(k)))));",
                                        "if (a(b)) c(d); else e(f(g));",
                                        "x = new A.B(c(d), e.f(g)) is C;"};
    const char* pieces[] = {"f(", "g(", ")", ",", "a", ".", "b", "=", "+", ";", "1", "(", "x"};
    for (int i = 0; i < 300; ++i) {
        std::string s;
        for (int k = int(rng() % 20); k > 0; --k)
            s += pieces[rng() % 13];
        sources.push_back(s);
    }
    for (const std::string& source : sources) {
        auto a = TYup::instance().Lex(source.c_str());
        auto b = TYup::instance().Lex(source.c_str());
        TParseOutcome with = parseTokens(TYup::instance().grammar(), *a, {true});
        TParseOutcome without = parseTokens(TYup::instance().grammar(), *b, {false});
        ASSERT_EQ(with.root != nullptr, without.root != nullptr) << source;
        EXPECT_EQ(a->LastStart, b->LastStart) << source;
        if (with.root) {
            EXPECT_EQ(shape(*with.root), shape(*without.root)) << source;
        }
    }
}

TEST(ParserTest, RandomAndTruncatedInputNeverCrashes) {
    std::mt19937 rng(12345);
    const std::string program =
        "extends Sprite;\nfunction update(a) { var t; t = a * 2; if (t > 3) { print(\"big\"); } "
        "else t++; for (i = 0; i < 3; i += 1) this.x = i; return t; }\nwhile (1) { update(1); "
        "suspend(); }\n";
    ASSERT_TRUE(parse(program).ok());
    for (size_t cut = 0; cut < program.size(); ++cut)
        parse(program.substr(0, cut));
    for (int i = 0; i < 300; ++i) {
        std::string bytes(size_t(rng() % 200), '\0');
        for (char& b : bytes)
            b = char(1 + rng() % 255);
        parse(bytes);
    }
    SUCCEED();
}

} // namespace
} // namespace ravok::test
