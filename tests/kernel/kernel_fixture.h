// The fixture of the tests that boot the real kernel from the program
// directory (build/): the boot once per test program run, and a reporter that
// keeps what was reported, so a test can check it and fails on anything it
// did not expect.
#pragma once

#include "kernel/boot.h"
#include "player/shared_wiring.h"
#include "recording_reporter.h"
#include "resources/program_paths.h"
#include "screen/screen.h"
#include "screen/sprites.h"

#include "base/encoding.h"
#include "resources/host_files.h"

#include <gtest/gtest.h>

namespace ravok {

class KernelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Once per program: a second boot in the same process (a second
        // suite run by one invocation) left the kernel without its classes.
        static bool booted = false;
        if (booted) return;
        setProgramDirectory(fromHostPath(RAVOK_TEST_HOME));
        setReporter(&recording());
        wireSharedServices();
        ASSERT_TRUE(bootKernel());
        booted = true;
    }
    static TRecording& recording() {
        static TRecording r;
        return r;
    }
    void SetUp() override { recording().errors.clear(); }
    void TearDown() override {
        for (const std::string& e : recording().errors)
            ADD_FAILURE() << e;
    }
};

// A kernel test in the drawing frame: the sprite list empty and the drawing
// state as it starts, before the test and after it.
class DrawingFrameTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        screen().Sprites.clear();
        screen().DrawingFrame = true;
        drawingState() = TDrawingState();
    }
    void TearDown() override {
        screen().Sprites.clear();
        drawingState() = TDrawingState();
        KernelTest::TearDown();
    }
};

} // namespace ravok
