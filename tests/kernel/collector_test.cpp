// The collector and the instance pools, with the real kernel classes: a
// separate test program, because it boots the kernel for the whole process.
#include "compiler/evaluator.h"
#include "kernel/boot.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "runtime/collector.h"
#include "runtime/native_api.h"
#include "runtime/pool.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"
#include "runtime/stats.h"
#include "runtime/string_destructor.h"
#include "runtime/tf_object.h"
#include "runtime/tf_string.h"

#include "base/encoding.h"
#include "base/reporter.h"

#include "kernel_fixture.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

class CollectorTest : public KernelTest {
protected:
    static void SetUpTestSuite() {
        KernelTest::SetUpTestSuite();
        bootMessages() = recording().errors;
    }
    static std::vector<std::string>& bootMessages() {
        static std::vector<std::string> m;
        return m;
    }

    void run(const std::string& text) { ASSERT_EQ(evaluate("extends Object; " + text), 0) << text; }
    TValue global(const char* name) { return *native::globalCell(name); }
    TRTTI* cls(const char* name) { return dynamic_cast<TRTTI*>(resourceRoot()->lookup(name)); }
    // A class of the test, compiled from text and placed beside the kernel.
    TRTTI* define(const std::string& markupName, const std::string& source);
};

} // namespace

bool compileForTest(TRTTI* c, const std::string& source);

namespace {

TRTTI* CollectorTest::define(const std::string& name, const std::string& source) {
    TResource* lang = resourceRoot()->lookup("classes.lang");
    auto* c = new TRTTI(name);
    lang->addChild(std::unique_ptr<TResource>(c));
    TAlias::instance().add(name, c);
    c->aliasRegistered = true;
    EXPECT_TRUE(compileForTest(c, source)) << name;
    return c;
}

// Every class of the bundle compiles and every native the player has binds
// to a declaration: the boot says nothing.
TEST_F(CollectorTest, TheKernelBootsSilentlyWithEveryClassCompiled) {
    EXPECT_TRUE(bootMessages().empty()) << bootMessages().front();
    struct TCheck : TResourceIterator {
        int classes = 0, compiled = 0;
        void visit(TResource* r) override {
            if (auto* c = dynamic_cast<TRTTI*>(r)) {
                ++classes;
                compiled += c->compiled;
            }
        }
    } check;
    resourceRoot()->lookup("classes")->visit(check);
    EXPECT_GE(check.classes, 31);
    EXPECT_EQ(check.compiled, check.classes);
    for (const char* path : {"classes.lang.Object",
                             "classes.lang.Boot",
                             "classes.scr.Sprite",
                             "classes.game.Char",
                             "Page",
                             "ProjectManager",
                             "Window",
                             "classes.lang.CMML",
                             "classes.customres.CustomResource",
                             "BuiltInResource",
                             "ResourceReader",
                             "ResourceWriter",
                             "SoundEffect",
                             "BGM",
                             "MediaPlayer",
                             "JoyStick",
                             "Panel",
                             "AbstractHashTable",
                             "LightHashTable",
                             "HashTable",
                             "InputBox",
                             "SelectBox",
                             "TextEditor",
                             "Ranking",
                             "System",
                             "FileReader",
                             "FileWriter",
                             "MouseManager"})
        EXPECT_TRUE(dynamic_cast<TRTTI*>(resourceRoot()->lookup(path))) << path;
    EXPECT_TRUE(resourceRoot()->lookup("usrglobal"));
    EXPECT_TRUE(resourceRoot()->lookup("modules"));
    EXPECT_TRUE(resourceRoot()->lookup("patterns"));
}

TEST_F(CollectorTest, ADroppedInstanceIsReusedAfterItsDestructorRan) {
    define("Pet", "destructor gone() { $destroyed += 1; }");
    run("$destroyed = 0; $p = new Pet();");
    uint32_t first = global("$p").u;
    run("$p = null; $q = new Pet();");
    EXPECT_EQ(global("$q").u, first); // the same record, reused
    EXPECT_EQ(global("$destroyed").i, 1);
    run("$p = null; $q = null;");
}

// The pools free a dropped string's body without running the kernel's String
// destructor as a process; a destructor that does anything more is run.
TEST_F(CollectorTest, OnlyTheBodyFreeingStringDestructorIsTakenAsKnown) {
    EXPECT_TRUE(freesOnlyStringBody(*cls("classes.lang.String")->destructor()));
    TRTTI* plain = define("PlainText", "extends String; destructor free() { _free_body(_body); }");
    EXPECT_TRUE(freesOnlyStringBody(*plain->destructor()));
    TRTTI* counting =
        define("CountedText", "extends String; destructor free() { _free_body(_body); $n += 1; }");
    EXPECT_FALSE(freesOnlyStringBody(*counting->destructor()));
    TRTTI* other = define("OtherField", "extends String; destructor free() { _free_body(x); }");
    EXPECT_FALSE(freesOnlyStringBody(*other->destructor()));

    int64_t before = gStats.strings;
    run("$s = \"\"; for (i = 0; i < 5000; i++) { $s = $s + \"ab\"; $t = $s; }");
    EXPECT_EQ(stringText(global("$s").u).size(), 10000u);
    // The dropped strings' bodies went as their records were reused.
    EXPECT_LT(gStats.strings - before, 16);
    run("$s = null; $t = null;");
}

TEST_F(CollectorTest, ACycleSurvivesUntilTheNextRealCollection) {
    define("Node", "function link(o) { other = o; } destructor gone() { $freed += 1; }");
    run("$freed = 0; a = new Node(); b = new Node(); a.link(b); b.link(a); $ka = a; $kb = b;");
    run("$ka = null; $kb = null;"); // now only the cycle holds them
    EXPECT_EQ(global("$freed").i, 0);
    collect();
    EXPECT_EQ(global("$freed").i, 2);
}

TEST_F(CollectorTest, AnObjectHeldOnlyByAnArraySurvivesThroughItsGcMark) {
    define("Item", "destructor gone() { $items += 1; }");
    run("$items = 0; $list = new Array(); $list.add(new Item()); $list.add(new Item());");
    collect();
    EXPECT_EQ(global("$items").i, 0); // reached through Array.gc_mark
    run("$list = null;");
    collect();
    EXPECT_EQ(global("$items").i, 2);
}

TEST_F(CollectorTest, HashTableContentsSurviveThroughItsGcMark) {
    define("Entry", "destructor gone() { $entries += 1; }");
    run("$entries = 0; $table = new HashTable(); $table.put(\"a\", new Entry()); $table.put(new "
        "Entry(), 1);");
    collect();
    EXPECT_EQ(global("$entries").i, 0);
    run("$table = null;");
    collect();
    EXPECT_EQ(global("$entries").i, 2);
}

TEST_F(CollectorTest, ADestroyedArrayFreesItsList) {
    int64_t elements = gStats.listElements, cells = gStats.valueCells;
    run("$big = new Array(); for (i = 0; i < 100; i++) $big.add(i);");
    EXPECT_EQ(gStats.listElements, elements + 100);
    run("$big = null;");
    collect();
    EXPECT_EQ(gStats.listElements, elements);
    EXPECT_EQ(gStats.valueCells, cells);
}

TEST_F(CollectorTest, TheDiagnosticPassListsCountsThatAreTooLow) {
    define("Counted", "function hold(x) { f = x; }");
    run("$holder1 = new Counted(); $holder2 = new Counted(); $shared = new Counted();"
        "$holder1.hold($shared); $holder2.hold($shared);");
    uint32_t shared = global("$shared").u;
    // Forge a count that is too low: three references, a count of 1.
    objectAt(shared)->refcount = 1;
    collectorObjectList().clear();
    collect();
    ASSERT_EQ(collectorObjectList().size(), 1u);
    EXPECT_EQ(collectorObjectList()[0],
              cls("Counted")->classText() + ":r=3,f=1," + std::to_string(shared));
    objectAt(shared)->refcount = 3;
    run("$holder1 = null; $holder2 = null; $shared = null;");
}

TEST_F(CollectorTest, RefcountOfAFreshInstanceInOneLocalIsOne) {
    define("Fresh",
           "function count() { var o; o = new Fresh(); return _n_refcount(_n_objhandle(o)); }");
    run("f = new Fresh(); $n = f.count();");
    EXPECT_EQ(global("$n").i, 1);
    run("$bad = _n_refcount(12345);");
    EXPECT_EQ(global("$bad").i, -1);
}

TEST_F(CollectorTest, AMillionDroppedObjectsKeepThePoolSmall) {
    TRTTI* small = define("Small", "");
    // The same snippet both times: its compiled class is kept for reuse.
    native::setGlobal("$count", TValue::ofInt(1000));
    const char* loop = "for (i = 0; i < $count; i++) o = new Small();";
    run(loop); // warm-up
    size_t pool = small->pool.size();
    size_t arena = TArena::instance().bytesInUse();
    native::setGlobal("$count", TValue::ofInt(1000000));
    run(loop);
    EXPECT_EQ(small->pool.size(), pool);
    EXPECT_LE(small->pool.size(), 3u);
    EXPECT_EQ(TArena::instance().bytesInUse(), arena);
}

// Runtime services evaluate the same texts over and over (split() runs one
// each time): the compiled snippet is reused, so classes, functions and arena
// stay as they were however often it runs.
TEST_F(CollectorTest, ARepeatedSnippetIsCompiledOnce) {
    run("$text = \"a,b,c\";");
    const char* splitting = "$parts = $text.split(\",\");";
    // The first runs make the globals split() uses (so the snippet is compiled
    // again once) and fill the pools of strings and arrays.
    for (int i = 0; i < 100; ++i)
        run(splitting);
    size_t arena = TArena::instance().bytesInUse();
    int64_t functions = gStats.functions;
    TRTTI* probe = new TRTTI("probe");
    uint32_t before = probe->classId();
    delete probe;
    for (int i = 0; i < 2000; ++i)
        run(splitting);
    probe = new TRTTI("probe");
    EXPECT_EQ(probe->classId(), before + 1); // no class was made in between
    delete probe;
    EXPECT_EQ(gStats.functions, functions);
    EXPECT_EQ(TArena::instance().bytesInUse(), arena);
    bool listed = false;
    for (const auto& [text, uses] : cachedSnippets())
        if (text.find("split") != std::string::npos) listed = uses >= 2000;
    EXPECT_TRUE(listed);
}

} // namespace
} // namespace ravok
