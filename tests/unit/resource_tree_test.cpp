// The resource tree: reading by tag, look-up with aliases and automatic
// globals, editing, saving, initialisation passes, modules.
#include "test_support.h"

#include "resources/host_files.h"
#include "resources/modules.h"
#include "resources/program_paths.h"
#include "resources/resource_kinds.h"
#include "resources/resource_reader.h"
#include "resources/resource_tree.h"
#include "resources/resources_natives.h"
#include "runtime/errors.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"

#include "base/encoding.h"

#include <cstdlib>

namespace ravok::test {
namespace {

const char* kKernel = R"(<resourcelist name="kernel">
 <resourcelist name="classes">
  <resourcelist name="lang"><class name="Object" src="lang\Object.ravok" category="core"/></resourcelist>
  <resourcelist name="customres"><class name="Counter"/></resourcelist>
  <resourcelist name="test"></resourcelist>
 </resourcelist>
 <resourcelist name="usrglobal"></resourcelist>
 <resourcelist name="modules"></resourcelist>
</resourcelist>)";

// The tree's services, with a compiler a test may stand in for.
class TTestResourceServices : public TTreeResourceServices {
public:
    std::function<void(TRTTI*)> compile;
    void compileClass(TRTTI* cls) override {
        if (compile) compile(cls);
    }
};

class ResourceTreeTest : public RuntimeTest {
protected:
    TTestResourceServices services;
    std::unique_ptr<TScopedEvaluator> evaluator;

    void SetUp() override {
        RuntimeTest::SetUp();
        char tmpl[] = "/tmp/ravok-tree-XXXXXX";
        host = mkdtemp(tmpl);
        dir = fromHostPath(host);
        setProgramDirectory(dir);
        setBaseDirectory(dir);
        root = readResourceText(kKernel);
        ASSERT_TRUE(root);
        setResourceRoot(root.get());
        setResourceServices(&services);
        native::setGlobalScope(&treeGlobalScope());
    }
    void TearDown() override {
        setResourceRoot(nullptr);
        evaluator.reset();
        native::setGlobalScope(nullptr);
        setResourceServices(nullptr);
        root.reset();
        if (std::system(("rm -rf '" + host + "'").c_str()) != 0) ADD_FAILURE();
        RuntimeTest::TearDown();
    }
    TResourceList* list(const char* path) {
        return dynamic_cast<TResourceList*>(root->lookup(path));
    }
    std::string host, dir;
    std::unique_ptr<TResource> root;
};

TEST_F(ResourceTreeTest, LookUpIgnoresCaseUsesAliasesAndCreatesGlobals) {
    TResource* object = root->lookup("classes.lang.object");
    ASSERT_TRUE(dynamic_cast<TRTTI*>(object));
    EXPECT_EQ(object->sourceFile, dir + "\\lang\\Object.ravok");
    EXPECT_EQ(fullPath(object), "classes.lang.Object");
    EXPECT_EQ(static_cast<TRTTI*>(object)->fullName(), "classes.lang.Object");
    EXPECT_EQ(root->lookup("Object"), object); // the alias table
    EXPECT_EQ(root->lookup("Object.x"), nullptr);
    EXPECT_EQ(root->lookup(""), nullptr);
    EXPECT_EQ(root->lookup("classes.nothing"), nullptr);

    TResource* score = root->lookup("$score");
    ASSERT_TRUE(dynamic_cast<TGlobalValue*>(score));
    EXPECT_EQ(score->parent, root->lookup("usrglobal"));
    EXPECT_EQ(root->lookup("$SCORE"), score);
    EXPECT_EQ(list("usrglobal")->children().size(), 1u);
    EXPECT_EQ(valueToText(*score->valueCell()), "Variable$score");
    // The natives' global cells are now the tree's.
    EXPECT_EQ(native::globalCell("$score"), score->valueCell());
    EXPECT_EQ(root->lookup("score"), nullptr); // only $ names are created
}

TEST_F(ResourceTreeTest, AClassWithoutSlashKeepsItsSiblingsAndUnknownTagsAreSkipped) {
    auto l = readResourceText(
        R"(<classlist name="l"><class name="A"><class name="B"/><param name="p" value="v"/><weird name="w"/></classlist>)");
    auto* rl = dynamic_cast<TResourceList*>(l.get());
    ASSERT_TRUE(rl);
    ASSERT_EQ(rl->children().size(), 3u);
    EXPECT_EQ(rl->children()[0]->name, "A");
    EXPECT_EQ(rl->children()[1]->name, "B");
    EXPECT_EQ(static_cast<TfParam*>(rl->children()[2].get())->value, "v");
    EXPECT_EQ(reporter.errors, std::vector<std::string>{"weird : Invalid Tag Name"});
    // A class made while registration is off gets no alias.
    TAlias::instance().registering = false;
    auto quiet = readResourceText(R"(<class name="Quiet"/>)");
    TAlias::instance().registering = true;
    EXPECT_EQ(root->lookup("Quiet"), nullptr);
}

TEST_F(ResourceTreeTest, LinksReadTheirFileAndMissingFilesAreErrors) {
    ASSERT_TRUE(writeWholeFile(
        dir + "\\sub.ravokres",
        "<resourcelist name=\"inner\">\n <param name=\"x\" value=\"1\"/>\n</resourcelist>\n"));
    auto l = readResourceText(
        R"(<resourcelist name="outer"><link src="sub.ravokres" name="ignored"/></resourcelist>)");
    auto* inner =
        dynamic_cast<TResourceList*>(dynamic_cast<TResourceList*>(l.get())->children().at(0).get());
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->name, "inner");
    EXPECT_EQ(inner->sourceFile, dir + "\\sub.ravokres");
    try {
        readResourceText(R"(<link src="missing.ravokres"/>)");
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), dir + "\\missing.ravokres is not found.");
    }
    EXPECT_EQ(reporter.errors.back(), dir + "\\missing.ravokres is not found.");
    ASSERT_TRUE(
        writeWholeFile(dir + "\\self.ravokres",
                       "<resourcelist name=\"s\"><link src=\"self.ravokres\"/></resourcelist>"));
    auto self = readResourceFile("self.ravokres");
    ASSERT_TRUE(self);
    EXPECT_EQ(reporter.errors.back(), dir + "\\self.ravokres links to itself.");
}

TEST_F(ResourceTreeTest, EditingTheTree) {
    TResource* linked = createLinked(dir + "\\mods.ravokres", "modules.extra");
    ASSERT_TRUE(linked);
    EXPECT_EQ(root->lookup("modules.extra"), linked);
    EXPECT_TRUE(fileExists(dir + "\\mods.ravokres"));
    TResource* made = createList("usrglobal.bag");
    ASSERT_TRUE(made);
    EXPECT_EQ(fullPath(made), "usrglobal.bag");
    auto p = std::make_unique<TfParam>();
    p->value = "q";
    attach("usrglobal.bag.renamed", std::move(p));
    EXPECT_TRUE(root->lookup("usrglobal.bag.renamed"));
    remove("usrglobal.bag.renamed");
    EXPECT_FALSE(root->lookup("usrglobal.bag.renamed"));

    std::string common;
    root->lookup("classes")->commonDir(common); // only Object has a source file there
    EXPECT_EQ(common, dir + "\\lang");
    root->commonDir(common); // the linked list's file lies one folder up
    EXPECT_EQ(common, dir);
    TLines lines;
    root->lookup("classes")->dumpTree(lines, "classes");
    EXPECT_EQ(lines.front(), "classes");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "classes.lang.Object"), lines.end());
    TLines all;
    root->dumpTree(all, "");
    EXPECT_EQ(all.front(), "<root>");
    EXPECT_EQ(all[1], "classes");
}

TEST_F(ResourceTreeTest, UniqueNames) {
    auto l = readResourceText(
        R"(<resourcelist name="pages"><param name="$page_a"/><param name="$page_a_1"/><param name="$page_a_7"/></resourcelist>)");
    EXPECT_EQ(uniqueName(l.get(), "$page_a"), "$page_a_8");
    EXPECT_EQ(uniqueName(l.get(), "$PAGE_A_1"), "$PAGE_A_8");
    EXPECT_EQ(uniqueName(l.get(), "$page_b"), "$page_b");
}

TEST_F(ResourceTreeTest, SavingEveryKind) {
    ASSERT_TRUE(writeWholeFile(dir + "\\lib.so", "not a library"));
    auto l = readResourceText(R"(<resourcelist name="save" src="save.ravokres">
        <globalvalue name="$title"/><globalvalue name="$count"/><globalvalue name="$ratio"/>
        <param name="p" value="a&quot;b"/><class name="C" src="c\C.ravokres" category="game"/>
        <module src="lib.so"/></resourcelist>)");
    ASSERT_TRUE(l);
    EXPECT_EQ(reporter.errors.size(), 1u); // the library that is not one
    attach("usrglobal.save", std::move(l));
    native::setString(*root->lookup("$title")->valueCell(), "hello");
    setInt(*root->lookup("$count")->valueCell(), 7);
    setFloat(*root->lookup("$ratio")->valueCell(), 0.5f);
    ASSERT_TRUE(saveToFile("usrglobal.save"));
    std::string text;
    ASSERT_TRUE(readWholeFile(dir + "\\save.ravokres", text));
    EXPECT_EQ(text, "<resourcelist name=\"save\">\r\n"
                    " <globalvalue name=\"$title\" value=\"%22hello%22\"/>\r\n"
                    " <globalvalue name=\"$count\" value=\"7\"/>\r\n"
                    " <globalvalue name=\"$ratio\" value=\"\"/>\r\n"
                    " <param name=\"p\" value=\"a&quot;b\"/>\r\n"
                    " <class name=\"C\" src=\"c\\C.ravokres\" category=\"game\"/>\r\n"
                    "</resourcelist>\r\n");
    // Read back, the string global's initial text is the literal again.
    auto back = readResourceText(text);
    auto* title =
        dynamic_cast<TGlobalValue*>(dynamic_cast<TResourceList*>(back.get())->children()[0].get());
    ASSERT_TRUE(title);
    EXPECT_EQ(title->initialValue, "\"hello\"");
    EXPECT_FALSE(saveToFile("classes.lang")); // no source file
    EXPECT_EQ(reporter.errors.back(), "classes.lang Cannot be saved.");
    // A clone is the same resource read again.
    auto copy = root->lookup("usrglobal.save")->clone();
    ASSERT_TRUE(copy);
    EXPECT_EQ(dynamic_cast<TResourceList*>(copy.get())->children().size(), 5u);
    // Merging adds what the target lacks, and only that.
    EXPECT_TRUE(mergeInto(list("usrglobal"), copy.get()));
    EXPECT_TRUE(root->lookup("usrglobal.p"));
    EXPECT_FALSE(mergeInto(list("usrglobal"), copy.get()));
}

// The statement evaluator stands in for the compiler: it only knows the
// statements the tree runs.
int gOnInitResult = 1;
int fakeStatements(std::string_view text, bool) {
    if (text == "$_tmp_val2=$_tmp_val1.onInit();")
        native::setGlobal("$_tmp_val2", TValue::ofInt(gOnInitResult));
    return 0;
}

TEST_F(ResourceTreeTest, APassThatNeverFinishesEndsInRecursiveInheritance) {
    evaluator = std::make_unique<TScopedEvaluator>(nullptr, fakeStatements);
    TRTTI* counter = dynamic_cast<TRTTI*>(root->lookup("classes.customres.Counter"));
    ASSERT_TRUE(counter);
    counter->fieldIndexCreate("_generator");
    counter->fieldIndexCreate("label");
    counter->compiled = true;
    auto l = readResourceText(
        R"(<resourcelist name="page"><Counter name="c1"><resinst type="string" name="label" value="hi"/><resinst type="int" name="label" value="x"/></Counter></resourcelist>)");
    ASSERT_TRUE(l);
    auto* custom = dynamic_cast<TCustomResource*>(
        dynamic_cast<TResourceList*>(l.get())->children().at(0).get());
    ASSERT_TRUE(custom);
    ASSERT_EQ(custom->scriptCell().kind, vtObject);
    TfObject* o = objectAt(custom->scriptCell().u);
    EXPECT_EQ(valueToText(o->field(counter->fields.indexOf(intern("label")))), "hi");
    EXPECT_EQ(o->field(counter->fields.indexOf(symGenerator)).u, custom->hostId());
    gOnInitResult = 1;
    try {
        l->initialize();
        FAIL();
    } catch (const ERavokError& e) {
        EXPECT_STREQ(e.what(), "Recursive Inheritance");
    }
    gOnInitResult = 2;
    EXPECT_TRUE(l->initialize());
    gOnInitResult = 3;
    EXPECT_THROW(l->initialize(), ERavokError);
    TLines lines;
    custom->save(lines, " ");
    EXPECT_EQ(lines, TLines{" <Counter name=\"c1\">\r\n  <resinst type=\"string\" name=\"label\" "
                            "value=\"hi\"/> </Counter>"});
    auto ranking = readResourceText(R"(<Counter name="r" browserURL="x"/>)");
    EXPECT_TRUE(reporter.errors.empty());
}

class ModuleTest : public ResourceTreeTest {};

TEST_F(ModuleTest, AModuleBindsItsNativesThroughTheCallTable) {
    TRTTI* mod = makeClass("Mod", core->object);
    list("classes.test")->addChild(std::unique_ptr<TRTTI>(mod));
    ASSERT_EQ(fullPath(mod), "classes.test.Mod");
    for (const char* n : {"native_sum", "native_echo", "native_describe"})
        addNativeMethod(mod, n, unboundNativeRoutine);
    auto m = readResourceText(std::string("<resourcelist name=\"ext\"><module src=\"") +
                              RAVOK_TEST_MODULE + "\"/><module src=\"" + RAVOK_TEST_NO_INIT +
                              "\"/></resourcelist>");
    ASSERT_TRUE(m);
    EXPECT_TRUE(reporter.errors.empty());
    TResource* ext = attach("modules.ext", std::move(m));
    bindModules();
    EXPECT_EQ(reporter.errors,
              std::vector<std::string>{"ClassMod: native functionnative_missing is undefined."});
    EXPECT_EQ(valueToText(callNative(mod, "native_sum", TValue::null(),
                                     {TValue::ofInt(40), TValue::ofFloat(2.9f)})),
              "42");
    TValue s = TValue::null();
    native::setString(s, "abc");
    TValue echoed = callNative(mod, "native_echo", TValue::null(), {s});
    EXPECT_EQ(valueToText(echoed), "abc");
    EXPECT_EQ(objectAt(s.u)->refcount, 2); // copied with its count
    decrement(echoed);
    EXPECT_EQ(valueToText(callNative(mod, "native_describe", TValue::null(), {s})), "3003");
    EXPECT_EQ(
        valueToText(callNative(mod, "native_describe", TValue::null(), {TValue::ofFloat(0.5f)})),
        "2003");
    // Saving a list whose children are modules writes no module line.
    TLines lines;
    ext->save(lines, "");
    EXPECT_EQ(lines, (TLines{"<resourcelist name=\"ext\">", "</resourcelist>"}));
    auto missing = readResourceText("<module src=\"nowhere.so\"/>");
    ASSERT_TRUE(missing);
    EXPECT_EQ(static_cast<TModuleRes*>(missing.get())->library(), nullptr);
    EXPECT_NE(reporter.errors.back().find("nowhere.so cannot be loaded: "), std::string::npos);
}

TEST_F(ModuleTest, ModuleBundlesAreFoundUnderKernelModules) {
    ASSERT_TRUE(forceDirs(dir + "\\Kernel\\modules\\ext"));
    ASSERT_TRUE(forceDirs(dir + "\\Kernel\\modules\\empty")); // no bundle: skipped
    ASSERT_TRUE(writeWholeFile(dir + "\\Kernel\\modules\\ext\\ext.ravokres",
                               std::string("<resourcelist name=\"ext\"><module src=\"") +
                                   RAVOK_TEST_MODULE + "\"/></resourcelist>"));
    TRTTI* mod = makeClass("Mod", core->object);
    list("classes.test")->addChild(std::unique_ptr<TRTTI>(mod));
    addNativeMethod(mod, "native_sum", unboundNativeRoutine);
    discoverModules();
    ASSERT_TRUE(root->lookup("modules.ext"));
    EXPECT_FALSE(root->lookup("modules.empty"));
    bindModules();
    EXPECT_EQ(valueToText(callNative(mod, "native_sum", TValue::null(),
                                     {TValue::ofInt(1), TValue::ofInt(2)})),
              "3");
}

TEST_F(ResourceTreeTest, ClassesCompileInPassesAndLeaveTheAliasTableWhenDestroyed) {
    static int compiles;
    compiles = 0;
    services.compile = [](TRTTI* cls) {
        // The subclass waits for its superclass, as a compiler would.
        if (cls->name == "Sub" && !static_cast<TRTTI*>(resourceRoot()->lookup("Base"))->compiled)
            return;
        ++compiles;
        cls->compiled = true;
    };
    auto l = readResourceText(
        R"(<classlist name="game"><class name="Sub"/><class name="Base"/></classlist>)");
    ASSERT_TRUE(l);
    TResource* attached = attach("classes.game", std::move(l));
    ASSERT_TRUE(attached);
    EXPECT_TRUE(attached->initialize());
    EXPECT_EQ(compiles, 2);
    services.compile = nullptr;
    EXPECT_TRUE(root->lookup("Sub"));
    TLines lines;
    root->lookup("Sub")->save(lines, "  ");
    EXPECT_EQ(lines, TLines{"  <class name=\"Sub\" src=\"\" category=\"\"/>"});
    remove("classes.game");
    EXPECT_EQ(root->lookup("Sub"), nullptr); // gone from the alias table with the class
    // Walking a list and removing through the iterator.
    auto bag = readResourceText(
        R"(<resourcelist name="b"><param name="x"/><param name="y"/><param name="z"/></resourcelist>)");
    auto it = bag->newIterator();
    while (it->hasNext())
        if (it->next()->name == "y") it->removeCurrent();
    EXPECT_EQ(dynamic_cast<TResourceList*>(bag.get())->children().size(), 2u);
    EXPECT_EQ(bag->findChild("Z")->name, "z");
}

TEST_F(ResourceTreeTest, TheTreeNativesAnswerScripts) {
    auto get = routineOf(objectResourceNatives(), "_n_getResource");
    auto init = routineOf(objectResourceNatives(), "_n_initResource");
    TValue path = TValue::null();
    native::setString(path, "classes.nothing");
    EXPECT_EQ(callRoutine(get, {path}).i, 0);
    EXPECT_EQ(callRoutine(init, {path}).i, 1);
    TResource* object = root->lookup("classes.lang.Object");
    TValue h = object->handle();
    EXPECT_EQ(valueToText(callRoutine(routineOf(customResourceNatives(), "_n_getName"), {h})),
              "Object");
    EXPECT_EQ(valueToText(callRoutine(routineOf(customResourceNatives(), "_n_getFullPath"), {h})),
              "classes.lang.Object");
    EXPECT_EQ(valueToText(callRoutine(routineOf(customResourceNatives(), "_n_getURL"), {h})),
              dir + "\\lang\\Object.ravok");
    EXPECT_EQ(callRoutine(routineOf(customResourceNatives(), "_n_getName"), {TValue::ofInt(5)}).i,
              0);
    EXPECT_EQ(callRoutine(routineOf(builtInResourceNatives(), "_n_getCustomRes"), {h}).kind,
              vtNull);
    decrement(path);
}

} // namespace
} // namespace ravok::test
