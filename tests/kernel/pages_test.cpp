// Projects, pages, generators, page reconstruction and the main loop, with
// the real kernel classes and pages written into a scratch folder of the
// program directory. Each test expects a freshly booted kernel: CTest runs
// every test of this program in a process of its own.
#include "base/clock.h"
#include "base/encoding.h"
#include "base/frame_pacing.h"
#include "base/key_source.h"
#include "base/reporter.h"
#include "compiler/evaluator.h"
#include "kernel/boot.h"
#include "kernel/ranking.h"
#include "pages/generator.h"
#include "pages/page_hash.h"
#include "pages/page_loader.h"
#include "pages/page_reconstruction.h"
#include "pages/page_state.h"
#include "pages/project_manager.h"
#include "platform/headless/virtual_clock.h"
#include "player/debugger.h"
#include "player/main_loop.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/resource_kinds.h"
#include "resources/resource_reader.h"
#include "resources/resource_tree.h"
#include "resources/text_lines.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"
#include "runtime/random.h"
#include "runtime/root_process.h"
#include "runtime/value_ops.h"
#include "screen/cpattern.h"
#include "screen/patterns.h"
#include "screen/screen.h"

#include "kernel_fixture.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

const char* const kEmptyPage = "<resourcelist name=\"usr\">\r\n</resourcelist>\r\n";

class PagesTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        setClock(&clock);
        folder = programDirectory() + "\\test-pages\\" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        forceDirs(folder);
        for (const std::string& f : listDirectory(folder).files)
            deleteFile(folder + "\\" + f);
    }
    void TearDown() override {
        stopPage();
        setClock(nullptr);
        KernelTest::TearDown();
    }

    std::string write(const std::string& name, const std::string& text) {
        std::string path = folder + "\\" + name;
        writeWholeFile(path, text);
        return path;
    }
    // A page with the given classes (name -> source) and the generator lines.
    std::string page(const std::string& name,
                     std::vector<std::pair<std::string, std::string>> classes,
                     const std::string& generators) {
        std::string text = "<resourcelist name=\"usr\">\r\n <resourcelist name=\"classes\">\r\n";
        for (const auto& [cls, source] : classes) {
            write(cls + ".ravok", source);
            text += "  <class name=\"" + cls + "\" src=\"" + cls + ".ravok\"/>\r\n";
        }
        text += " </resourcelist>\r\n <resourcelist name=\"gen\">\r\n" + generators +
                " </resourcelist>\r\n</resourcelist>\r\n";
        std::string path = write(name, text);
        deleteFile(reconstructionCacheFile(path));
        return path;
    }
    TValue global(const char* name) {
        TValue* cell = native::globalCell(name);
        return cell ? *cell : TValue::null();
    }
    std::string text(const char* name) { return valueToText(global(name)); }
    void run(const std::string& statements) {
        ASSERT_EQ(evaluate("extends Object; " + statements), 0) << statements;
    }

    TVirtualClock clock;
    std::string folder;
};

TEST_F(PagesTest, APageInAFolderWithoutAProjectCreatesItAndRegistersEveryPage) {
    std::string a = write("a.cmml", kEmptyPage);
    write("x.cmml", kEmptyPage);
    write("x_1.cmml", kEmptyPage);
    loadPage(a);
    std::string project;
    ASSERT_TRUE(readWholeFile(folder + "\\default.ravokprj", project));
    EXPECT_EQ(textLines(project),
              (std::vector<std::string>{"<resourcelist name=\"project\">",
                                        " <resourcelist name=\"pages\">", " </resourcelist>",
                                        "</resourcelist>"}));
    auto* pages = dynamic_cast<TResourceList*>(TPrjManager::instance().pagesList());
    ASSERT_TRUE(pages);
    std::vector<std::string> names;
    for (const auto& p : pages->children())
        names.push_back(p->name);
    EXPECT_EQ(names, (std::vector<std::string>{"$page_a", "$page_x", "$page_x_1"}));
    EXPECT_EQ(TPrjManager::instance().currentPageName(), "$page_a");
    TPrjManager::instance().addPage("$page_x", "x.cmml");
    EXPECT_EQ(pages->children().back()->name, "$page_x_2");
    EXPECT_EQ(TPrjManager::instance().getParam("savedVersion"), "1270");
}

TEST_F(PagesTest, ANewPageStartsFromTheTemplateAndLoads) {
    std::string p = folder + "\\new.cmml";
    ASSERT_TRUE(createPageFile(p));
    std::string bytes;
    readWholeFile(p, bytes);
    EXPECT_EQ(textLines(bytes),
              (std::vector<std::string>{
                  "<resourcelist name=\"usr\">", " <resourcelist name=\"patterns\">",
                  " </resourcelist>", " <resourcelist name=\"classes\">", " </resourcelist>",
                  " <resourcelist name=\"gen\">", " </resourcelist>", "</resourcelist>"}));
    writeWholeFile(p, kEmptyPage);
    EXPECT_TRUE(createPageFile(p)); // an existing page is left as it is
    readWholeFile(p, bytes);
    EXPECT_EQ(bytes, kEmptyPage);
    runPage(p);
    EXPECT_TRUE(pageState().compiled);
    EXPECT_FALSE(screen().NotRunning);
    EXPECT_TRUE(resourceRoot()->lookup("usr.global.$screenWidth"));
    EXPECT_TRUE(TRootProcess::instance().process());
    loadPage(folder + "\\missing.cmml");
    ASSERT_EQ(recording().errors.size(), 1u);
    EXPECT_EQ(recording().errors[0], folder + "\\missing.cmml does not exist.");
    EXPECT_TRUE(screen().NotRunning);
    recording().errors.clear();
}

TEST_F(PagesTest, ParametersSetTheirSwitchesAndSleepTimeIsNotStored) {
    write("default.ravokprj",
          "<resourcelist name=\"project\">\r\n <resourcelist name=\"params\">\r\n"
          "  <param name=\"savedVersion\" value=\"999\"/>\r\n"
          " </resourcelist>\r\n</resourcelist>\r\n");
    loadPage(write("p.cmml", kEmptyPage));
    TPrjManager& pm = TPrjManager::instance();
    EXPECT_EQ(pm.getParam("savedVersion"), "1270");
    EXPECT_FALSE(pm.getParam("commentID").empty());
    EXPECT_EQ(pm.getParam("sound_stopOnPageLoad"), "1");
    pm.setParam("SLEEP_TIME", "10");
    EXPECT_EQ(framePacing().SleepTime, 10);
    EXPECT_EQ(pm.getParam("sleep_time"), "");
    pm.setParam("sleep_time", "0");
    pm.setParam("disable_pause", "1");
    EXPECT_EQ(pm.getParam("disable_pause"), "1");
    EXPECT_TRUE(pm.flags.disablePause);
    pm.setParam("disable_pause", "yes");
    EXPECT_FALSE(pm.flags.disablePause);
    run("pm = new ProjectManager(); pm.set(\"mode\", 3); $_tmp_m = pm.get(\"mode\") + \"/\" + "
        "pm.get(\"missing\") + \"/\" + pm.currentPageName();");
    EXPECT_EQ(text("$_tmp_m"), "3//$page_p");
}

TEST_F(PagesTest, TheHelpFileIsAnAddressOrAFileOfTheProgramDirectory) {
    EXPECT_EQ(resolveHelpFile("http://example.org/help"), "http://example.org/help");
    EXPECT_EQ(resolveHelpFile("docs\\help.html"), programDirectory() + "\\docs\\help.html");
    EXPECT_EQ(resolveHelpFile(""), "");
}

TEST_F(PagesTest, RecentPagesKeepOneEntryPerFolderAndSkipTheProgramsOwnGames) {
    pageState().recentPages.clear();
    addRecentPage("d:\\g\\a.cmml");
    addRecentPage("d:\\h\\c.cmml");
    addRecentPage("d:\\g\\b.cmml");
    addRecentPage(programDirectory() + "\\Usr\\main.cmml");
    EXPECT_EQ(pageState().recentPages,
              (std::vector<std::string>{"d:\\g\\b.cmml", "d:\\h\\c.cmml"}));
    for (int i = 0; i < 12; ++i)
        addRecentPage("d:\\f" + std::to_string(i) + "\\p.cmml");
    EXPECT_EQ(pageState().recentPages.size(), 9u);
}

const char* const kShip =
    "extends Char;\r\nconstructor create(hp, speed) { this.hp = hp; "
    "this.speed = speed; }\r\nfunction touch() { return x + y + colour0; }\r\n"
    "suspend();\r\n";

TEST_F(PagesTest, AGeneratorCreatesItsObjectInInitialisationPassesAndSavesItsState) {
    std::string p = page("ships.cmml", {{"Ship", kShip}}, "");
    loadPage(p);
    auto list = readResourceText("<resourcelist name=\"ships\">\r\n<generator className=\"Ship\" "
                                 "name=\"$s\" inst_x=\"100\" inst_y=\"50\" inst_colour=\"7\" "
                                 "const_hp=\"3\"/>\r\n</resourcelist>");
    ASSERT_TRUE(list);
    TResource* ships = attach("usr.ships", std::move(list));
    ASSERT_TRUE(ships);
    ships->initialize();
    run("$_tmp_s = $s.hp + \",\" + ($s.speed == null) + \",\" + $s.x + \",\" + $s.y + \",\" + "
        "($s._generator "
        "!= null);");
    EXPECT_EQ(text("$_tmp_s"), "3,1,100,50,1");
    auto* g = dynamic_cast<TGenerator*>(resourceRoot()->lookup("usr.ships.$s"));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->state, 0);
    // The object moves; saving asks it to store its state through _n_setGenAttr.
    run("$s.x = 5; $s.hp = \"go\";");
    run("_n_setGenAttr($s._generator, \"hp\", $s.hp);");
    TLines lines;
    g->save(lines, "  ");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "<generator className=\"Ship\" name=\"$s\" inst_colour=\"7\" "
                        "inst_hp=\"%22go%22\" inst_x=\"5\" inst_y=\"50\" const_hp=\"3\"/>");
    g->setInstanceValue("hp", "");
    lines.clear();
    g->save(lines, "");
    EXPECT_EQ(lines[0].find("inst_hp"), std::string::npos);
}

TEST_F(PagesTest, AGeneratorOfAMissingClassFailsWithItsMessage) {
    loadPage(page("missing.cmml", {}, ""));
    attach("usr.odd",
           readResourceText("<resourcelist name=\"odd\">\r\n<generator className=\"Nope\" "
                            "name=\"$n\"/>\r\n</resourcelist>"));
    EXPECT_THROW(resourceRoot()->lookup("usr.odd")->initialize(), ERavokError);
    ASSERT_FALSE(recording().errors.empty());
    EXPECT_EQ(recording().errors[0], "ClassNope does not exist. Cannot create.");
    recording().errors.clear();
    run("$_tmp_e = 0;");
    EXPECT_NE(evaluate("extends Object; _changeAttr(5, \"x\", 1);", false), 0);
}

TEST_F(PagesTest, TheReconstructionScriptListsEveryStatement) {
    std::string p =
        page("small.cmml", {{"Ship", kShip}},
             "  <generator className=\"Ship\" name=\"$a\" inst_x=\"1\" inst_nope=\"2\"/>\r\n");
    loadPage(p);
    int32_t hash = pageHashCode(p);
    EXPECT_EQ(
        reconstructionScript(p),
        (std::vector<std::string>{
            "extends Object; $_exec_checkPoint=-1;",
            "$_hashCode=getPageHashCode()-(" + std::to_string(hash) + ");\r\n$_exec_checkPoint=1;",
            "if (!$_design_mode) { for (p in $procs) p.kill();} $chars.clear();\r\n"
            "$_exec_checkPoint=2;",
            "$a=new Ship();\r\n$_exec_checkPoint=3;",
            "$a.x=1;\r\n$_exec_checkPoint=4;",
            "$a.setGenerator( getResource(\"usr.gen.$a\").getTObject() );\r\n$_exec_checkPoint=5;",
            "$a.onGenerate();\r\n$_exec_checkPoint=6;",
            "if ($_design_mode==0) { appear($a); } else $chars.add($a);\r\n$_exec_checkPoint=7;",
            "_n_refresh();\r\n$_exec_checkPoint=8;",
        }));
    EXPECT_EQ(
        reconstructionCacheFile(p),
        programDirectory() +
            "\\Temp\\i127_testpagesTheReconstructionScriptListsEveryStatementsmallcmml.ravok");
}

// A cache names the page and the hash of the bytes it was made from: one of
// an older version of the page, or of another page whose path flattens to
// the same name, is made again instead of run.
TEST_F(PagesTest, AReconstructionCacheOfAnotherVersionOfThePageIsMadeAgain) {
    std::string p = page("stale.cmml", {{"Ship", kShip}},
                         "  <generator className=\"Ship\" name=\"$b\" inst_x=\"4\"/>\r\n");
    runPage(p);
    ASSERT_TRUE(TRootProcess::instance().process());
    run("$procs = new Array(); $chars = new Array(); $_design_mode = 0;");
    ASSERT_TRUE(generatePage());
    EXPECT_EQ(text("$_hashCode"), "0");
    run("$_tmp_v = $b.x;");
    EXPECT_EQ(text("$_tmp_v"), "4");
    std::string bytes;
    readWholeFile(p, bytes);
    writeWholeFile(p, bytes + " \r\n"); // the page changed, its cache did not
    ASSERT_TRUE(generatePage());
    EXPECT_EQ(text("$_hashCode"), "0");
    run("$_tmp_v = $chars.size();");
    EXPECT_EQ(text("$_tmp_v"), "1");
    std::string cache;
    ASSERT_TRUE(readWholeFile(reconstructionCacheFile(p), cache));
    EXPECT_EQ(cache.substr(0, cache.find('\r')), reconstructionCacheProof(p));
}

TEST_F(PagesTest, KernelPatternsComeFirstAndPagePatternsFollowThemOnEveryLoad) {
    // A kernel image of two cells and a page image of one, written as PNG.
    auto sheet = [&](int cells, const std::string& name) {
        auto s = TSurface::create(8 * cells + 1, 8);
        s->fillRect({0, 0, 8 * cells + 1, 8}, 0xFFFFFF);
        for (int i = 0; i < cells; ++i)
            s->fillRect({1 + 8 * i, 1, 7 + 8 * i, 7}, 0xFF00FF);
        std::string path = folder + "\\" + name;
        EXPECT_TRUE(s->savePng(toHostPath(path)));
        return path;
    };
    std::string kernelImage = sheet(2, "kernel.png");
    sheet(1, "hero-1.png");
    TResource* kernel = resourceRoot()->lookup("patterns");
    ASSERT_TRUE(kernel);
    kernel->addChild(
        readResourceText("<cpattern name=\"$pat_kernel\" src=\"" + kernelImage + "\"/>"));
    buildKernelPatterns();
    EXPECT_EQ(kernelPatternCount(), 2);
    std::string p =
        write("pat.cmml", "<resourcelist name=\"usr\">\r\n <resourcelist name=\"patterns\">\r\n"
                          "  <cpattern name=\"$pat_hero1\" src=\"hero-1.png\"/>\r\n"
                          "  <cpattern name=\"$pat_gone\" src=\"gone.png\"/>\r\n"
                          " </resourcelist>\r\n</resourcelist>\r\n");
    loadPage(p);
    loadPage(p); // a second load numbers the same way
    EXPECT_EQ(text("$pat_kernel"), "0");
    EXPECT_EQ(text("$pat_hero1"), "2");
    EXPECT_EQ(text("$pat_gone"), "3"); // the substitute image's one cell
    EXPECT_EQ(patternList().total(), 4);
    // Once for each load, not again for the load's second pass.
    EXPECT_EQ(recording().errors,
              std::vector<std::string>(2, folder + "\\gone.png: No such bmp/png file."));
    recording().errors.clear();
    TLines lines;
    resourceRoot()->lookup("usr.patterns.$pat_hero1")->save(lines, " ");
    EXPECT_EQ(lines, (TLines{" <cpattern name=\"$pat_hero1\" src=\"hero-1.png\"/>"}));
    kernel->removeChild(kernel->findChild("$pat_kernel"));
    buildKernelPatterns();
}

TEST_F(PagesTest, PageHashCodes) {
    EXPECT_EQ(pageHashCode(write("empty.cmml", "")), 0);
    EXPECT_EQ(pageHashCode(write("song.mid", "MThd")), 0);
    EXPECT_EQ(pageHashCode(write("lib.dll", "MZ")), 0);
    EXPECT_EQ(pageHashCode(folder + "\\none.cmml"), 0);
    // Computed independently from the generator's definition.
    EXPECT_EQ(hashBytes("ab"), 1210645878);
    EXPECT_EQ(pageHashCode(write("u.cmml", "<resourcelist name=\"usr\">")), -1136001294);
}

// The ranking signature covers the project's files and the whole tree's,
// and taking the tree's sum leaves the scripts' random sequence alone.
TEST_F(PagesTest, TheRankingSignatureTakesTheTreeHash) {
    TRanking& ranking = TRanking::instance();
    ranking.reset();
    ranking.setParam("score", "120");
    uint32_t sequence = TRandom::instance().state();
    ranking.takeTreeHash();
    int32_t tree = ranking.treeHash();
    EXPECT_EQ(TRandom::instance().state(), sequence);
    EXPECT_NE(tree, 0);
    EXPECT_EQ(tree, fileHashSum(resourceRoot()));
    uint16_t before = ranking.signature();
    std::string extra = write("Extra.ravok", "extends Object;\r\n");
    attach("rankingExtra", readResourceText("<resourcelist name=\"rankingExtra\" src=\"" + extra +
                                            "\"></resourcelist>"));
    ranking.takeTreeHash();
    EXPECT_NE(ranking.treeHash(), tree);
    EXPECT_NE(ranking.signature(), before);
    remove("rankingExtra");
    ranking.takeTreeHash();
    EXPECT_EQ(ranking.signature(), before);
    ranking.reset();
}

// A page whose object records $_doDraw every frame and can ask for a switch.
class MainLoopTest : public PagesTest {
protected:
    void start(const std::string& body) {
        std::string p = page("loop.cmml", {{"Rec", "extends Char;\r\n" + body}},
                             "  <generator className=\"Rec\" name=\"$rec\"/>\r\n");
        write("other.cmml", kEmptyPage);
        runPage(p); // opening the page's project releases every global
        ASSERT_TRUE(TRootProcess::instance().process());
        run("$draws = new Array();");
        TMainLoop& loop = TMainLoop::instance();
        loop.reset();
        loop.AutoRun = true;
        framePacing().BaseTime = NowMs();
    }
    // $frameManager records each doPause as "p" and each doPauseEnd as "e" in $_tmp_p.
    void installFrameManager() {
        run("$_tmp_p = \"\";");
        write("Fm.ravok", "extends Object;\r\nfunction doPause() { $_tmp_p = $_tmp_p + \"p\"; }\r\n"
                          "function doPauseEnd() { $_tmp_p = $_tmp_p + \"e\"; }\r\n");
        attach("usr.classes2", readResourceText("<resourcelist name=\"classes2\">\r\n<class "
                                                "name=\"Fm\" src=\"Fm.ravok\"/>\r\n</resourcelist>",
                                                folder));
        resourceRoot()->lookup("usr.classes2")->initialize();
        run("$frameManager = new Fm();");
    }
    std::string draws() {
        run("$_tmp_d = \"\"; for (d in $draws) $_tmp_d = $_tmp_d + d;");
        return text("$_tmp_d");
    }
};

TEST_F(MainLoopTest, OnlyTheLastDueFrameDrawsAndTheRemainderStays) {
    start("while (1) { $draws.add($_doDraw); suspend(); }");
    TMainLoop& loop = TMainLoop::instance();
    long double base = framePacing().BaseTime;
    clock.advance(40);
    EXPECT_FALSE(loop.Main());
    EXPECT_EQ(loop.FrameCount, 2);
    EXPECT_EQ(draws(), "01");
    EXPECT_EQ(framePacing().BaseTime, base + 34);
    EXPECT_EQ(loop.DrawCount, 1);
    EXPECT_EQ(loop.caption.substr(0, 12), "0:2000000000");
    clock.advance(500 - 6); // 500 ms after the base time: 29 due, 7 run
    loop.Main();
    EXPECT_EQ(loop.FrameCount, 9);
    clock.advance(5); // the dropped frames are not caught up
    loop.Main();
    EXPECT_EQ(loop.FrameCount, 9);
}

TEST_F(MainLoopTest, APageSwitchLeavesTheBatchAtOnce) {
    start("getResource(\"project.pages.$page_other\").open(); while (1) { $draws.add(1); "
          "suspend(); }");
    TMainLoop& loop = TMainLoop::instance();
    clock.advance(3 * 17 + 1);
    loop.Main();
    EXPECT_EQ(loop.FrameCount, 1); // frames 2 and 3 of the batch never ran
    EXPECT_EQ(draws(), "1");
    EXPECT_EQ(TPrjManager::instance().currentPageName(), "$page_other");
    EXPECT_FALSE(TPrjManager::instance().hasPendingPage());
}

TEST_F(MainLoopTest, PauseAndResumeAreToldOnceEach) {
    start("while (1) suspend();");
    installFrameManager();
    TMainLoop& loop = TMainLoop::instance();
    loop.AutoRun = false;
    EXPECT_TRUE(loop.Main());
    EXPECT_TRUE(loop.Main());
    loop.AutoRun = true;
    clock.advance(17);
    loop.Main();
    loop.Main();
    EXPECT_EQ(text("$_tmp_p"), "pe");
    run("$frameManager = null;");
}

// The window's focus, as the key source reports it.
class TFocus : public TKeySource {
public:
    TFocus() { setKeySource(this); }
    ~TFocus() override { setKeySource(nullptr); }
    bool isDown(int) override { return false; }
    bool applicationActive() override { return active; }
    bool active = true;
};

TEST_F(MainLoopTest, WithDeactivationPauseTheInactivePeriodIsNotCaughtUp) {
    start("while (1) { $draws.add(1); suspend(); }");
    installFrameManager();
    TPrjManager::instance().setParam("deactivation_pause", "1");
    TMainLoop& loop = TMainLoop::instance();
    TFocus focus;
    bool& gActive = focus.active;
    gActive = false;
    clock.advance(1000);
    EXPECT_TRUE(loop.Main());
    clock.advance(1000);
    EXPECT_TRUE(loop.Main());
    EXPECT_EQ(loop.FrameCount, 0);
    gActive = true;
    clock.advance(17);
    loop.Main();
    EXPECT_EQ(loop.FrameCount, 1); // one frame: the two held seconds are not caught up
    EXPECT_EQ(text("$_tmp_p"), "pe");
    TPrjManager::instance().setParam("deactivation_pause", "0");
    run("$frameManager = null;");
}

TEST_F(MainLoopTest, TheSleepTimeAndTheInactiveSleepGoToTheClock) {
    start("while (1) suspend();");
    TMainLoop& loop = TMainLoop::instance();
    TPrjManager::instance().setParam("sleep_time", "5");
    clock.advance(17);
    loop.Main();
    EXPECT_EQ(clock.sleeps, 1);
    EXPECT_EQ(clock.sleptMs, 5);
    TFocus focus; // without deactivation_pause the game runs on, with 100 ms more sleep
    focus.active = false;
    clock.advance(17);
    loop.Main();
    EXPECT_EQ(loop.FrameCount, 2);
    EXPECT_EQ(clock.sleeps, 3);
    EXPECT_EQ(clock.sleptMs, 5 + 100 + 5);
    TPrjManager::instance().setParam("sleep_time", "0");
}

TEST_F(MainLoopTest, APageLoadStartsAfreshAfterAFailedFrame) {
    start("getResource(\"project.pages.$page_other\").open(); while (1) suspend();");
    TMainLoop& loop = TMainLoop::instance();
    // As a frame that failed in drawing leaves them, with a game that had
    // unlocked its window size.
    loop.ErrorStop = true;
    screen().DrawingStopped = true;
    screen().SizeUnlocked = true;
    clock.advance(17);
    loop.Main(); // the frame asks for the other page, which loads after the batch
    EXPECT_EQ(TPrjManager::instance().currentPageName(), "$page_other");
    EXPECT_FALSE(screen().DrawingStopped);
    EXPECT_FALSE(screen().SizeUnlocked);
    clock.advance(17);
    loop.Main();
    EXPECT_FALSE(loop.ErrorStop);
}

TEST_F(MainLoopTest, AFailedFrameIsReportedOnceAsARuntimeError) {
    start("suspend(); x = 1 / 0;");
    TMainLoop& loop = TMainLoop::instance();
    clock.advance(17);
    loop.Main();
    clock.advance(17);
    loop.Main();
    ASSERT_EQ(recording().errors.size(), 1u);
    EXPECT_EQ(recording().errors[0], "Division by zero\nThe object's process ended.");
    recording().errors.clear();
}

} // namespace
} // namespace ravok

namespace ravok {
namespace {

// The debug window's "Code" for a page's class by its short name or its
// page path: the compiled class's listing, and its relocation records as the
// class cache writes them.
TEST_F(PagesTest, TheCodeOfAPagesClassIsFoundByItsNameOrItsPagePath) {
    std::string p = page(
        "holder.cmml",
        {{"Holder", "extends Object;\r\nfunction hold(x) { print(x); return x + 1; }\r\n"}}, "");
    runPage(p);
    for (const char* name : {"Holder", "usr.classes.Holder"}) {
        TCodeView view = methodCode(name, "hold");
        EXPECT_GT(view.listing.size(), 3u) << name;
        ASSERT_FALSE(view.symbols.empty()) << name;
        for (const std::string& line : view.symbols)
            EXPECT_EQ(line.rfind("op=", 0), 0u) << name << ": " << line;
        EXPECT_NE(view.symbols[0].find(" ,addr="), std::string::npos) << view.symbols[0];
        EXPECT_NE(view.symbols[0].find(" ,info="), std::string::npos) << view.symbols[0];
    }
}

} // namespace
} // namespace ravok
