// The script side of sound that needs no synthesizer: effects by handle,
// MIDI files commanded through the player's file, the music kind, and the
// sound switch.
#include "compiler/evaluator.h"
#include "kernel_fixture.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "runtime/native_api.h"
#include "sound/sorvald.h"
#include "sound/sound_natives.h"

#include "platform/headless/manual_wave_out.h"

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
        setMidiCommandFile(folder + "\\sig");
        deleteFile(midiCommandFile());
        soundState() = TSoundState();
        resetSoundEngine();
    }
    void TearDown() override {
        deleteFile(midiCommandFile());
        setMidiCommandFile("");
        // A test's device is gone with the test, also when an assertion ended it early.
        soundEngine().setDevice(nullptr);
        resetSoundEngine();
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
    EXPECT_EQ(command(), "R\r\n" + toHostPath(a) + "\r\n");
    EXPECT_EQ(soundState().musicKind, 2);
    run("m = new BGM(); m.play(\"" + lit(b) + "\");");
    EXPECT_EQ(command(),
              "R\r\n" + toHostPath(b) + "\r\n"); // repeat stays 1 until a call gives another
    run("p = new MediaPlayer(); p.stop();");
    EXPECT_EQ(command(), "S\r\n\r\n");
    EXPECT_EQ(soundState().musicKind, 0);
    run("m = new BGM(); m.play(\"" + lit(a) + "\", 0);");
    EXPECT_EQ(command(), "P\r\n" + toHostPath(a) + "\r\n");
    run("m = new BGM(); m.play(\"" + lit(folder + "\\missing.mid") + "\");");
    EXPECT_EQ(command(), "P\r\n" + toHostPath(a) + "\r\n"); // a missing file does nothing
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
    run("e = new SoundEffect(\"" + lit(wav) +
        "\"); $_tmp_h = e.ok(); e.play(); f = new SoundEffect(\"" + lit(folder + "\\none.wav") +
        "\"); $_tmp_n = f.ok(); e.free();");
    EXPECT_EQ(valueToText(*native::globalCell("$_tmp_h")), "1");
    EXPECT_EQ(valueToText(*native::globalCell("$_tmp_n")), "0");
    EXPECT_EQ(soundEngine().effectCount(), 0u);        // freed
    run("e = new SoundEffect(); e.play(); e.free();"); // handle 0: nothing at all
}

TEST_F(SoundNativesTest, ASongFilePlaysOnTheSynthesizerWhateverTheCaseOfItsName) {
    TManualWaveOut device;
    soundEngine().setDevice(&device);
    std::string song = folder + "\\tune.SDV";
    std::string bytes("\xE8\x03\0\0\x0A", 5);          // format 1000, ten channels
    std::string stream("\x64\x0F\x2D\x10\x27\xFF", 6); // volume 15, note 45, end
    for (int i = 0; i < 10; ++i) {
        uint32_t n = i == 2 ? uint32_t(stream.size()) : 0;
        bytes.append(reinterpret_cast<const char*>(&n), 4);
        if (i == 2) bytes += stream;
    }
    writeWholeFile(song, bytes);
    run("m = new BGM(); m.play(\"" + lit(song) + "\");");
    EXPECT_EQ(soundState().musicKind, 1);
    EXPECT_EQ(soundEngine().engine().channels[2].state, TEnveloper::State::Playing);
    device.position = 1000;
    soundEngine().Tick();
    soundEngine().Tick();
    EXPECT_EQ(soundEngine().engine().channels[2].volume, 15);
    EXPECT_EQ(soundEngine().engine().channels[0].state, TEnveloper::State::Stopped);
    run("p = new MediaPlayer(); p.stop();");
    EXPECT_EQ(soundEngine().engine().channels[2].state, TEnveloper::State::Stopped);
    EXPECT_EQ(soundState().musicKind, 0);
    soundEngine().setDevice(nullptr);
}

TEST_F(SoundNativesTest, TheMediaPlayerSetsTheEngine) {
    TManualWaveOut device;
    soundEngine().setDevice(&device);
    device.position = 500;
    run("p = new MediaPlayer(); p.start().setVolume(100).setDelay(3000).setLead(9000);"
        "$_tmp_pos = p.position(); p.setDelay(50000);"); // over the buffer (44100): ignored
    TSorvald& sv = soundEngine();
    EXPECT_TRUE(sv.engine().isOpen());
    EXPECT_EQ(soundState().musicKind, 1);
    EXPECT_EQ(sv.engine().masterVolume, 100);
    EXPECT_EQ(sv.delay(), 3000);
    EXPECT_EQ(sv.engine().renderAhead, 9000);
    EXPECT_EQ(valueToText(*native::globalCell("$_tmp_pos")), "2500"); // the position offset is 2000
    ASSERT_EQ(evaluate("extends MediaPlayer; _n_sound(1, 2, 3); _n_calibration(5);"), 0);
    EXPECT_FALSE(sv.engine().channels[1].immediate); // three arguments: nothing
    EXPECT_EQ(sv.engine().calibrationWidth, 0);
    run("p = new MediaPlayer(); p.sound(1, 2, 3, 4).calibrate(700, 10).setEnabled(0);");
    EXPECT_TRUE(sv.engine().channels[1].immediate);
    EXPECT_EQ(sv.engine().calibrationWidth, 700);
    EXPECT_FALSE(sv.engine().isOpen());
    soundEngine().setDevice(nullptr);
}

} // namespace
} // namespace ravok
