// The lexer: the lexical table as printed, interpreted.
#include "compiler/lexer.h"
#include "compiler/table_reader.h"
#include "compiler/yup.h"

#include "test_support.h"

namespace ravok::test {
namespace {

// "KIND:text" for each token, joined by blanks.
std::string lex(const std::string& source) {
    auto tokens = TYup::instance().Lex(source.c_str());
    std::string out;
    for (int32_t i = 0; i < tokens->count(); ++i) {
        if (i) out += " ";
        out += tokens->at(i)->kindName() + ":" + tokens->at(i)->text();
    }
    return out;
}

TEST(LexerTest, LongestMatchWinsAndTableOrderBreaksTies) {
    EXPECT_EQ(lex(""), "");
    EXPECT_EQ(lex("a=b==c"), "SYMBOL:a =:= SYMBOL:b ==:== SYMBOL:c");
    EXPECT_EQ(lex("x+++y"), "SYMBOL:x ++:++ +:+ SYMBOL:y");
    EXPECT_EQ(lex("a--b"), "SYMBOL:a --:-- SYMBOL:b");
    EXPECT_EQ(lex("while whilex While"), "while:while SYMBOL:whilex SYMBOL:While");
    EXPECT_EQ(lex("x+=1"), "SYMBOL:x +=:+= NUM:1");
    EXPECT_EQ(
        lex("a<=b>=c!=d||e&&f"),
        "SYMBOL:a <=:<= SYMBOL:b >=:>= SYMBOL:c !=:!= SYMBOL:d ||:|| SYMBOL:e &&:&& SYMBOL:f");
}

TEST(LexerTest, EveryKeywordAndOperatorIsItsOwnToken) {
    for (const char* word :
         {"while", "break", "if", "is", "in", "else", "null", "for", "fork", "function",
          "constructor", "destructor", "extends", "native", "new", "return", "var"})
        EXPECT_EQ(lex(word), std::string(word) + ":" + word);
    for (const char* op : {"++", "--", "+=", "-=", "*=", "/=", "%=", "!=", "==", ">=", "<=",
                           "||", "&&", ">",  "<",  ";",  "=",  "|",  "&",  "+",  "-",  "*",
                           "/",  "%",  "!",  "(",  ")",  ".",  ",",  "{",  "}"})
        EXPECT_EQ(lex(op), std::string(op) + ":" + op);
}

TEST(LexerTest, NumbersHaveNoSignExponentOrTrailingDot) {
    EXPECT_EQ(lex("1.5.3"), "NUM:1.5 .:. NUM:3");
    EXPECT_EQ(lex(".5"), ".:. NUM:5");
    EXPECT_EQ(lex("1."), "NUM:1 .:.");
    EXPECT_EQ(lex("-12e3"), "-:- NUM:12 SYMBOL:e3");
}

TEST(LexerTest, NamesMayBeginWithDollarOnlyAtTheStart) {
    EXPECT_EQ(lex("$a$b"), "SYMBOL:$a SYMBOL:$b");
    EXPECT_EQ(lex("_x1 9y"), "SYMBOL:_x1 NUM:9 SYMBOL:y");
    // 表示 (0x95 0x5C 0x8E 0xA6): the 0x5C trail byte stays inside the name.
    EXPECT_EQ(lex("\x95\x5C\x8E\xA6=1"), "SYMBOL:\x95\x5C\x8E\xA6 =:= NUM:1");
    // A single byte 0xA0-0xDF (half-width kana) begins nothing and is dropped.
    EXPECT_EQ(lex("a\xB1"
                  "b"),
              "SYMBOL:a SYMBOL:b");
}

TEST(LexerTest, StringsKeepEscapesAndDoubleByteCharacters) {
    EXPECT_EQ(lex(R"("a\"b" c)"), R"(STRING:"a\"b" SYMBOL:c)");
    EXPECT_EQ(lex(R"("x\\")"), R"(STRING:"x\\")");
    // ソ (0x83 0x5C) and a lead byte followed by the quote byte stay one character.
    EXPECT_EQ(lex("\"\x83\x5C\""), "STRING:\"\x83\x5C\"");
    EXPECT_EQ(lex("\"\x81\x22\" x"), "STRING:\"\x81\x22\" SYMBOL:x");
    // Unterminated: the quote is dropped and the rest lexes as code.
    EXPECT_EQ(lex("\"a"), "SYMBOL:a");
    // A raw tab cannot stand in a string.
    EXPECT_EQ(lex("\"a\tb\""), "SYMBOL:a SYMBOL:b");
}

TEST(LexerTest, CommentsEndWhereTheTableSays) {
    EXPECT_EQ(lex("x // note\ny"), "SYMBOL:x COMM:// note SYMBOL:y");
    EXPECT_EQ(lex("// a\tb"), "COMM:// a SYMBOL:b");
    EXPECT_EQ(lex("/* a\n b */c"), "COMM:/* a\n b */ SYMBOL:c");
    // "**/" does not close: the * takes the / with it.
    EXPECT_EQ(lex("/* x **/"), "/:/ *:* SYMBOL:x *:* *:* /:/");
    EXPECT_EQ(lex("/* x **/ y */z"), "COMM:/* x **/ y */ SYMBOL:z");
}

TEST(LexerTest, StrayBytesAreSkippedAndTheTextEndsAtZero) {
    EXPECT_EQ(lex("a # @ ` b"), "SYMBOL:a SYMBOL:b");
    std::string withZero("a b", 3);
    withZero[1] = '\0';
    EXPECT_EQ(lex(withZero), "SYMBOL:a");
    auto tokens = TYup::instance().Lex("  foo(1)");
    ASSERT_EQ(tokens->count(), 4);
    EXPECT_EQ(tokens->at(0)->Start, 2);
    EXPECT_EQ(tokens->at(0)->Stop, 5);
    EXPECT_EQ(tokens->at(3)->Start, 7);
}

TEST(LexerTest, FirstSetsComeFromTheFixpoint) {
    const TTable& lexical = TYup::instance().lexical();
    const TTableNode* num = lexical.entry("NUM");
    const TTableNode* symbol = lexical.entry("SYMBOL");
    const TTableNode* str = lexical.entry("STRING");
    ASSERT_TRUE(num && symbol && str);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(num->First.test(uint8_t(b)), b >= '0' && b <= '9') << b;
        bool name = b == '_' || b == '$' || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') ||
                    (b >= 0x80 && b <= 0x9F) || b >= 0xE0;
        EXPECT_EQ(symbol->First.test(uint8_t(b)), name) << b;
        EXPECT_EQ(str->First.test(uint8_t(b)), b == '"') << b;
    }
    // Digit inside NUM links to the range entry; com1 stands at no entry and
    // is a group of its own.
    EXPECT_EQ(num->Children[0]->Children[0]->Link, lexical.entry("Digit"));
    EXPECT_EQ(lexical.entry("Digit")->Kind, nkRange);
    EXPECT_EQ(lexical.entry("Kanji")->Kind, nkSequence);
    const TTableNode* com1 = lexical.entry("COMM")->Children[0]->Children[0];
    EXPECT_EQ(com1->Name, "com1");
    EXPECT_EQ(com1->Kind, nkSequence);
    EXPECT_EQ(com1->Link, com1);
}

TEST(LexerTest, TFirstOperations) {
    TFirst a, b;
    EXPECT_TRUE(a.include(7));
    EXPECT_FALSE(a.include(7));
    EXPECT_TRUE(b.include(200));
    EXPECT_TRUE(a.unionWith(b));
    EXPECT_FALSE(a.unionWith(b));
    EXPECT_TRUE(a.test(200));
    EXPECT_FALSE(a.test(8));
}

class TableBuildTest : public RuntimeTest {};

TEST_F(TableBuildTest, TheCarriedTablesBuildWithoutMessages) {
    TYup yup(TYup::instance().LexNode, TYup::instance().GramNode);
    yup.Lex("x");
    EXPECT_TRUE(reporter.errors.empty());
    EXPECT_EQ(yup.lexical().entries().size(), 56u);
    EXPECT_EQ(yup.LexNode.back(), "@");
}

TEST_F(TableBuildTest, TableProblemsAreReportedAndTheBuildGoesOn) {
    std::vector<std::string> lexical = {"Lexical", " 'a ", " 'b",    " -Bad",
                                        "  x",     "  'z", " *Stop", "@"};
    std::vector<std::string> grammar = {"Grammar", " Program", "  'b", "  'NOPE", "@"};
    TYup yup(lexical, grammar);
    std::vector<std::string> messages;
    yup.OnTableMessage = [&](const std::string& m) { messages.push_back(m); };
    EXPECT_EQ(yup.Lex("a ")->count(), 1); // the literal keeps its trailing blank
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "Wanring: extra space in  'a ");
    EXPECT_EQ(
        messages[1],
        "\x83o\x83O\x94\xAD\x90\xB6:Please Put '' or $ at the first letters of each children");
    EXPECT_EQ(messages[2], "\x83o\x83O\x94\xAD\x90\xB6:NOPE is not linked.");

    TYup bare(lexical, grammar);
    bare.OnTableMessage = [](const std::string&) {};
    bare.OnCreateList = nullptr;
    try {
        bare.Lex("a");
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "No onCreateList Assigned");
    }
}

} // namespace
} // namespace ravok::test
