// A running program on the simulated desktop with a chat client beside it.
#pragma once

#include <gtest/gtest.h>

#include <cmath>

#include "forms/Form1/Form1.h"
#include "forms/Form2/Form2.h"
#include "forms/Program.h"
#include "support.h"

namespace testing_support {

inline constexpr auto kMinute = std::chrono::milliseconds(60000);

// Checks, once the program is gone, that it left nothing of the window
// system's held: windows, timers, drawing objects.
struct NothingLeftLive {
    SimDesktop& desk;
    ~NothingLeftLive() { EXPECT_EQ(desk.LiveObjects(), platform::sim::Live{}); }
};

class ProgramTest : public ::testing::Test {
protected:
    explicit ProgramTest(float screenWidth = 15360, float screenHeight = 11520)
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

// The lines as the room must receive them, spelled out in Windows-1252.
inline const std::string kPrefix =
    "<font color=\"#808888\"><font face=\"arial narrow\">\x95\xF7^\xB7 \xB7\x95\xA4 ";
inline const std::string kTitle = kPrefix + "<b>K</b>orvao <b>I</b>dle v\xB2 by <b>q</b>el";
inline const std::string kLink = kPrefix + "< a href=\"http://korvoidle.example.com>[ down load here]</a>";
inline const std::string kBrand = kPrefix + "<b>K</b>oarvo <b>I</b>dle v\xB2 by <b>q</b>el";
inline const std::string kOn = kBrand + " [<b>o</b>n]";
inline const std::string kOff = kBrand + " [<b>o</b>ff]";
inline std::string Minute(const std::string& n) { return kBrand + " [" + n + " <b>M</b>in(s)]"; }
inline const std::string kLoadCaption = "0 Min(s)            [qel]";
inline std::string TickCaption(const std::string& n) { return n + " Min(s)                [qel]"; }
inline const std::string kAlreadyOn = "ERROR.   Koarvo idle is already activated.";
inline const std::string kAlreadyOff = "ERROR.   Koarvo idle is already deactivated.";

}  // namespace testing_support
