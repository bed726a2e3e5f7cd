// Symbols, field lists, class tables, the time analyzer, translation, encoding
// and the statistics line.
#include "test_support.h"

#include "base/clock.h"
#include "base/encoding.h"
#include "base/time_analyzer.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/sjis.h"
#include "runtime/stats.h"

namespace ravok::test {
namespace {

TEST(SymbolTest, WellKnownNamesComeFirstAndCaseIsIgnored) {
    EXPECT_EQ(intern("_body"), 0u);
    EXPECT_EQ(intern("gc_mark"), 1u);
    EXPECT_EQ(intern("_generator"), 2u);
    EXPECT_EQ(intern("_errorHook"), 3u);
    uint32_t update = intern("update");
    EXPECT_EQ(intern("Update"), update);
    EXPECT_EQ(intern("UPDATE"), update);
    EXPECT_EQ(symbolName(update), "update");
    uint32_t next = intern("aBrandNewName");
    EXPECT_EQ(next + 1, intern("anotherBrandNewName"));
}

TEST(SymbolTest, DoubleByteCharactersAreNotCaseFolded) {
    // "ア" is 0x83 0x41 and "ャ" is 0x83 0x61: their trail bytes differ only
    // in ASCII case, yet they are different characters.
    EXPECT_NE(intern("\x83\x41"), intern("\x83\x61"));
    EXPECT_EQ(foldCase("A\x83\x41Z"), "a\x83\x41z");
    EXPECT_TRUE(equalsNoCase("Classes.Lang", "classes.lang"));
}

// Symbols and resource names are hashed without a folded copy: the hash must
// agree with foldCase on every text, letters, '@' and '[' beside them, trail
// bytes in 'A'-'Z' and a lead byte left at the end.
TEST(SymbolTest, TheCaseBlindHashAgreesWithFolding) {
    // Short and long (the hash takes eight ASCII bytes at a time), a
    // double-byte character after a whole word, and one whose second byte
    // ('A' or 'a') falls in the next word.
    const std::vector<std::string> texts = {"",
                                            "update",
                                            "UpDaTe",
                                            "@[`{",
                                            "\x83\x41",
                                            "\x83\x61",
                                            "x\x83\x41Z",
                                            "X\x83\x41z",
                                            "tail\x83",
                                            "\xE0\x40\xA0Q",
                                            "\x7F\x80Zz",
                                            "UpdateTheWorldNow",
                                            "updatetheworldnow",
                                            "updatetheworldno@",
                                            "ABCDEFGH\x83\x41XYZ",
                                            "abcdefgh\x83\x41xyz",
                                            "abcdefg\x83"
                                            "Ahijklmno",
                                            "ABCDEFG\x83"
                                            "AHIJKLMNO",
                                            "abcdefg\x83"
                                            "ahijklmno"};
    for (const std::string& a : texts) {
        EXPECT_EQ(hashNoCase(a), hashNoCase(foldCase(a))) << a;
        for (const std::string& b : texts)
            if (foldCase(a) == foldCase(b)) {
                EXPECT_EQ(hashNoCase(a), hashNoCase(b)) << a << " " << b;
                EXPECT_TRUE(TNoCaseEqual{}(a, b)) << a << " " << b;
            } else {
                EXPECT_FALSE(TNoCaseEqual{}(a, b)) << a << " " << b;
            }
    }
    EXPECT_NE(hashNoCase("@"), hashNoCase("`")); // 0x40 and 0x60 are not letters
    // A second byte is hashed as it is, wherever it falls.
    EXPECT_NE(hashNoCase("\x83\x41"), hashNoCase("\x83\x61"));
    EXPECT_NE(hashNoCase("abcdefg\x83"
                         "Ahijklmno"),
              hashNoCase("abcdefg\x83"
                         "ahijklmno"));
    EXPECT_EQ(intern("\x83\x41Name"), intern("\x83\x41NAME"));
}

// File names lose separators byte by byte, but the second byte of a
// character such as 表 (0x95 0x5C) is a '\\' that belongs to it.
TEST(SjisTest, DroppedBytesSpareTheSecondHalfOfACharacter) {
    EXPECT_EQ(withoutBytes("a/b:c\\d", "\\:/"), "abcd");
    EXPECT_EQ(withoutBytes("\x95\x5C/x\\", "\\/"), "\x95\x5Cx");
    EXPECT_EQ(withoutBytes("\x95", "\\"), "\x95"); // a lead byte at the end stays
}

TEST(FieldListTest, LookUpUsesTheCacheThenScansFromTheEnd) {
    TRapidStringList list;
    list.add("x");
    list.add("y");
    list.add("x"); // a duplicate: the later one wins a scan
    int32_t cache = 0;
    EXPECT_EQ(list.indexOf(intern("x"), &cache), 0); // cached position matches
    cache = 1;
    EXPECT_EQ(list.indexOf(intern("x"), &cache), 2);
    EXPECT_EQ(cache, 2);
    EXPECT_EQ(list.indexOf(intern("nope"), &cache), -1);
    EXPECT_EQ(cache, -1);
    list.remove(0);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.name(0), "y");
}

class ClassTableTest : public RuntimeTest {};

TEST_F(ClassTableTest, OverridesReplaceInPlaceAndCountTheirTables) {
    TRTTI* base = newClass({"a"});
    TCodeWriter body;
    body.emit(Op_PushThis);
    body.emit(Op_Ret);
    body.emitHalt();
    TNormalFunction* first = addCodeMethod(base, "draw", 0, 0, body);
    TRTTI* sub = newClass({"b"}, base);
    EXPECT_EQ(first->usageCount, 2);
    EXPECT_EQ(sub->fields.name(0), "a");
    EXPECT_EQ(sub->fields.name(1), "b");
    TNormalFunction* second = addCodeMethod(sub, "DRAW", 0, 0, body);
    EXPECT_EQ(first->usageCount, 1);
    EXPECT_EQ(second->usageCount, 1);
    EXPECT_EQ(sub->methodIndexByName("draw"), base->methodIndexByName("draw"));
    int32_t cache = -1;
    EXPECT_EQ(sub->methodBySymbol(intern("draw"), &cache), second);
}

TEST_F(ClassTableTest, MethodsByNameFindTheFirstOfEachNameAsTheTableGrows) {
    TRTTI* base = newClass();
    TCodeWriter body;
    body.emit(Op_PushThis);
    body.emit(Op_Ret);
    body.emitHalt();
    std::vector<TNormalFunction*> made;
    for (int i = 0; i < 70; ++i)
        made.push_back(addCodeMethod(base, "m" + std::to_string(i), 0, 0, body));
    for (int i = 0; i < 70; ++i)
        EXPECT_EQ(base->methodByName("M" + std::to_string(i)), made[size_t(i)]) << i;
    EXPECT_EQ(base->methodIndexByName("m70"), -1);
    EXPECT_EQ(base->methodIndexByName("a name nothing interned"), -1);
    // Inherited methods come first; an override takes the inherited slot.
    TRTTI* sub = newClass({}, base);
    int32_t at = sub->methodIndexByName("m7");
    TNormalFunction* over = addCodeMethod(sub, "m7", 0, 0, body);
    TNormalFunction* own = addCodeMethod(sub, "extra", 0, 0, body);
    EXPECT_EQ(sub->methodIndexByName("m7"), at);
    EXPECT_EQ(sub->methodByIndex(at), over);
    EXPECT_EQ(sub->methodByName("EXTRA"), own);
    EXPECT_EQ(sub->methods.size(), base->methods.size() + 1);
    EXPECT_EQ(base->methodByName("m7"), made[7]);
    // The method added last taken back: its name is gone, also once another
    // method takes its place in the list, and comes again as a new method.
    TNormalFunction* taken = addCodeMethod(sub, "extra", 0, 0, body);
    sub->removeLastMethod();
    if (--taken->usageCount <= 0) delete taken;
    TNormalFunction* other = addCodeMethod(sub, "other", 0, 0, body);
    EXPECT_EQ(sub->methodByName("extra"), nullptr);
    EXPECT_EQ(sub->methodByName("other"), other);
    TNormalFunction* extra = addCodeMethod(sub, "extra", 0, 0, body);
    EXPECT_EQ(sub->methodByName("extra"), extra);
    sub->reset();
    EXPECT_EQ(sub->methodByName("m7"), nullptr);
    TNormalFunction* again = addCodeMethod(sub, "m7", 0, 0, body);
    EXPECT_EQ(sub->methodByName("m7"), again);
}

TEST_F(ClassTableTest, TheLaterOfTwoConstructorsIsTheConstructor) {
    TRTTI* cls = newClass();
    TCodeWriter body;
    body.emit(Op_PushThis);
    body.emit(Op_Ret);
    body.emitHalt();
    addCodeMethod(cls, "constructor", 0, 0, body, TFunctionKind::Constructor);
    TNormalFunction* later = addCodeMethod(cls, "create", 1, 0, body, TFunctionKind::Constructor);
    EXPECT_EQ(cls->constructor(), later);
    EXPECT_EQ(cls->destructor(), nullptr);
    EXPECT_TRUE(cls->inherits(core->object));
    EXPECT_FALSE(core->object->inherits(cls));
    EXPECT_EQ(cls->classText(), std::to_string(cls->hostId()) + "@" + cls->name);
}

TEST_F(ClassTableTest, AllocationReusesUnreferencedRecordsAfterTheirDestructor) {
    TRTTI* cls = newClass({"v"});
    static int destructed;
    destructed = 0;
    TNativeFunction* count =
        addNativeMethod(cls, "native_count", [](TValue*, int, int) { ++destructed; });
    TCodeWriter d;
    d.emit(Op_PushThis);
    d.emit(Op_NativeCall, {0, count->id()});
    d.emit(Op_Ret);
    d.emitHalt();
    addCodeMethod(cls, "destructor", 0, 0, d, TFunctionKind::Destructor);
    uint32_t a = allocateInstance(cls);
    objectAt(a)->field(0) = TValue::ofInt(3);
    ++objectAt(a)->refcount;
    uint32_t b = allocateInstance(cls); // a is referenced: a new record
    EXPECT_NE(a, b);
    EXPECT_EQ(destructed, 0);
    decrement(TValue::ofObject(a)); // counts change through the value operations
    objectAt(b)->refcount = 1;
    uint32_t c = allocateInstance(cls); // a is unreferenced: reused
    EXPECT_EQ(c, a);
    EXPECT_EQ(destructed, 1);
    EXPECT_EQ(objectAt(c)->field(0).kind, vtUnset);
    EXPECT_EQ(cls->allocationCount, 3);
}

// The pool remembers where free records can be instead of scanning from the
// start; whatever the order of takes and drops, an allocation must still
// return the first unreferenced record in pool order.
TEST_F(ClassTableTest, AllocationTakesTheFirstFreeRecordWhateverTheHistory) {
    TRTTI* cls = newClass({"v"});
    std::vector<uint32_t> held;
    uint32_t state = 12345;
    auto next = [&] { return state = state * 1103515245u + 12345u, (state >> 16) & 0x7FFF; };
    for (int step = 0; step < 4000; ++step) {
        if (held.empty() || next() % 3 != 0) {
            uint32_t expected = 0;
            for (uint32_t rec : cls->pool)
                if (objectAt(rec)->refcount <= 0) {
                    expected = rec;
                    break;
                }
            uint32_t got = allocateInstance(cls);
            if (expected) {
                ASSERT_EQ(got, expected) << "step " << step;
            }
            if (next() % 10 != 0) { // now and then a record is taken and never kept
                increment(TValue::ofObject(got));
                held.push_back(got);
            }
        } else {
            size_t i = next() % held.size();
            decrement(TValue::ofObject(held[i]));
            held.erase(held.begin() + long(i));
        }
    }
    EXPECT_GT(cls->pool.size(), 10u);
    for (uint32_t rec : held)
        decrement(TValue::ofObject(rec));
}

TEST_F(ClassTableTest, UncompiledClassesCannotBeInstantiated) {
    TRTTI* cls = newClass();
    cls->compiled = false;
    try {
        allocateInstance(cls);
        FAIL();
    } catch (const ERunError& e) {
        std::string text = e.what();
        EXPECT_EQ(text.rfind("Class" + cls->classText(), 0), 0u);
        EXPECT_NE(text.find("\x83\x43\x83\x93\x83X\x83^\x83\x93\x83X"),
                  std::string::npos); // インスタンス
    }
}

class FakeClock : public TClock {
public:
    long double nowMs() override { return now; }
    long double now = 1000;
};

TEST(TimeAnalyzerTest, CountsOutermostPassesOnly) {
    FakeClock clock;
    setClock(&clock);
    TTimeAnalyzer& ta = TTimeAnalyzer::instance();
    ta.resetSections();
    BeginSection(47);
    clock.now += 5;
    BeginSection(47);
    EndSection(47);
    clock.now += 5;
    EndSection(47);
    EXPECT_EQ(ta.sectionValue(47, 1), 1);
    EXPECT_EQ(ta.sectionValue(47, 2), 10);
    EXPECT_EQ(ta.sectionValue(47, 4), 10);
    EXPECT_EQ(ta.sectionValue(47, 3), 0); // section 0 has not been stopped yet
    EndSection(0);
    EXPECT_EQ(ta.sectionValue(47, 3), 100);
    // An unmatched end drives the depth negative; nothing is counted until it
    // returns to zero.
    EndSection(48);
    BeginSection(48);
    EndSection(48);
    EXPECT_EQ(ta.sectionValue(48, 1), 0);
    EXPECT_EQ(ta.depth(48), -1);
    EXPECT_EQ(ta.sectionValue(300, 1), 0);
    setClock(nullptr);
}

// The result table: sections without a pass are left out, the order is by
// number or descending in the chosen column, and values print as the
// default float printer writes them.
TEST(TimeAnalyzerTest, ListsPassedSectionsInTheChosenOrder) {
    FakeClock clock;
    setClock(&clock);
    TTimeAnalyzer& ta = TTimeAnalyzer::instance();
    ta.resetSections();
    for (int i = 0; i < 3; ++i) {
        BeginSection(10);
        clock.now += 1;
        EndSection(10);
    }
    BeginSection(47);
    clock.now += 5;
    EndSection(47);
    clock.now += 2;
    ta.showResults();
    auto byNumber = ta.listing();
    ASSERT_EQ(byNumber.size(), 3u); // 0, 10, 47: the 253 others had no pass
    EXPECT_EQ(byNumber[0][0], "0");
    EXPECT_EQ(byNumber[1], (TTimeAnalyzer::TRow{"10", "3", "3", "30", "1"}));
    EXPECT_EQ(byNumber[2], (TTimeAnalyzer::TRow{"47", "1", "5", "50", "5"}));
    EXPECT_EQ(ta.listing(1)[0][0], "10"); // by passes
    EXPECT_EQ(ta.listing(2)[0][0], "0");  // by total: the whole measurement
    EXPECT_EQ(ta.listing(4)[1][0], "47"); // by average, after section 0's 10 ms
    EXPECT_EQ(defaultFloatText(100.0 / 3), "33.3333333333333");
    EXPECT_EQ(defaultFloatText(2.5), "2.5");
    setClock(nullptr);
}

TEST(TranslateTest, IdentityUntilATableIsInstalled) {
    EXPECT_EQ(translate("Stack Overflow."), "Stack Overflow.");
    {
        TScopedTranslator translator([](std::string_view k) {
            return k == "Stack Overflow." ? std::string("S") : std::string();
        });
        EXPECT_EQ(translate("Stack Overflow."), "S");
        EXPECT_EQ(translate("untranslated"), "untranslated");
    }
    EXPECT_EQ(translate("Stack Overflow."), "Stack Overflow.");
}

TEST(EncodingTest, ConvertsCp932AtTheEdges) {
    EXPECT_EQ(cp932ToUtf8("Native\x8A\xD6\x90\x94"), "Native関数");
    EXPECT_EQ(utf8ToCp932("表示"), "\x95\x5C\x8E\xA6"); // 0x5C stays a backslash byte
    EXPECT_EQ(cp932ToUtf8("ok\x82"), "ok?");            // truncated character
    EXPECT_EQ(cp932ToUtf8("plain"), "plain");
    // NEC and IBM rows, half-width katakana, and bytes that start nothing.
    EXPECT_EQ(cp932ToUtf8("\x87\x40\xFB\xFC\xB1"), "①髙ｱ");
    EXPECT_EQ(utf8ToCp932("①髙ｱ～"), "\x87\x40\xFB\xFC\xB1\x81\x60");
    EXPECT_EQ(utf8ToCp932("ⅰ∵"), "\xFA\x40\x81\xE6"); // IBM row, JIS row
    EXPECT_EQ(cp932ToUtf8("\xEE\xEF"), "ⅰ");          // NEC's copy still reads
    EXPECT_EQ(cp932ToUtf8("\x80\xA0\xFD"
                          "a"),
              "???a");
    EXPECT_EQ(utf8ToCp932("a\xE3\x81"
                          "b\xF0\x9F\x98\x80"),
              "a??b?");
}

TEST(EncodingTest, EveryCp932CharacterComesBackFromUtf8) {
    int characters = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            std::string sjis{char(lead), char(trail)};
            std::string utf8 = cp932ToUtf8(sjis);
            if (utf8 == "??") continue;
            ++characters;
            // Duplicated rows (a NEC character and its IBM twin) come back
            // as the one every encoder writes, which reads as the same text.
            EXPECT_EQ(cp932ToUtf8(utf8ToCp932(utf8)), utf8) << lead << " " << trail;
        }
    }
    EXPECT_GT(characters, 7000);
}

TEST(EncodingTest, SourcesSavedAsUtf8AreReadAsCp932) {
    TSourceText plain = decodeSourceText("print(1);");
    EXPECT_FALSE(plain.fromUtf8);
    TSourceText sjis = decodeSourceText("\x95\x5C\x8E\xA6"); // not UTF-8: taken as it is
    EXPECT_FALSE(sjis.fromUtf8);
    EXPECT_EQ(sjis.text, "\x95\x5C\x8E\xA6");
    TSourceText utf8 = decodeSourceText("s=\"表示\";");
    EXPECT_TRUE(utf8.fromUtf8);
    EXPECT_EQ(utf8.text, "s=\"\x95\x5C\x8E\xA6\";");
    TSourceText bom = decodeSourceText("\xEF\xBB\xBFx=1;");
    EXPECT_TRUE(bom.fromUtf8);
    EXPECT_EQ(bom.text, "x=1;");
    TSourceText emoji = decodeSourceText("a=\"表\xF0\x9F\x98\x80\xF0\x9F\x98\x81\";");
    EXPECT_EQ(emoji.unmapped, U'\U0001F600'); // the first one is named
    EXPECT_EQ(emoji.unmappedOffset, 5u);
    EXPECT_EQ(emoji.text, "a=\"\x95\x5C??\";");
    EXPECT_EQ(unicodeName(emoji.unmapped), "U+1F600");
    // A file marked as UTF-8 with a broken sequence is not silently cut.
    TSourceText broken = decodeSourceText("\xEF\xBB\xBF"
                                          "a\xFF"
                                          "b");
    EXPECT_EQ(broken.unmapped, U'\uFFFD');
    EXPECT_EQ(broken.text, "a?b");
}

TEST(StatisticsTest, LineHasItsExactShape) {
    std::string line = statisticsLine();
    EXPECT_EQ(line.rfind("// GC=", 0), 0u);
    for (const char* piece :
         {" gar=", " resgar=", " stk=", " prc=", "list=", "// tfstr=", " func="})
        EXPECT_NE(line.find(piece), std::string::npos) << piece;
}

} // namespace
} // namespace ravok::test

namespace ravok::test {
namespace {

TEST_F(ClassTableTest, AResetClassLeavesReferencedInstancesDetachedNotDangling) {
    TRTTI* cls = newClass({"x"});
    uint32_t kept = allocateInstance(cls);
    TValue holder = TValue::null();
    setObject(holder, kept);
    try {
        checkDiscardable(cls);
        FAIL();
    } catch (const ERunError& e) {
        EXPECT_EQ(std::string(e.what()), cls->classText() + ": Object still remaining");
    }
    cls->reset();
    EXPECT_TRUE(cls->pool.empty());
    EXPECT_NO_THROW(checkDiscardable(cls));
    // The stale reference reads as an object of no class; its count still works.
    EXPECT_EQ(valueToText(holder), std::to_string(kept) + "@?");
    // Reading its field by name warns instead of reaching the freed layout.
    TValue* global = arenaPtr<TValue>(TArena::instance().allocate(8));
    assign(*global, &holder);
    TCodeWriter w;
    w.emitPush(TValue::ofRef(arenaOffset(global)));
    w.emit(Op_Deref);
    w.emitDMember(intern("x"));
    w.emit(Op_Deref);
    w.emit(Op_Ret);
    w.emitHalt();
    EXPECT_EQ(valueToText(runMain(w)), "Error #0");
    EXPECT_EQ(reporter.errors, std::vector<std::string>{"Variablex is not defined."});
    setNull(*global);
    setNull(holder);
    EXPECT_EQ(objectAt(kept)->refcount, 0);
}

} // namespace
} // namespace ravok::test
