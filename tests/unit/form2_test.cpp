// The idle window's hot spots, up to their edges: what a click does and the
// cursor shown. Its load, switch, counter and drag are the model's
// (model_test.cpp), which aims only at each spot's middle.
#include "program_fixture.h"

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// What a click at pixel (x, y) of a freshly loaded idle window, idler off,
// does; "^" first when the pointer shows the up arrow there.
std::string WhatAClickDoes(int x, int y) {
    Desktop d;
    auto& form = d.LoadForm2();
    auto& desk = d.desk;
    const WindowId id = d.form2();
    const float half = platform::kTwipsPerPixel / 2.0f;
    const float tx = platform::PixelsToTwips(x) + half, ty = platform::PixelsToTwips(y) + half;
    const std::string cursor = desk.CursorAt(id, tx, ty) == platform::Cursor::UpArrow ? "^" : "";
    desk.ClickAt(id, tx, ty);
    desk.RunFor(10s);
    if (desk.Ended()) return cursor + "exit";
    if (desk.Form(id).minimized) return cursor + "minimize";
    for (const auto& m : desk.Messages())
        if (m.message == platform::sim::kWmSysCommand) return cursor + "drag";
    if (form.Timer1.Enabled()) return cursor + "start";
    if (!desk.MessageBoxes().empty()) return cursor + "stop";  // "already deactivated"
    return cursor;
}

}  // namespace

TEST(Form2HotSpots, EachActsAndShowsTheUpArrowUpToItsEdgesAndNothingOnePixelPast) {
    // Pixels of the drawn dash, title strip, x, Start and Stop, inclusive.
    struct Spot {
        const char* action;
        int left, top, right, bottom;
    };
    for (const Spot& s : {Spot{"minimize", 8, 8, 32, 32}, Spot{"drag", 56, 8, 144, 32}, Spot{"exit", 176, 8, 192, 32},
                          Spot{"start", 8, 40, 64, 56}, Spot{"stop", 8, 64, 64, 80}}) {
        const int midX = (s.left + s.right) / 2, midY = (s.top + s.bottom) / 2;
        for (auto [x, y] : {std::pair{s.left, s.top}, {s.right, s.top}, {s.left, s.bottom},
                            {s.right, s.bottom}}) {
            EXPECT_EQ(WhatAClickDoes(x, y), std::string("^") + s.action) << x << "," << y;
        }
        for (auto [x, y] : {std::pair{s.left - 1, midY}, {s.right + 1, midY}, {midX, s.top - 1},
                            {midX, s.bottom + 1}}) {
            EXPECT_EQ(WhatAClickDoes(x, y), "") << x << "," << y;
        }
    }
    // The heading, the counter, its unit, the frame and the panel.
    for (auto [x, y] : {std::pair{113, 46}, {120, 60}, {160, 60}, {1, 1}, {190, 86}, {100, 78}}) {
        EXPECT_EQ(WhatAClickDoes(x, y), "") << x << "," << y;
    }
}
