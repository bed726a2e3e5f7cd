// Class cache files: a class compiled from source is written to Temp and
// taken from there while its source is unchanged.
#include "test_support.h"

#include "compiler/class_cache.h"
#include "compiler/class_compiler.h"
#include "compiler/class_image.h"
#include "compiler/evaluator.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/streams.h"
#include "runtime/listing.h"
#include "runtime/paths.h"

#include "base/encoding.h"
#include "base/time_analyzer.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace ravok::test {
namespace {

class ClassCacheTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        char tmpl[] = "/tmp/ravok-cache-XXXXXX";
        host = mkdtemp(tmpl);
        setProgramDirectory(fromHostPath(host));
        source = fromHostPath(host) + "\\Usr\\game\\Player.ravok";
        forceDirs(fromHostPath(host) + "\\Usr\\game");
        writeSource("function speed(a) { var t; t = a * 2; return t + bonus; }\nbonus = 3;\nx = "
                    "new Helper();\n");
        helper = newClass();
        helper->name = "Helper";
    }
    void TearDown() override {
        if (std::system(("rm -rf '" + host + "'").c_str()) != 0) ADD_FAILURE();
        RuntimeTest::TearDown();
    }
    void writeSource(const std::string& text) { ASSERT_TRUE(writeWholeFile(source, text)); }
    // A fresh class for the source, compiled; returns it (null if it failed).
    TRTTI* compileFresh() {
        TRTTI* cls = newClass();
        cls->sourceFile = source;
        cls->compiled = false;
        std::string text;
        readWholeFile(source, text);
        return CompileClass(cls, text, {true, core->object}) ? nullptr : cls;
    }
    double lexPasses() { return TTimeAnalyzer::instance().sectionValue(10, 1); }
    std::vector<std::string> listing(TRTTI* cls, const char* method) {
        auto& code = static_cast<TNormalFunction*>(cls->methodByName(method))->code;
        return listImage(code.codePtr(), code.size());
    }
    std::string host, source;
    TRTTI* helper;
};

TEST_F(ClassCacheTest, TheCacheFileIsNamedFromTheSourcePath) {
    EXPECT_EQ(fileName(classCachePath(source)), "c127_UsrgamePlayerravok");
    EXPECT_EQ(fileName(classCachePath(parentDir(fromHostPath(host)) + "\\x.ravok")),
              "c127_@xravok");
}

TEST_F(ClassCacheTest, ASecondCompileTakesTheClassFromItsFile) {
    TTimeAnalyzer::instance().resetSections();
    TRTTI* first = compileFresh();
    ASSERT_TRUE(first);
    EXPECT_TRUE(fileExists(classCachePath(source)));
    double afterFirst = lexPasses();
    TRTTI* second = compileFresh();
    ASSERT_TRUE(second);
    EXPECT_EQ(lexPasses(), afterFirst); // not lexed again
    EXPECT_EQ(listing(second, "speed"), listing(first, "speed"));
    EXPECT_EQ(second->fieldCount(), first->fieldCount());
    // The code runs after relinking: speed(5) with bonus set by the main body.
    uint32_t instance = allocateInstance(second);
    TProcess* main = createProcess(TValue::ofObject(instance), {}, std::string_view());
    processes.push_back(main);
    run(main);
    TProcess* p = createProcess(TValue::ofObject(instance), {TValue::ofInt(5)}, "speed");
    processes.push_back(p);
    run(p);
    ASSERT_TRUE(p->result);
    EXPECT_EQ(valueToText(*p->result), "13");
    EXPECT_EQ(objectAt(objectAt(instance)->field(second->fields.indexOf(intern("x"))).u)->classId,
              helper->classId());

    // Touching the source makes the next compile read it again.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    writeSource("function speed(a) { return a; }\n");
    TRTTI* third = compileFresh();
    ASSERT_TRUE(third);
    EXPECT_GT(lexPasses(), afterFirst);
    EXPECT_EQ(listing(third, "speed").size(), 4u); // ArgValPtr_Deref, Ret, PushThis, Ret
}

TEST_F(ClassCacheTest, ABrokenOrTruncatedFileFallsBackToTheSource) {
    ASSERT_TRUE(compileFresh());
    std::string cache = classCachePath(source), bytes;
    ASSERT_TRUE(readWholeFile(cache, bytes));
    for (size_t cut : {size_t(3), size_t(20), bytes.size() / 2, bytes.size() - 1}) {
        ASSERT_TRUE(writeWholeFile(cache, bytes.substr(0, cut)));
        TRTTI* cls = compileFresh();
        ASSERT_TRUE(cls) << cut;
        EXPECT_TRUE(cls->methodByName("speed")) << cut;
    }
    // Flipped bytes all through the code: refused or read, never a crash.
    for (size_t i = 8; i < bytes.size(); i += 7) {
        std::string damaged = bytes;
        damaged[i] = char(damaged[i] ^ 0x5A);
        ASSERT_TRUE(writeWholeFile(cache, damaged));
        EXPECT_TRUE(compileFresh()) << i;
    }
}

TEST_F(ClassCacheTest, ARelocationAimedAtAnythingButAnInstructionOfItsKindIsRefused) {
    // Linking writes a field's index into the instruction a relocation
    // names. Aimed elsewhere in a forged file (a jump's offset, a string's
    // length, an opcode), that write would send the interpreter astray, so
    // such a file is refused even when its checksum is made to match.
    writeSource(
        "function f(a) { var s; while (a > 0) { a = a - 1; } s = \"text\"; return bonus; }\n");
    ASSERT_TRUE(compileFresh());
    std::string cache = classCachePath(source), bytes;
    ASSERT_TRUE(readWholeFile(cache, bytes));
    // The group: op SMemberValPtr, the name "bonus", one offset.
    const std::string group = std::string("\x04\0\0\0\x06\0\0\0bonus\0\x01\0\0\0", 18);
    size_t at = bytes.find(group);
    ASSERT_NE(at, std::string::npos);
    size_t offsetAt = at + group.size();
    uint32_t genuine;
    std::memcpy(&genuine, bytes.data() + offsetAt, 4);
    uint32_t age;
    std::memcpy(&age, bytes.data() + 4, 4);
    int accepted = 0;
    for (uint32_t aim = 0; aim < 200; aim += 2) {
        std::string forged = bytes;
        std::memcpy(forged.data() + offsetAt, &aim, 4);
        ASSERT_TRUE(writeWholeFile(cache, forged));
        TRTTI* cls = newClass();
        cls->compiled = false;
        bool loaded = false;
        try {
            TFileReader in(toHostPath(cache));
            loaded = loadClassStream(cls, in, age, false);
        } catch (const ERavokError&) {}
        EXPECT_EQ(loaded, aim == genuine) << aim;
        accepted += loaded;
    }
    EXPECT_EQ(accepted, 1);
}

TEST_F(ClassCacheTest, RelinkingAMissingClassRecompiles) {
    ASSERT_TRUE(compileFresh());
    helper->name = "Gone"; // the cache file names Helper, which no longer exists
    TTimeAnalyzer::instance().resetSections();
    TRTTI* cls = compileFresh(); // the source still says new Helper(): a compile error now
    EXPECT_EQ(cls, nullptr);
    EXPECT_EQ(lexPasses(), 1); // the file was refused, the source lexed
    ASSERT_FALSE(reporter.errors.empty());
    EXPECT_NE(reporter.errors.back().find("Helper is not defined."), std::string::npos);
}

TEST_F(ClassCacheTest, SnippetsNeverTouchTemp) {
    std::string temp = fromHostPath(host) + "\\Temp";
    EXPECT_EQ(evaluate("x = 1;"), 0);
    EXPECT_EQ(evaluate("x = ;", false), 1);
    EXPECT_FALSE(fileExists(temp));
}

// Classes compiled while an image is in use, then an image of them: the next
// compile takes each class from the image, without its own cache file.
TEST_F(ClassCacheTest, AnImageOfTheCachedClassesStandsForTheirFiles) {
    TTimeAnalyzer::instance().resetSections();
    std::string image = fromHostPath(host) + "\\Temp\\k127_Kernel";
    TClassImage none;
    none.read(image);
    EXPECT_TRUE(none.empty());
    std::vector<std::string> sources, compiled;
    {
        TClassImageUse use(none);
        TRTTI* first = compileFresh();
        ASSERT_TRUE(first);
        compiled = listing(first, "speed");
        EXPECT_TRUE(use.missed());
        EXPECT_TRUE(use.allCached());
        sources = use.cachedSources();
    }
    ASSERT_EQ(sources, std::vector<std::string>{source});
    // No image is written while a class has no cache file to take it from.
    EXPECT_FALSE(writeClassImage(image, {source, source + "x"}));
    EXPECT_FALSE(fileExists(image));
    ASSERT_TRUE(writeClassImage(image, sources));
    std::string cache = classCachePath(source), cached;
    ASSERT_TRUE(readWholeFile(cache, cached));
    ASSERT_TRUE(deleteFile(cache));
    TClassImage held;
    held.read(image);
    EXPECT_EQ(held.recordFor(source), cached);
    EXPECT_TRUE(held.recordFor(source + "x").empty());
    double afterFirst = lexPasses();
    {
        TClassImageUse use(held);
        TRTTI* cls = compileFresh();
        ASSERT_TRUE(cls);
        EXPECT_FALSE(use.missed());
        EXPECT_EQ(lexPasses(), afterFirst); // taken from the image, not lexed
        EXPECT_EQ(listing(cls, "speed"), compiled);
    }
    // A source changed since the image was written (its length too, so the
    // stamp differs whatever the clock) is compiled again.
    writeSource("function speed(a) { return a; }\n");
    {
        TClassImageUse use(held);
        TRTTI* cls = compileFresh();
        ASSERT_TRUE(cls);
        EXPECT_TRUE(use.missed());
        EXPECT_TRUE(use.allCached());
        EXPECT_EQ(listing(cls, "speed").size(), 4u);
    }
}

TEST_F(ClassCacheTest, ACutOrDamagedImageIsPassedOverForTheSource) {
    std::string image = fromHostPath(host) + "\\Temp\\k127_Kernel";
    ASSERT_TRUE(compileFresh());
    ASSERT_TRUE(writeClassImage(image, {source}));
    std::string bytes;
    ASSERT_TRUE(readWholeFile(image, bytes));
    // Cut anywhere, the image holds nothing.
    for (size_t cut = 0; cut < bytes.size(); cut += 5) {
        ASSERT_TRUE(writeWholeFile(image, bytes.substr(0, cut)));
        TClassImage cutShort;
        cutShort.read(image);
        EXPECT_TRUE(cutShort.empty()) << cut;
    }
    // A forged count or length claims more than the file holds.
    for (size_t at : {size_t(8), size_t(12)}) {
        std::string forged = bytes;
        forged.replace(at, 4, "\xff\xff\xff\x7f", 4);
        ASSERT_TRUE(writeWholeFile(image, forged));
        TClassImage refused;
        refused.read(image);
        EXPECT_TRUE(refused.empty()) << at;
    }
    // A damaged record is refused when it is loaded; the class comes from its
    // source, whole.
    ASSERT_TRUE(deleteFile(classCachePath(source)));
    for (size_t i = bytes.size() - 40; i < bytes.size(); i += 3) {
        std::string damaged = bytes;
        damaged[i] = char(damaged[i] ^ 0x5A);
        ASSERT_TRUE(writeWholeFile(image, damaged));
        TClassImage held;
        held.read(image);
        ASSERT_FALSE(held.empty()) << i;
        TClassImageUse use(held);
        TRTTI* cls = compileFresh();
        ASSERT_TRUE(cls) << i;
        EXPECT_TRUE(cls->methodByName("speed")) << i;
        EXPECT_TRUE(use.missed()) << i;
        ASSERT_TRUE(deleteFile(classCachePath(source)));
    }
}

TEST(MultiEvaluatorTest, EveryLineIsFollowedByItsCheckPoint) {
    TMultiEvaluator m;
    m.Add("a=1;");
    m.Add("b=2;");
    EXPECT_EQ(m.lines(), (std::vector<std::string>{"extends Object; $_exec_checkPoint=-1;",
                                                   "a=1;\r\n$_exec_checkPoint=1;",
                                                   "b=2;\r\n$_exec_checkPoint=2;"}));
}

} // namespace
} // namespace ravok::test
