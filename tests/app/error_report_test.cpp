// The report an author reads: which frame it names, what it leaves out of the
// message, and program paths written the way the host spells them.
#include "app/error_report.h"

#include "resources/host_files.h"
#include "runtime/directories.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace ravok {
namespace {

class ErrorReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/ravok-report-XXXXXX";
        root = mkdtemp(pattern);
        std::filesystem::create_directories(root + "/Kernel/classes");
        setProgramDirectory(fromHostPath(root));
        kernel = fromHostPath(root + "/Kernel/classes/List.ravok");
        game = fromHostPath(root + "/game.ravok");
        writeWholeFile(kernel, "extends Object;\r\nfunction get(i) {\r\n    return x[i];\r\n}\r\n");
        writeWholeFile(game,
                       "// \x95\x5C game\r\nfunction f() {\r\n\t\x95\x5Cx = list.get(5);\r\n}\r\n");
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    std::string root, kernel, game;
};

TEST_F(ErrorReportTest, NamesTheAuthorsFrameAndListsEveryFrame) {
    TTrace trace = {{kernel, 40, "List.get"}, {game, 29, "game.f"}, {game, 3, "game"}};
    TErrorReport r = makeErrorReport("List index out of bounds (5)", trace, {{game, "game.ravok"}});
    ASSERT_TRUE(r.positioned);
    EXPECT_EQ(r.headline(), "game.ravok:3:2: List index out of bounds (5)");
    // The tab stays a tab, and the double-byte character takes two cells.
    EXPECT_EQ(r.excerpt(), " 3 | \t表x = list.get(5);\n   | \t^\n");
    std::vector<std::string> lines = r.traceLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "  at " + root + "/Kernel/classes/List.ravok:3:5 in List.get (kernel)");
    EXPECT_EQ(lines[1], "  at game.ravok:3:2 in game.f");
    EXPECT_EQ(lines[2], "  at game.ravok:1:4 in game");
}

TEST_F(ErrorReportTest, AKernelOnlyTraceNamesTheKernelAndOnePositionHasNoTrace) {
    TErrorReport r = makeErrorReport("boom", {{kernel, 40, ""}});
    EXPECT_EQ(r.headline(), root + "/Kernel/classes/List.ravok:3:5: boom");
    EXPECT_TRUE(r.traceLines().empty());
    TErrorReport none = makeErrorReport("boom", {{fromHostPath(root + "/gone.ravok"), 1, ""}});
    EXPECT_FALSE(none.positioned);
    EXPECT_EQ(none.text(), "ravok: boom\n");
}

TEST_F(ErrorReportTest, DropsTheRepeatedPathAndWritesPathsInHostForm) {
    TErrorReport r = makeErrorReport("Syntax Error" + game, {{game, 29, ""}});
    EXPECT_EQ(r.headline(), root + "/game.ravok:3:2: Syntax Error");
    // Without a position the path stays, in host form; a trail byte 0x5C of
    // a double-byte character is not a separator.
    std::string picture = fromHostPath(root) + "\\\x95\x5C.png";
    writeWholeFile(picture, "x");
    EXPECT_EQ(hostFormMessage(picture + ": No such bmp/png file."),
              root + "/表.png: No such bmp/png file.");
    EXPECT_EQ(hostFormMessage("a \x95\x5C\\n b"), "a 表\\n b");
    EXPECT_EQ(isKernelSource(kernel), true);
    EXPECT_EQ(isKernelSource(game), false);
}

} // namespace
} // namespace ravok
