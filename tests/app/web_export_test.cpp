// What the web export and its server decide on their own: which request
// paths name a file of the served folder (never one outside it), the content
// types browsers insist on, the id a game's saves are kept under, and which
// games are refused and why.
#include "app/static_server.h"
#include "app/web_export.h"
#include "resources/saves_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace ravok {
namespace {

namespace fs = std::filesystem;

class WebExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/ravok-web-export-XXXXXX";
        root = mkdtemp(pattern);
        fs::create_directories(root + "/site/sub");
        fs::create_directories(root + "/site/.git");
        write(root + "/site/index.html", "page");
        write(root + "/site/ravok.wasm", "wasm");
        write(root + "/site/sub/index.html", "sub");
        write(root + "/site/.git/config", "secret");
        write(root + "/secret.txt", "outside");
    }
    void TearDown() override { fs::remove_all(root); }
    static void write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string root;
};

TEST_F(WebExportTest, RequestsReachOnlyTheFolder) {
    std::string site = root + "/site";
    EXPECT_EQ(servedFile(site, "/"), site + "/index.html");
    EXPECT_EQ(servedFile(site, "/ravok.wasm?v=2#x"), site + "/ravok.wasm");
    EXPECT_EQ(servedFile(site, "/sub/"), site + "/sub/index.html");
    EXPECT_EQ(servedFile(site, "//ravok.wasm"), site + "/ravok.wasm");
    for (const char* hostile : {"/../secret.txt", "/sub/../../secret.txt", "/%2e%2e/secret.txt",
                                "/%2E%2E%2Fsecret.txt", "/.git/config", "/sub/%00index.html",
                                "/..\\secret.txt", "secret.txt", "", "/missing.js", "/sub/.."})
        EXPECT_EQ(servedFile(site, hostile), "") << hostile;
}

TEST_F(WebExportTest, WasmIsServedAsWasm) {
    EXPECT_STREQ(contentTypeOf("ravok.wasm"), "application/wasm");
    EXPECT_STREQ(contentTypeOf("INDEX.HTML"), "text/html; charset=utf-8");
    EXPECT_STREQ(contentTypeOf("ravok.js"), "text/javascript; charset=utf-8");
    EXPECT_STREQ(contentTypeOf("game.data"), "application/octet-stream");
}

TEST_F(WebExportTest, GameIdsComeFromTitleAndAuthorOrTheGivenId) {
    EXPECT_EQ(gameIdFor("Star Catcher", "The Ravok developers", ""),
              "star-catcher-the-ravok-developers");
    EXPECT_EQ(gameIdFor("Star Catcher", "", "my-game_2"), "my-game_2");
    EXPECT_EQ(gameIdFor("A/B: C?", "", ""), "ab-c");
    // A title in Japanese alone keeps its own id, and two such titles differ.
    std::string a = gameIdFor("\xe3\x81\xbb\xe3\x81\x97", "", "");
    std::string b = gameIdFor("\xe3\x81\xa4\xe3\x81\x8d", "", "");
    EXPECT_EQ(a.rfind("game-", 0), 0u) << a;
    EXPECT_NE(a, b);
    EXPECT_EQ(gameIdFor("", "", ""), "game");
}

TEST_F(WebExportTest, MidiFilesAndNativeModulesAreNamed) {
    std::string game = root + "/game";
    fs::create_directories(game + "/music");
    write(game + "/main.cmml", "<resourcelist name=\"usr\"></resourcelist>\n");
    EXPECT_TRUE(webObstacles(game).empty());
    write(game + "/music/theme.MID", "MThd");
    write(game + "/other.cmml", "<resourcelist><Module src=\"fast.so\"/></resourcelist>\n");
    std::vector<std::string> found = webObstacles(game);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_NE(found[0].find("music/theme.MID"), std::string::npos) << found[0];
    EXPECT_NE(found[0].find("MIDI"), std::string::npos) << found[0];
    EXPECT_NE(found[1].find("other.cmml"), std::string::npos) << found[1];
    EXPECT_NE(found[1].find("native module"), std::string::npos) << found[1];
}

} // namespace
} // namespace ravok
