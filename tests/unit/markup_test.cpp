// The markup format: stream reader, tag reader, writer and escaping.
#include "test_support.h"

#include "resources/sgml.h"
#include "runtime/errors.h"
#include "runtime/markup_escape.h"

namespace ravok::test {
namespace {

std::unique_ptr<TSGML> doc(const std::string& text) { return TSGML::readDocument(text); }

TEST(MarkupReaderTest, LeafTagsNeverHaveChildren) {
    auto list = doc(R"(<list><class name="A"><class name="B"/><link name="l"></list>)");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->children().size(), 3u);
    EXPECT_EQ(list->children()[0]->attr("name"), "A");
    EXPECT_EQ(list->children()[1]->attr("name"), "B");
    EXPECT_EQ(list->children()[2]->tagName(), "link");
    EXPECT_FALSE(list->children()[0]->hasChildren());
}

TEST(MarkupReaderTest, ValuesDecodePercentPairs) {
    EXPECT_EQ(doc(R"(<a x="50%25">)")->attr("x"), "50%");
    EXPECT_EQ(doc(R"(<a x="%3cb%3e">)")->attr("x"), "<b>");
    EXPECT_EQ(doc(R"(<a x="%4A%4a">)")->attr("x"), "JJ");
    EXPECT_EQ(doc(R"(<a x="a%zzb"/>)")->attr("x"), std::string("a\0b", 3));
}

TEST(MarkupReaderTest, AttributeShapesAndNames) {
    auto a = doc(R"(<a b c="1"/>)");
    ASSERT_EQ(a->attrCount(), 1);
    EXPECT_EQ(a->attrName(0), "b");
    EXPECT_EQ(a->attr("b"), "1");
    auto e = doc("<e className=\"X\" \x83\x41\x83Z=\"v\"/>"); // アセ: trail bytes 'A' and 'Z'
    EXPECT_EQ(e->attr("CLASSNAME"), "X");
    EXPECT_EQ(e->attrName(1), "\x83\x41\x83Z");
    EXPECT_EQ(e->attr("\x83\x41\x83Z"), "v");
    EXPECT_EQ(e->attr("missing"), "");
    auto spaced = doc("<  page\n\tname = \"p\" / >");
    EXPECT_EQ(spaced->tagName(), "page");
    EXPECT_EQ(spaced->attr("name"), "p");
}

TEST(MarkupReaderTest, ClosingTagsAreNotComparedAndTextIsIgnored) {
    auto a = doc("junk <a> text <b/> more </x> <c/>");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->tagName(), "a");
    ASSERT_EQ(a->children().size(), 1u);
    EXPECT_EQ(a->children()[0]->tagName(), "b");
    EXPECT_EQ(doc("no tags at all"), nullptr);
    EXPECT_EQ(doc("</closing>"), nullptr);
}

TEST(MarkupReaderTest, TruncatedAndHostileInputYieldsWhatWasRead) {
    auto t = doc(R"(<a x="1"><b y="2)");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->attr("x"), "1");
    ASSERT_EQ(t->children().size(), 1u);
    EXPECT_EQ(t->children()[0]->attr("y"), "");
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    auto d = doc(deep); // deeper than the reader follows: cut, not a crash
    ASSERT_TRUE(d);
    std::string withZero = "<a x=\"1\"/>";
    withZero[5] = '\0';
    EXPECT_EQ(doc(withZero)->attr("x"), "");
}

TEST(MarkupElementTest, SettingAnExistingAttributeMovesItToTheEnd) {
    TSGML e;
    e.setAttr("a", "1");
    e.setAttr("b", "2");
    e.setAttr("A", "3");
    ASSERT_EQ(e.attrCount(), 2);
    EXPECT_EQ(e.attrName(0), "b");
    EXPECT_EQ(e.attrName(1), "A");
    EXPECT_EQ(e.attr("a"), "3");
}

TEST(MarkupWriterTest, LayoutByteForByte) {
    auto page = std::make_unique<TSGML>();
    page->setTagName("page");
    page->setAttr("name", "$page_a");
    page->setAttr("src", "a.cmml");
    page->setAttr("empty", "");
    auto res = std::make_unique<TSGML>();
    res->setTagName("resinst");
    res->setAttr("type", "string");
    res->setAttr("name", "title");
    res->setAttr("value", "Hi \"you\" <3> 100%");
    page->addChild(std::move(res));
    auto list = std::make_unique<TSGML>();
    list->setTagName("list");
    auto inner = std::make_unique<TSGML>();
    inner->setTagName("class");
    inner->setAttr("name", "A");
    list->addChild(std::move(inner));
    page->addChild(std::move(list));
    EXPECT_EQ(page->write(),
              "<page name=\"$page_a\" src=\"a.cmml\">\r\n"
              " <resinst type=\"string\" name=\"title\" value=\"Hi %22you%22 %3c3%3e 100%25\"/>"
              " <list>\r\n  <class name=\"A\"/> </list></page>");
    TSGML bare;
    bare.openChildren();
    EXPECT_EQ(bare.write("  "), "  </>");
    // What the writer writes, the reader gives back.
    auto back = doc(page->write());
    EXPECT_EQ(back->children()[0]->attr("value"), "Hi \"you\" <3> 100%");
    EXPECT_EQ(back->attr("src"), "a.cmml");
    EXPECT_EQ(back->attr("empty"), "");
}

TEST(MarkupWriterTest, ValuesWithLineBreaksAreKept) {
    TSGML e;
    e.setTagName("g");
    e.setAttr("text", "line1\r\nline2");
    EXPECT_EQ(doc(e.write())->attr("text"), "line1\r\nline2");
}

TEST(MarkupEscapeTest, OrderOfTheSubstitutions) {
    EXPECT_EQ(escapeMarkup("%\"<>"), "%25%22%3c%3e");
    EXPECT_EQ(escapeMarkup(""), "");
    EXPECT_EQ(unescapeMarkup("%253c"), "%3c");   // %3c first, %25 last
    EXPECT_EQ(unescapeMarkup("%3C%3c"), "%3C<"); // only lower case
    EXPECT_EQ(unescapeMarkup(escapeMarkup("a%3cb\"")), "a%3cb\"");
    // A double-byte character with a '\' second byte is untouched.
    EXPECT_EQ(escapeMarkup("\x95\x5C%"), "\x95\x5C%25");
}

class TagReaderTest : public RuntimeTest {};

TEST_F(TagReaderTest, BuildsElementsWithChildren) {
    std::string text = R"(x <a k="%2522v"><b n="1"/> text <class name="c"><c></c></a> tail)";
    size_t cursor = 0;
    auto a = TSGML::fromTag(text, cursor);
    EXPECT_EQ(a->tagName(), "a");
    EXPECT_EQ(a->attr("k"), "\"v"); // unescaped twice
    ASSERT_EQ(a->children().size(), 3u);
    EXPECT_EQ(a->children()[0]->attr("n"), "1");
    EXPECT_EQ(a->children()[1]->tagName(), "class");
    EXPECT_FALSE(a->children()[1]->hasChildren());
    EXPECT_EQ(a->children()[2]->tagName(), "c");
    EXPECT_EQ(text.substr(cursor), " tail");
    EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(TagReaderTest, ErrorsAreRaisedAndShown) {
    try {
        TSGML::fromTag("no tag here");
        FAIL();
    } catch (const ERavokError& e) {
        EXPECT_STREQ(e.what(), "Tag Error");
    }
    auto open = TSGML::fromTag("<a><b/> and no end");
    ASSERT_EQ(open->children().size(), 1u);
    EXPECT_EQ(reporter.errors, std::vector<std::string>{"invalid Tag :  and no end"});
    auto empty = TSGML::fromTag("<item/>");
    EXPECT_EQ(empty->tagName(), "item");
    EXPECT_FALSE(empty->hasChildren());
}

} // namespace
} // namespace ravok::test

#include "resources/resources_natives.h"
#include "runtime/native_api.h"

namespace ravok::test {
namespace {

class CmmlNativesTest : public RuntimeTest {
protected:
    TValue str(const std::string& s) {
        TValue v = TValue::null();
        native::setString(v, s);
        held.push_back(v);
        return v;
    }
    TNativeRoutine cmml(const char* n) { return routineOf(cmmlNatives(), n); }
    std::vector<TValue> held;
};

TEST_F(CmmlNativesTest, ScriptsReadAndEditElementsThroughTheirHandle) {
    auto root = TSGML::readDocument(R"(<page name="p"><item n="1"/></page>)");
    TValue h = root->handle();
    EXPECT_EQ(valueToText(callRoutine(cmml("_n_getTagName"), {h})), "page");
    EXPECT_EQ(valueToText(callRoutine(cmml("_n_getAttr"), {h, str("NAME")})), "p");
    EXPECT_EQ(valueToText(callRoutine(cmml("_n_getAttr"), {h, str("none")})), "");
    callRoutine(cmml("_n_setAttr"), {h, str("count"), TValue::ofInt(3)});
    callRoutine(cmml("_n_setTagName"), {h, str("book")});
    EXPECT_EQ(root->write(), "<book name=\"p\" count=\"3\">\r\n <item n=\"1\"/></book>");
    // Adding a child builds it from its tag; wrapping it needs the script
    // evaluator, which the compiler provides.
    EXPECT_THROW(callRoutine(cmml("_n_addSubItem"), {h, str("extra")}), ERunError);
    ASSERT_EQ(root->children().size(), 2u);
    EXPECT_EQ(root->children()[1]->tagName(), "extra");
    EXPECT_THROW(callRoutine(cmml("_n_getTagName"), {TValue::ofNative(12345)}), ERunError);
}

} // namespace
} // namespace ravok::test
