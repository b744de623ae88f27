// A running program on the simulated desktop, and what it leaves behind.
#pragma once

#include <gtest/gtest.h>

#include <cmath>

#include "forms/Form1/Form1.h"
#include "forms/Form2/Form2.h"
#include "forms/Program.h"
#include "support.h"
#include "tests/scenarios/texts.h"

namespace testing_support {

inline constexpr auto kMinute = std::chrono::milliseconds(60000);

// Checks, once the program is gone, that it left nothing of the window
// system's held: windows, timers, drawing objects.
struct NothingLeftLive {
    SimDesktop& desk;
    ~NothingLeftLive() { EXPECT_EQ(desk.LiveObjects(), platform::sim::Live{}); }
};

// A program on a desktop of its own; the chat client is the test's to install.
struct Desktop {
    explicit Desktop(float screenWidth = 15360, float screenHeight = 11520)
        : desk(screenWidth, screenHeight), nothingLeft{desk}, program(desk) {
        desk.SetEventSink(&program);
    }

    // The idle window as the hand-over leaves it: loaded, then shown.
    forms::Form2& LoadForm2() {
        desk.Run([&] { program.GetForm2().window().Show(); });
        return program.GetForm2();
    }

    WindowId form2() { return program.GetForm2().window().hWnd(); }
    void Click(platform::ControlId control, std::chrono::nanoseconds delay = {}) {
        desk.Click(form2(), control, delay);
    }

    SimDesktop desk;
    NothingLeftLive nothingLeft;  // between the two: checks after the program is gone
    forms::Program program;
    ChatClient client;
};

class ProgramTest : public ::testing::Test, public Desktop {};

using namespace texts;

}  // namespace testing_support
