// The environment store, the message table and the ranking link.
#include "test_support.h"

#include "kernel/kernel_natives.h"
#include "kernel/message_table.h"
#include "kernel/ranking.h"
#include "resources/environment.h"
#include "resources/host_files.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"

#include "base/clock.h"
#include "base/encoding.h"
#include "base/shell.h"

#include <cstdlib>

namespace ravok::test {
namespace {

class ScratchFolder {
public:
    ScratchFolder() {
        char tmpl[] = "/tmp/ravok-kernel-XXXXXX";
        host = mkdtemp(tmpl);
        path = fromHostPath(host);
    }
    ~ScratchFolder() {
        if (std::system(("rm -rf '" + host + "'").c_str()) != 0) ADD_FAILURE();
    }
    std::string host, path;
};

TEST(EnvironmentTest, SetEnvKeepsOneLineAndGetEnvIgnoresCase) {
    TEnvironment env;
    env.setEnv("DrawMode", "2");
    env.setEnv("statusBar", "0");
    env.setEnv("DrawMode", "2");
    EXPECT_EQ(env.lines(), (std::vector<std::string>{"env:statusBar=0", "env:DrawMode=2"}));
    EXPECT_EQ(env.getEnv("drawmode"), "2");
    EXPECT_EQ(env.getEnv("none"), "");
    // setEnv compares the name exactly: another spelling is another line.
    env.setEnv("drawmode", "3");
    EXPECT_EQ(env.lines().size(), 3u);
    EXPECT_EQ(env.getEnv("DRAWMODE"), "2"); // the first matching line wins
    env.setEnv("a.b", "1");
    env.setEnv("axb", "2");
    env.setEnv("a.b", "3"); // a literal name: axb stays
    EXPECT_EQ(env.getEnv("axb"), "2");
    EXPECT_EQ(env.getEnv("a.b"), "3");
}

TEST(EnvironmentTest, SavesWithCrLfAndLoadsBack) {
    ScratchFolder dir;
    std::string file = dir.path + "\\Cookies.ini";
    TEnvironment env;
    env.setEnv("AutoLoadPage", "Usr\\\x95\x5C.cmml");
    env.setEnv("SvDelay", "100");
    ASSERT_TRUE(env.save(file));
    std::string bytes;
    ASSERT_TRUE(readWholeFile(file, bytes));
    EXPECT_EQ(bytes, "env:AutoLoadPage=Usr\\\x95\x5C.cmml\r\nenv:SvDelay=100\r\n");
    TEnvironment back;
    back.setEnv("old", "x");
    back.load(file);
    EXPECT_EQ(back.lines(), env.lines());
    TEnvironment none;
    none.load(dir.path + "\\missing.ini");
    EXPECT_TRUE(none.lines().empty());
}

TEST(MessageTableTest, TranslatesIgnoringCaseAndKeepsLeadingBlanks) {
    ScratchFolder dir;
    std::string file = dir.path + "\\message.ini";
    ASSERT_TRUE(
        writeWholeFile(file, " does not exist.=\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\r\n"
                             "Stack Overflow.=STACK\r\n"
                             "Empty=\r\n"
                             "no equals sign\r\n"
                             "locale=ja\r\n"));
    TMessageTable table;
    table.load(file);
    EXPECT_EQ(table.size(), 4u);
    EXPECT_EQ(table.translate("stack overflow."), "STACK");
    EXPECT_EQ(table.translate(" does not exist."),
              "\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1");
    EXPECT_EQ(table.translate("does not exist."),
              "does not exist."); // the blank belongs to the text
    EXPECT_EQ(table.translate("Empty"), "Empty");
    EXPECT_EQ(table.translate("unknown"), "unknown");
    EXPECT_EQ(table.translate(""), "");
    TMessageTable missing;
    missing.load(dir.path + "\\none.ini");
    EXPECT_EQ(missing.translate("locale"), "locale");
}

class FakeShell : public TShell {
public:
    bool openAddress(std::string_view address) override {
        opened.emplace_back(address);
        return true;
    }
    bool startProgram(const std::string& hostPath) override {
        started.push_back(hostPath);
        return true;
    }
    std::vector<std::string> opened;
    std::vector<std::string> started;
};

class FakeClock : public TClock {
public:
    long double nowMs() override { return now; }
    long double now = 100000;
};

class RankingTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        setClock(&clock);
        setShell(&shell);
        TRanking::instance().reset();
    }
    void TearDown() override {
        setShell(nullptr);
        setClock(nullptr);
        TRanking::instance().reset();
        RuntimeTest::TearDown();
    }
    TValue str(const std::string& s) {
        TValue v = TValue::null();
        native::setString(v, s);
        return v;
    }
    void open(const char* url) {
        callRoutine(routineOf(rankingNatives(), "_n_openBrowser"), {TValue::null(), str(url)});
    }
    FakeClock clock;
    FakeShell shell;
};

TEST_F(RankingTest, TheAddressCarriesTheParametersAndTheSignature) {
    auto setParam = routineOf(rankingNatives(), "_n_setParam");
    callRoutine(setParam, {TValue::null(), str("score"), TValue::ofInt(120)});
    callRoutine(setParam, {TValue::null(), str("name"), str("ab")});
    callRoutine(setParam, {TValue::null(), str("gone"), str("x")});
    callRoutine(setParam, {TValue::null(), str("gone"), str("")}); // an empty value removes it
    uint16_t id = TRanking::instance().signature();
    clock.now += 1000;
    open("http://example.test/rank");
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0],
              "http://example.test/rank?score=120&name=ab&ID=" + std::to_string(id));
    EXPECT_TRUE(TRanking::instance().params().empty()); // sent: cleared
    // The signature depends on the parameters.
    TRanking::instance().setParam("score", "121");
    TRanking::instance().setParam("name", "ab");
    EXPECT_NE(TRanking::instance().signature(), id);
}

TEST_F(RankingTest, AnAddressMustBeginWithHttp) {
    TRanking::instance().setParam("a", "1");
    open("https://example.test/");
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(reporter.errors, std::vector<std::string>{"URL must start with http://"});
    EXPECT_EQ(TRanking::instance().params().size(), 1u);
}

TEST_F(RankingTest, SixOpensAMinute) {
    for (int i = 0; i < 7; ++i) {
        clock.now += 500;
        open("http://example.test/");
    }
    EXPECT_EQ(shell.opened.size(), 6u);
    EXPECT_EQ(reporter.errors,
              std::vector<std::string>{"Web Browser cannot be opened more than 6 times/min."});
    clock.now += 90000; // a minute and a half after the sixth
    open("http://example.test/");
    EXPECT_EQ(shell.opened.size(), 7u);
}

} // namespace
} // namespace ravok::test
