// Paths, the host file layer, streams and the scripts' sandbox.
#include "test_support.h"

#include "resources/directory.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/sandbox.h"
#include "resources/streams.h"
#include "runtime/paths.h"

#include "base/encoding.h"

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ravok::test {
namespace {

TEST(PathTest, TheWindowsPathFunctions) {
    EXPECT_TRUE(isAbsolute("c:\\x"));
    EXPECT_TRUE(isAbsolute("\\x"));
    EXPECT_FALSE(isAbsolute("c:x"));
    EXPECT_FALSE(isAbsolute("x\\y"));
    EXPECT_EQ(stripSlash("a\\b\\"), "a\\b");
    EXPECT_EQ(stripSlash("a\\b"), "a\\b");
    EXPECT_EQ(stripSlash("a\\\x95\x5C"), "a\\\x95\x5C"); // 表 ends in 0x5C: not a slash
    EXPECT_EQ(parentDir("d:\\g\\s\\a.cmml"), "d:\\g\\s");
    EXPECT_EQ(parentDir("d:\\g\\s\\"), "d:\\g");
    EXPECT_EQ(parentDir("d:\\\x95\x5C"), "d:");
    EXPECT_EQ(parentDir("a"), "");
    EXPECT_EQ(baseName("d:\\g\\main.page.cmml"), "main.page");
    EXPECT_EQ(baseName("d:\\g.x\\noext"), "noext");
    EXPECT_EQ(resolve("s\\..\\t\\.\\a.txt", "d:\\g\\"), "d:\\g\\t\\a.txt");
    EXPECT_EQ(resolve("c:\\abs", "d:\\g"), "c:\\abs");
    EXPECT_EQ(resolve("", "d:\\g"), "");
    EXPECT_EQ(resolve("rel", ""), "");
    EXPECT_EQ(resolve("..\\..\\x", "d:\\a\\b"), "d:\\x");
    EXPECT_EQ(resolve("a\\\\b\\", "d:\\g"), "d:\\g\\a\\b");
    EXPECT_EQ(resolve("\x95\x5C\\a", "d:\\g"), "d:\\g\\\x95\x5C\\a");
    EXPECT_EQ(fileName("d:\\g\\\x95\x5C"), "\x95\x5C");
    EXPECT_EQ(fileName("plain"), "plain");
    EXPECT_EQ(parentDir("a\\\\b"), "a\\");
    EXPECT_TRUE(startsWithCI("Usr\\Game", "usr\\"));
    EXPECT_TRUE(isInside("D:\\G\\s\\a", "d:\\g"));
    EXPECT_TRUE(isInside("d:\\g\\", "d:\\g"));
    EXPECT_FALSE(isInside("d:\\gx\\a", "d:\\g"));
    EXPECT_TRUE(samePath("d:\\G\\", "d:\\g"));
    EXPECT_EQ(commonDir("d:\\g\\s\\a", "d:\\g\\t"), "d:\\g");
    EXPECT_EQ(commonDir("d:\\g", "d:\\g\\t"), "d:\\g");
    EXPECT_EQ(commonDir("", "d:\\g"), "");
    EXPECT_EQ(relativePath("d:\\g\\s\\a.cmml", "d:\\g"), "s\\a.cmml");
    EXPECT_EQ(relativePath("d:\\g\\s\\a.cmml", "d:\\h"), "..\\g\\s\\a.cmml");
    EXPECT_EQ(relativePath("d:\\g\\s\\a.cmml", "e:\\h"), "d:\\g\\s\\a.cmml");
    EXPECT_EQ(relativePath("rel\\x", "d:\\h"), "rel\\x");
    EXPECT_EQ(relativePath("D:\\G\\a", "d:\\g\\"), "a");
    // Double-byte names: a trail byte that is '\\' separates nothing, and a
    // trail byte in A-Z is no letter to fold.
    EXPECT_TRUE(isInside("d:\\\x95\x5C\\a", "d:\\\x95\x5C"));
    EXPECT_TRUE(isInside("d:\\\x95\x5C\\", "D:\\\x95\x5C"));
    EXPECT_FALSE(isInside("d:\\\x95\x5C"
                          "a",
                          "d:\\\x95"));
    EXPECT_FALSE(isInside("d:\\\x82\x41\\x", "d:\\\x82\x61"));
    EXPECT_TRUE(isInside("D:\\\x82\x41"
                         "B\\x",
                         "d:\\\x82\x41"
                         "b"));
    EXPECT_EQ(relativePath("d:\\\x95\x5C\\s\\a", "D:\\\x95\x5C"), "s\\a");
    // The base is a folder whose name's first character ends in the byte of '\\'.
    EXPECT_EQ(relativePath("d:\\\x95\x5Cs\\a", "d:\\\x95\\x"), "..\\\x95\x5Cs\\a");
}

// A scratch folder as the program directory, with the page folder inside.
class FilesTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        char tmpl[] = "/tmp/ravok-files-XXXXXX";
        root = mkdtemp(tmpl);
        setProgramDirectory(fromHostPath(root));
        mkdir((root + "/Usr").c_str(), 0777);
        mkdir((root + "/Usr/Game").c_str(), 0777);
        setBaseDirectory(fromHostPath(root + "/Usr/Game"));
        forgetDirectoryIndexes();
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + root + "'";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "cleanup";
        RuntimeTest::TearDown();
    }
    void hostWrite(const std::string& rel, const std::string& bytes) {
        std::ofstream(root + "/" + rel, std::ios::binary) << bytes;
    }
    std::string root;
};

TEST(PathTest, HostPathsOfAsciiAndDoubleBytePathsTakeOneForm) {
    // ASCII paths are built in one pass, others component by component: the
    // two must give the same form.
    const std::pair<const char*, const char*> cases[] = {
        {"c:\\g\\Kernel\\a.ravok", "/g/Kernel/a.ravok"},
        {"\\g\\\\s\\", "/g/s"},
        {"/abs/./x/../y", "/abs/./x/../y"},
        {"c:", "/"},
        {"c:rel", "/rel"},
        {"/", "/"},
        {"", "."},
        {"rel\\a", "rel/a"},
        {".\\a", "./a"},
        {"a\\\\b\\.", "a/b/."},
    };
    for (auto [path, host] : cases)
        EXPECT_EQ(directHostPath(path), host) << path;
    // 表 ends in 0x5C, which is no separator inside the character.
    std::string table = cp932ToUtf8("\x95\x5C");
    EXPECT_EQ(directHostPath("c:\\g\\\x95\x5C\\a"), "/g/" + table + "/a");
    EXPECT_EQ(directHostPath("d\\\x95\x5C"), "d/" + table);
    EXPECT_EQ(directHostPath(".\\\x95\x5C"), "./" + table);
}

TEST_F(FilesTest, TempNamesFlattenThePathIntoTheTempFolder) {
    std::string page = resolve("Usr\\my game\\main.cmml", programDirectory());
    EXPECT_EQ(tempName(page, "i127_"), resolve("Temp\\i127_Usrmygamemaincmml", programDirectory()));
    EXPECT_TRUE(directoryExists(resolve("Temp", programDirectory())));
    std::string outside = parentDir(programDirectory()) + "\\other\\x.ravok";
    EXPECT_EQ(fileName(tempName(outside, "c127_")), "c127_@otherxravok");
    // A double-byte character goes whole, also a second byte that is a letter.
    EXPECT_EQ(fileName(tempName(resolve("Usr\\\x83\x41.cmml", programDirectory()), "i127_")),
              "i127_Usrcmml");
}

TEST_F(FilesTest, NamesThatDifferInCaseFindTheFileOnDisk) {
    mkdir((root + "/Usr/Game/Data").c_str(), 0777);
    hostWrite("Usr/Game/Data/Level1.TXT", "hello");
    std::string text;
    ASSERT_TRUE(readWholeFile(baseDirectory() + "\\data\\LEVEL1.txt", text));
    EXPECT_EQ(text, "hello");
    EXPECT_TRUE(fileExists(baseDirectory() + "/DATA/level1.txt"));
    // A Japanese name stored in CP932 is the UTF-8 name on disk.
    hostWrite("Usr/Game/表示.txt", "jp");
    ASSERT_TRUE(readWholeFile(baseDirectory() + "\\\x95\x5C\x8E\xA6.txt", text));
    EXPECT_EQ(text, "jp");
    TDirectory dir(baseDirectory() + "\\*.TXT");
    EXPECT_EQ(dir.files, std::vector<std::string>{"\x95\x5C\x8E\xA6.txt"});
    EXPECT_EQ(dir.folders, std::vector<std::string>{"Data"});
}

// Every file the player writes goes through TFileWriter or writeWholeFile: a
// write that fails half way (here after 5000 bytes, as a full disk would)
// leaves the old file whole and no scratch file behind.
TEST_F(FilesTest, AWriteThatFailsHalfWayKeepsTheOldFile) {
    std::string path = baseDirectory() + "\\save.dat";
    hostWrite("Usr/Game/save.dat", "the good save");
    std::string big(20000, 'x');
    failWritesAfter(5000);
    EXPECT_FALSE(writeWholeFile(path, big));
    failWritesAfter(5000);
    {
        TFileWriter out(path);
        out.write(big.data(), big.size());
        EXPECT_FALSE(out.close());
    }
    failWritesAfter(-1);
    std::string text;
    ASSERT_TRUE(readWholeFile(path, text));
    EXPECT_EQ(text, "the good save");
    TDirectory dir(baseDirectory() + "\\*");
    EXPECT_EQ(dir.files, std::vector<std::string>{"save.dat"});

    // Until close(), readers see the old file; afterwards the whole new one.
    {
        TFileWriter out(path);
        out.write(big.data(), big.size());
        ASSERT_TRUE(readWholeFile(path, text));
        EXPECT_EQ(text, "the good save");
        out.abandon();
    }
    ASSERT_TRUE(readWholeFile(path, text));
    EXPECT_EQ(text, "the good save");
    EXPECT_TRUE(writeWholeFile(path, big));
    ASSERT_TRUE(readWholeFile(path, text));
    EXPECT_EQ(text, big);
}

TEST_F(FilesTest, StreamsBufferAndReadBack) {
    std::string path = baseDirectory() + "\\big.bin";
    {
        TFileWriter out(path);
        ASSERT_TRUE(out.isOpen());
        for (int i = 0; i < 10000; ++i)
            out.writeByte(uint8_t(i));
        out.writeInt32(-2);
        writeStringList(out, {"alpha", "", "\x95\x5C"});
        EXPECT_TRUE(out.close());
    }
    TFileReader in(path);
    ASSERT_TRUE(in.isOpen());
    for (int i = 0; i < 10000; ++i)
        ASSERT_EQ(in.readByte(), i & 0xFF) << i;
    uint8_t b[4];
    uint32_t sum = in.checksum();
    // An empty record's bytes may come from an empty vector, with no buffer.
    std::vector<uint8_t> none;
    EXPECT_EQ(in.read(none.data(), 0), 0u);
    EXPECT_EQ(in.checksum(), sum);
    ASSERT_EQ(in.read(b, 4), 4u);
    EXPECT_EQ(b[0], 0xFE);
    std::vector<std::string> list;
    ASSERT_TRUE(readStringList(in, list));
    EXPECT_EQ(list, (std::vector<std::string>{"alpha", "", "\x95\x5C"}));
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(in.readByte(), -1);
    // A damaged record is refused, not read past its end.
    hostWrite("Usr/Game/bad.bin", std::string("\x02\x00\x00\x00\xFF\xFF\xFF\x7F", 8));
    TFileReader bad(baseDirectory() + "\\bad.bin");
    EXPECT_FALSE(readStringList(bad, list));
    TFileReader missing(baseDirectory() + "\\none.bin");
    EXPECT_FALSE(missing.isOpen());
    EXPECT_TRUE(missing.eof());
}

TEST_F(FilesTest, EveryScriptNameLandsInTheSandbox) {
    std::string files = baseDirectory() + "\\files";
    struct Case {
        const char* name;
        std::string expected;
    };
    const Case cases[] = {
        {"save/a.txt", files + "\\save\\a.txt"},
        {"..\\..\\x", files + "\\x"},
        {"../../boot.ini", files + "\\boot.ini"},
        {"c:\\x", files + "\\cx"},
        {"/etc/passwd", files + "\\etc\\passwd"},
        {"a/../../b", files + "\\a\\b"},
        {"....//x", files + "\\x"},
        {"...", files},
        {"\x95\x5C/x", files + "\\\x95\x5C\\x"}, // 表: its 0x5C second byte stays with it
        {"", files},
    };
    for (const Case& c : cases) {
        std::string p = sandboxPath(c.name);
        EXPECT_EQ(p, c.expected) << c.name;
        EXPECT_TRUE(insideSandbox(p)) << c.name;
    }
}

TEST_F(FilesTest, ALinkInsideTheSandboxCannotLeadOutOfIt) {
    mkdir((root + "/Usr/Game/files").c_str(), 0777);
    mkdir((root + "/secret").c_str(), 0777);
    hostWrite("secret/key.txt", "k");
    ASSERT_EQ(symlink((root + "/secret").c_str(), (root + "/Usr/Game/files/out").c_str()), 0);
    ASSERT_EQ(symlink((root + "/secret/key.txt").c_str(), (root + "/Usr/Game/files/key").c_str()),
              0);
    EXPECT_FALSE(insideSandbox(sandboxPath("out/key.txt")));
    EXPECT_FALSE(insideSandbox(sandboxPath("key")));
    EXPECT_FALSE(insideSandbox(sandboxPath("out/new.txt")));
    mkdir((root + "/Usr/Game/files/ok").c_str(), 0777);
    EXPECT_TRUE(insideSandbox(sandboxPath("ok/new.txt")));
}

} // namespace
} // namespace ravok::test
