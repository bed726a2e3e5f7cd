// What --record writes reads back through --input as the same events.
#include "app/input_recorder.h"
#include "app/input_script.h"
#include "base/key_source.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace ravok {
namespace {

struct TFakeKeys : TKeySource {
    bool down[256] = {};
    bool active = true;
    bool isDown(int code) override { return code >= 0 && code < 256 && down[code]; }
    bool applicationActive() override { return active; }
};

struct TFakeJoysticks : TJoySource {
    bool present = false;
    TJoyReading reading;
    bool read(int id, TJoyReading& r) override {
        if (!present || id != 0) return false;
        r = reading;
        return true;
    }
};

TEST(InputRecorderTest, EveryKeyNameReadsBackAsItsCode) {
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(keyCodeOf(keyNameOf(code)), code) << keyNameOf(code);
    EXPECT_EQ(keyNameOf(37), "LEFT");
    EXPECT_EQ(keyNameOf('7'), "7");
    EXPECT_EQ(keyNameOf(7), "07"); // not the 7 key
}

TEST(InputRecorderTest, ARecordingIsAnInputScriptOfTheChanges) {
    std::string path = ::testing::TempDir() + "ravok-recording.txt";
    TInputRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.open(path, error)) << error;
    TFakeKeys keys;
    TFakeJoysticks joys;
    recorder.beforeFrames(1, keys, joys); // nothing changed yet: no line
    keys.down[39] = true;
    keys.down[1] = true; // a mouse button: the click writes it
    recorder.mouseDown(5, true, 10, 20);
    recorder.beforeFrames(5, keys, joys);
    recorder.beforeFrames(6, keys, joys); // the same states again: no line
    recorder.mouseMove(7, 11, 21);
    recorder.mouseMove(7, 11, 21);
    keys.down[39] = false;
    keys.active = false;
    joys.present = true;
    joys.reading.x = 0;
    joys.reading.buttons = 3;
    recorder.beforeFrames(9, keys, joys);
    recorder.mouseUp(9, true);
    recorder.close();

    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "# recorded by ravok --record; play it with --headless --input\n"
                          "5 mouse-down left 10 20\n"
                          "5 key-down RIGHT\n"
                          "7 mouse-move 11 21\n"
                          "9 inactive\n"
                          "9 key-up RIGHT\n"
                          "9 joy 0 0 32768 3\n"
                          "9 mouse-up left\n");
    TInputScript script;
    ASSERT_TRUE(script.load(path, error)) << error;
    EXPECT_EQ(script.events().size(), 7u);
    std::remove(path.c_str());
}

} // namespace
} // namespace ravok
