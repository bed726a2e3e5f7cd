// The scripts' file natives: FileReader, FileWriter, ResourceReader,
// ResourceWriter and the Object natives, over a scratch page folder.
#include "test_support.h"

#include "resources/accessible_file.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/resources_natives.h"
#include "resources/streams.h"
#include "runtime/errors.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"

#include "base/encoding.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ravok::test {
namespace {

std::string gUrl; // what getURL() of the scripted reader or writer returns

TValue* urlHook(std::string_view) {
    static TValue* cell = native::globalCell("$_test_url");
    native::setString(*cell, gUrl);
    return cell;
}

class FileNativesTest : public RuntimeTest {
protected:
    std::unique_ptr<TScopedEvaluator> evaluator;
    void SetUp() override {
        RuntimeTest::SetUp();
        char tmpl[] = "/tmp/ravok-natives-XXXXXX";
        root = mkdtemp(tmpl);
        mkdir((root + "/Game").c_str(), 0777);
        setProgramDirectory(fromHostPath(root));
        setBaseDirectory(fromHostPath(root + "/Game"));
        evaluator = std::make_unique<TScopedEvaluator>(urlHook);
    }
    void TearDown() override {
        evaluator.reset();
        if (std::system(("rm -rf '" + root + "'").c_str()) != 0) ADD_FAILURE();
        RuntimeTest::TearDown();
    }
    TValue str(const std::string& s) {
        TValue v = TValue::null();
        native::setString(v, s);
        held.push_back(v);
        return v;
    }
    std::string hostRead(const std::string& rel) {
        std::ifstream in(root + "/" + rel, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        return all.str();
    }
    void hostWrite(const std::string& rel, const std::string& bytes) {
        std::ofstream(root + "/" + rel, std::ios::binary) << bytes;
    }
    TNativeRoutine reader(const char* n) { return routineOf(fileReaderNatives(), n); }
    TNativeRoutine writer(const char* n) { return routineOf(fileWriterNatives(), n); }
    TNativeRoutine object(const char* n) { return routineOf(objectFileNatives(), n); }
    std::string root;
    std::vector<TValue> held;
};

TEST_F(FileNativesTest, WriteThenReadLinesInsideTheSandbox) {
    TValue w = callRoutine(writer("_n_FileWriter"), {TValue::null(), str("a/b/c.txt")});
    ASSERT_EQ(w.kind, vtNative);
    callRoutine(writer("_n_writeLn"), {w, str("AB")});
    callRoutine(writer("_n_write"), {w, TValue::ofInt(0x10D)});   // the low byte: CR
    callRoutine(writer("_n_write"), {w, TValue::ofFloat(10.7f)}); // truncated: LF
    callRoutine(writer("_n_writeLn"), {w, TValue::ofInt(7)});
    callRoutine(writer("_n_close"), {w});
    EXPECT_EQ(hostRead("Game/files/a/b/c.txt"), "AB\r\n7");
    EXPECT_THROW(callRoutine(writer("_n_close"), {w}), ERunError); // closed: the handle is dead

    EXPECT_EQ(callRoutine(object("fileExists"), {str("a/b/c.txt")}).i, 1);
    // Climbing out is not possible: the ".." go, and the name is the same file.
    EXPECT_EQ(callRoutine(object("fileExists"), {str("../../a/b/c.txt")}).i, 1);
    EXPECT_EQ(callRoutine(object("fileExists"), {str("c.txt")}).i, 0);
    TValue r = callRoutine(reader("_n_FileReader"), {TValue::null(), str("a\\b/c.txt")});
    // "a\b/c.txt": the backslash is removed, so this names files\ab\c.txt.
    EXPECT_EQ(r.kind, vtInt);
    r = callRoutine(reader("_n_FileReader"), {TValue::null(), str("a/b/c.txt")});
    ASSERT_EQ(r.kind, vtNative);
    EXPECT_EQ(valueToText(callRoutine(reader("_n_readLn"), {r})), "AB");
    EXPECT_EQ(callRoutine(reader("_n_eof"), {r}).i, 0);
    EXPECT_EQ(valueToText(callRoutine(reader("_n_readLn"), {r})), "7");
    EXPECT_EQ(callRoutine(reader("_n_readLn"), {r}).kind, vtNull);
    EXPECT_EQ(callRoutine(reader("_n_read"), {r}).kind, vtNull);
    EXPECT_EQ(callRoutine(reader("_n_eof"), {r}).i, 1);
    callRoutine(reader("_n_close"), {r});
}

TEST_F(FileNativesTest, MoveDeleteAndMissingFiles) {
    TValue w = callRoutine(writer("_n_FileWriter"), {TValue::null(), str("")}); // untitled
    ASSERT_EQ(w.kind, vtNative);
    callRoutine(writer("_n_close"), {w});
    EXPECT_TRUE(fileExists(baseDirectory() + "\\files\\untitled"));
    EXPECT_EQ(callRoutine(object("moveFile"), {str("untitled"), str("renamed")}).i, 1);
    EXPECT_EQ(callRoutine(object("moveFile"), {str("untitled"), str("again")}).i, 0);
    EXPECT_EQ(callRoutine(object("deleteFile"), {str("renamed")}).i, 1);
    EXPECT_EQ(callRoutine(object("deleteFile"), {str("renamed")}).i, 0);
    EXPECT_EQ(callRoutine(reader("_n_FileReader"), {TValue::null(), str("none")}).i, 0);
    // Too few arguments: nothing happens, the receiver stays the result.
    EXPECT_EQ(callRoutine(reader("_n_FileReader"), {str("x")}, TValue::ofInt(9)).i, 9);
}

TEST_F(FileNativesTest, AFileWriterThatFailsHalfWayKeepsTheOldFile) {
    mkdir((root + "/Game/files").c_str(), 0777);
    hostWrite("Game/files/save.txt", "level 7");
    TValue w = callRoutine(writer("_n_FileWriter"), {TValue::null(), str("save.txt")});
    ASSERT_EQ(w.kind, vtNative);
    failWritesAfter(100);
    for (int i = 0; i < 2000; ++i)
        callRoutine(writer("_n_writeLn"), {w, str("level 8")});
    callRoutine(writer("_n_close"), {w});
    failWritesAfter(-1);
    EXPECT_EQ(hostRead("Game/files/save.txt"), "level 7");
}

TEST_F(FileNativesTest, ADanglingLinkOutOfTheFilesFolderIsRefused) {
    mkdir((root + "/Game/files").c_str(), 0777);
    mkdir((root + "/outside").c_str(), 0777);
    ASSERT_EQ(symlink((root + "/outside/new.txt").c_str(), (root + "/Game/files/save.txt").c_str()),
              0);
    ASSERT_EQ(symlink("../../outside/rel.txt", (root + "/Game/files/rel.txt").c_str()), 0);
    ASSERT_EQ(symlink("loop2", (root + "/Game/files/loop1").c_str()), 0);
    ASSERT_EQ(symlink("loop1", (root + "/Game/files/loop2").c_str()), 0);
    for (const char* name : {"save.txt", "rel.txt", "loop1"})
        EXPECT_EQ(callRoutine(writer("_n_FileWriter"), {TValue::null(), str(name)}).i, 0) << name;
    EXPECT_FALSE(fileExists(fromHostPath(root + "/outside/new.txt")));
    EXPECT_FALSE(fileExists(fromHostPath(root + "/outside/rel.txt")));
    // A link is never followed, not even one that stays inside: what it
    // points to could change between the check and the write.
    hostWrite("Game/files/real.txt", "kept");
    ASSERT_EQ(symlink("real.txt", (root + "/Game/files/inside.txt").c_str()), 0);
    EXPECT_EQ(callRoutine(writer("_n_FileWriter"), {TValue::null(), str("inside.txt")}).i, 0);
    EXPECT_EQ(callRoutine(reader("_n_FileReader"), {TValue::null(), str("inside.txt")}).i, 0);
    EXPECT_EQ(hostRead("Game/files/real.txt"), "kept");
}

TEST_F(FileNativesTest, AFilesFolderThatCannotBeCreatedIsAFailureNotACrash) {
    hostWrite("Game/files", "a plain file where the folder should be");
    EXPECT_EQ(callRoutine(writer("_n_FileWriter"), {TValue::null(), str("x.txt")}).i, 0);
    EXPECT_EQ(callRoutine(reader("_n_FileReader"), {TValue::null(), str("x.txt")}).i, 0);
}

TEST_F(FileNativesTest, ResourceFilesNeedTheAccessibleHeaderExceptMapFiles) {
    auto rr = [&](const char* n) { return routineOf(resourceReaderNatives(), n); };
    auto rw = [&](const char* n) { return routineOf(resourceWriterNatives(), n); };
    // A .map file without a header is read from its first byte.
    hostWrite("Game/level.map", std::string("\x01\x02\x03\x04\x05\x06\x07", 7));
    gUrl = "level.map";
    TValue h = callRoutine(rr("_n_init"), {});
    ASSERT_EQ(h.kind, vtNative);
    EXPECT_EQ(callRoutine(rr("_n_readInt"), {h}).i, 0x04030201);
    EXPECT_EQ(callRoutine(rr("_n_readInt"), {h}).kind, vtNull); // three bytes left
    callRoutine(rr("_n_close"), {h});
    // Writing it puts the header first.
    h = callRoutine(rw("_n_init"), {});
    ASSERT_EQ(h.kind, vtNative);
    EXPECT_EQ(callRoutine(rw("_n_write"), {h, TValue::ofInt(0x1FF)}).i, 0xFF);
    EXPECT_EQ(callRoutine(rw("_n_writeInt"), {h, TValue::ofInt(-2)}).i, -2);
    callRoutine(rw("_n_close"), {h});
    EXPECT_EQ(hostRead("Game/level.map"),
              std::string(kAccessibleHeader) + std::string("\xFF\xFE\xFF\xFF\xFF", 5));
    // Now it has the header: reading starts after it.
    h = callRoutine(rr("_n_init"), {});
    EXPECT_EQ(callRoutine(rr("_n_read"), {h}).i, 0xFF);
    callRoutine(rr("_n_close"), {h});

    // Other files without the header are refused; a missing one is an error.
    hostWrite("Game/save.dat", "plain text");
    gUrl = "save.dat";
    EXPECT_EQ(callRoutine(rr("_n_init"), {}).kind, vtNull);
    EXPECT_EQ(callRoutine(rw("_n_init"), {}).kind, vtNull);
    // The receiver is no handle: a refusal answers null, so that ok() is false.
    EXPECT_EQ(callRoutine(rr("_n_init"), {}, TValue::ofInt(9)).kind, vtNull);
    EXPECT_EQ(callRoutine(rw("_n_init"), {}, TValue::ofInt(9)).kind, vtNull);
    EXPECT_EQ(hostRead("Game/save.dat"), "plain text");
    gUrl = "missing.dat";
    EXPECT_THROW(callRoutine(rw("_n_init"), {}), EFileError);
    // Files outside the player's and the game's folders are not reached.
    gUrl = "/etc/hostname";
    EXPECT_EQ(callRoutine(rr("_n_init"), {}).kind, vtNull);
}

} // namespace
} // namespace ravok::test
