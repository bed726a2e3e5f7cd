// The script side of sound that needs no synthesizer: effects by handle,
// MIDI files commanded through the player's file, the music kind, and the
// sound switch.
#include "evaluator.h"
#include "host_files.h"
#include "kernel_fixture.h"
#include "native_api.h"
#include "program_paths.h"
#include "sound_natives.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

class SoundNativesTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        folder = programDirectory() + "\\test-sound\\" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        forceDirs(folder);
        deleteFile(midiCommandFile());
        soundState() = TSoundState();
    }
    void TearDown() override {
        deleteFile(midiCommandFile());
        KernelTest::TearDown();
    }
    void run(const std::string& body) { ASSERT_EQ(evaluate("extends Object; " + body), 0) << body; }
    std::string command() {
        std::string text;
        return readWholeFile(midiCommandFile(), text) ? text : "(none)";
    }
    // A path inside a script string literal: each backslash written twice.
    static std::string lit(const std::string& p) {
        std::string out;
        for (char c : p)
            out += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return out;
    }
    std::string path(const std::string& name) {
        std::string p = folder + "\\" + name;
        writeWholeFile(p, "MThd");
        return p;
    }
    std::string folder;
};

TEST_F(SoundNativesTest, MidiFilesAreCommandedAndTheRepeatChoiceHolds) {
    std::string a = path("a.mid"), b = path("b.MIDI");
    run("m = new BGM(); m.play(\"" + lit(a) + "\", 1);");
    EXPECT_EQ(command(), "R\r\n" + a + "\r\n");
    EXPECT_EQ(soundState().musicKind, 2);
    run("m = new BGM(); m.play(\"" + lit(b) + "\");");
    EXPECT_EQ(command(), "R\r\n" + b + "\r\n"); // repeat stays 1 until a call gives another
    run("p = new MediaPlayer(); p.stop();");
    EXPECT_EQ(command(), "S\r\n\r\n");
    EXPECT_EQ(soundState().musicKind, 0);
    run("m = new BGM(); m.play(\"" + lit(a) + "\", 0);");
    EXPECT_EQ(command(), "P\r\n" + a + "\r\n");
    run("m = new BGM(); m.play(\"" + lit(folder + "\\missing.mid") + "\");");
    EXPECT_EQ(command(), "P\r\n" + a + "\r\n"); // a missing file does nothing
}

TEST_F(SoundNativesTest, SongsByTheirExtensionInAnyCaseAndTheSoundSwitch) {
    std::string song = path("x.SDV");
    run("m = new BGM(); m.play(\"" + lit(song) + "\");");
    EXPECT_EQ(soundState().musicKind, 1);
    std::string midi = path("c.mid");
    run("m = new BGM(); m.play(\"" + lit(midi) + "\");");
    setSoundEnabled(false); // the menu: the MIDI file stops
    EXPECT_EQ(command(), "S\r\n\r\n");
    deleteFile(midiCommandFile());
    run("m = new BGM(); m.play(\"" + lit(midi) + "\");");
    EXPECT_EQ(command(), "(none)"); // nothing plays while sound is off
    setSoundEnabled(true);
}

TEST_F(SoundNativesTest, EffectsHaveHandlesFromLoadToFree) {
    std::string wav = folder + "\\hit.wav";
    static const char bytes[] = "RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00"
                                "\x44\xAC\x00\x00\x44\xAC\x00\x00\x01\x00\x08\x00"
                                "data\x04\x00\x00\x00\x80\x90\xA0\xB0";
    writeWholeFile(wav, std::string(bytes, sizeof bytes - 1));
    run("e = new SoundEffect(\"" + lit(wav) + "\"); $_tmp_h = e.ok(); e.play(); f = new SoundEffect(\"" +
        lit(folder + "\\none.wav") + "\"); $_tmp_n = f.ok(); e.free();");
    EXPECT_EQ(valueToText(*native::globalCell("$_tmp_h")), "1");
    EXPECT_EQ(valueToText(*native::globalCell("$_tmp_n")), "0");
    EXPECT_TRUE(soundState().effects.empty()); // freed
    run("e = new SoundEffect(); e.play(); e.free();"); // handle 0: nothing at all
}

} // namespace
} // namespace ravok
