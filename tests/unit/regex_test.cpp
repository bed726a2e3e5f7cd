// The regular-expression service on Shift-JIS text.
#include "base/regex.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

TEST(RegExpTest, MatchGivesGroupsAndContinuesAfterThePreviousMatch) {
    TBRegExp re;
    std::string text = R"(<a x="1" y="22">)";
    ASSERT_TRUE(re.match(R"re(/(\w+)="([^"]*)"/)re", text));
    EXPECT_EQ(re.groupCount(), 3);
    EXPECT_EQ(re.group(1), "x");
    EXPECT_EQ(re.group(2), "1");
    EXPECT_EQ(re.groupStart(0), 3);
    ASSERT_TRUE(re.matchNext());
    EXPECT_EQ(re.group(1), "y");
    EXPECT_EQ(re.group(2), "22");
    EXPECT_FALSE(re.matchNext());
    EXPECT_TRUE(re.match("m#A#i", "xa"));
    EXPECT_FALSE(re.match("/^b/", "ab"));
}

TEST(RegExpTest, ErrorsCarryTheirMessages) {
    TBRegExp re;
    EXPECT_THROW(re.groupCount(), EBRegExpError);
    try {
        re.group(0);
        FAIL();
    } catch (const EBRegExpError& e) {
        EXPECT_STREQ(e.what(), "no strings now");
    }
    try {
        re.groupCount();
        FAIL();
    } catch (const EBRegExpError& e) {
        EXPECT_STREQ(e.what(), "no count now");
    }
    ASSERT_TRUE(re.match("/(a)/", "a"));
    try {
        re.group(2);
        FAIL();
    } catch (const EBRegExpError& e) {
        EXPECT_STREQ(e.what(), "index out of range");
    }
    EXPECT_THROW(re.match("/(a/", "a"), EBRegExpError);
    EXPECT_THROW(re.match("/abc", "a"), EBRegExpError);
    std::string t = "x";
    EXPECT_THROW(re.subst("s/a/b", t), EBRegExpError);
}

TEST(RegExpTest, SubstitutionsAsTheMarkupEscapingWritesThem) {
    TBRegExp re;
    std::string t = "50% <b> \"q\"";
    EXPECT_EQ(re.subst("s/\\%/\\%25/g", t), 2 - 1);
    EXPECT_EQ(t, "50%25 <b> \"q\"");
    EXPECT_EQ(re.subst("s/\\</\\%3c/g", t), 1);
    EXPECT_EQ(re.subst("s/\\>/\\%3e/g", t), 1);
    EXPECT_EQ(re.subst("s/\\\"/\\%22/g", t), 2);
    EXPECT_EQ(t, "50%25 %3cb%3e %22q%22");
    std::string u = "aaa";
    EXPECT_EQ(re.subst("s/a/b/", u), 1);
    EXPECT_EQ(u, "baa");
    EXPECT_EQ(re.subst("s/(a)(a)/$2-\\1/g", u), 1);
    EXPECT_EQ(u, "ba-a");
    std::string none = "xyz";
    EXPECT_EQ(re.subst("s/q/r/g", none), 0);
    EXPECT_EQ(none, "xyz");
    std::string path = "a\\b\\";
    EXPECT_EQ(re.subst("s/\\\\$//", path), 1);
    EXPECT_EQ(path, "a\\b");
}

TEST(RegExpTest, DoubleByteCharactersStayWhole) {
    TBRegExp re;
    // 表 is 0x95 0x5C: its second byte is a backslash, but it is no separator.
    std::string path = "dir\\\x95\x5C\\file";
    EXPECT_EQ(re.split("/\\\\/", path), (std::vector<std::string>{"dir", "\x95\x5C", "file"}));
    // ソ (0x83 0x5C) just before a delimiter: its second byte escapes nothing.
    EXPECT_TRUE(re.match("/\x83\x5C/", "a\x83\x5C"));
    std::string t = "x\x83\x5Cy";
    EXPECT_EQ(re.subst("s/\x83\x5C/\x95\x5C/g", t), 1);
    EXPECT_EQ(t, "x\x95\x5Cy");
    // A byte pair is never matched across characters: "\x5C" alone is not in 表.
    EXPECT_FALSE(re.match("/\\\\/", "\x95\x5C"));
    std::string dots = "\x95\x5C\x95\x5C";
    EXPECT_EQ(re.subst("s/./!/g", dots), 2);
    EXPECT_EQ(dots, "!!");
}

TEST(RegExpTest, SplitWithAPieceLimit) {
    TBRegExp re;
    EXPECT_EQ(re.split("/,/", "a,b,,c,,"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(re.split("/,/", "a,b,c", 2), (std::vector<std::string>{"a", "b,c"}));
    EXPECT_EQ(re.split("/\\\\/", "\\abs\\x"), (std::vector<std::string>{"", "abs", "x"}));
    EXPECT_TRUE(re.split("/,/", "").empty());
}

TEST(RegExpTest, TheSecondKindRefusesEmptySubjects) {
    TBRegExp2 re;
    EXPECT_FALSE(re.match("/^$/", ""));
    std::string t;
    EXPECT_EQ(re.subst("s/^/x/", t), 0);
    EXPECT_EQ(t, "");
    TBRegExp plain;
    EXPECT_TRUE(plain.match("/^$/", ""));
}

} // namespace
} // namespace ravok
