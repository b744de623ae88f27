// The intro window: the picture's label up to its edges, the slide seen
// before the window goes, and an error at start-up. Its start, reveal and
// hand-over are the model's.
#include "program_fixture.h"

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// Whether a press at pixel (x, y) of a freshly started intro window, released
// at pixel (releaseX, releaseY), reveals the button.
bool ClickReveals(int x, int y, int releaseX, int releaseY) {
    Desktop d;
    auto& desk = d.desk;
    desk.Run([&] { d.program.Start(); });
    const WindowId form1 = d.program.GetForm1().window().hWnd();
    auto twips = [](int pixel) { return platform::PixelsToTwips(pixel) + platform::kTwipsPerPixel / 2.0f; };
    desk.PressAndReleaseAt(form1, twips(x), twips(y), twips(releaseX), twips(releaseY));
    desk.RunFor(1s);
    return desk.ControlVisible(form1, d.program.GetForm1().SSCommand1.id());
}
bool ClickReveals(int x, int y) { return ClickReveals(x, y, x, y); }

}  // namespace

TEST(Form1Label, RevealsTheButtonUpToThePicturesEdgesButNotFromTheBottomStrip) {
    // Pixel columns 0 to 479 and rows 0 to 352 are the label's; rows 353 to 359 are not.
    for (auto [x, y] : {std::pair{0, 0}, {479, 0}, {0, 352}, {479, 352}}) {
        EXPECT_TRUE(ClickReveals(x, y)) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{0, 353}, {240, 356}, {479, 359}}) {
        EXPECT_FALSE(ClickReveals(x, y)) << x << "," << y;
    }
    // The label reaches one pixel past the window's right edge: a press that
    // slips off there before its release still counts, one more does not.
    EXPECT_TRUE(ClickReveals(479, 100, 480, 100));
    EXPECT_FALSE(ClickReveals(479, 100, 481, 100));
    EXPECT_FALSE(ClickReveals(240, 352, 240, 353));
}

// All 214 moves come while the window is seen; it has no taskbar button. A
// second press on ENTER, queued meanwhile, reaches the hidden button where
// input is routed as it is queued: the idle window still comes once, after
// both start-up lines.
TEST_F(ProgramTest, TheIntroIsSeenSlidingThenHiddenAndHandsOverOnce) {
    desk.SetRouting(platform::sim::Routing::WhenQueued);
    client = ChatClient::Install(desk);
    desk.Run([&] { program.Start(); });
    auto& intro = program.GetForm1();
    const WindowId form1 = intro.window().hWnd();
    EXPECT_FALSE(desk.Form(form1).layout.taskbarButton);
    EXPECT_EQ(desk.ControlText(form1, intro.SSCommand1.id()), "-- E N T E R --");
    desk.Click(form1, intro.Label1.id());
    desk.RunFor(1s);
    desk.ClearRecords();
    desk.Click(form1, intro.SSCommand1.id());
    desk.Click(form1, intro.SSCommand1.id(), 10ms);
    desk.RunFor(5s);
    int movesWhileShown = 0;
    for (const auto& call : desk.Calls()) {
        if (call.window == form1 && call.op == "Hide") break;
        movesWhileShown += call.window == form1 && (call.op == "SetLeft" || call.op == "SetTop");
    }
    EXPECT_EQ(movesWhileShown, 214);
    EXPECT_EQ(Posted(desk), (std::vector<std::string>{kTitle, kLink}));
    ASSERT_TRUE(desk.Form(form2()).firstShown);
    EXPECT_GE(desk.Form(form2()).firstShown->time, desk.EnteredLines().back().time);
}

TEST_F(ProgramTest, AnErrorAtStartUpOutsideAnyHandlerStillShowsTheErrorBoxAndEnds) {
    // The intro window exists but fails when start-up shows it.
    desk.BreakForm(program.GetForm1().window().hWnd());
    desk.Run([&] { program.Start(); });
    EXPECT_TRUE(desk.Ended());
    ASSERT_EQ(desk.MessageBoxes().size(), 1u);
    EXPECT_TRUE(desk.MessageBoxes()[0].runtimeError);
    EXPECT_EQ(desk.MessageBoxes()[0].title, "Korvo Idle v2 by qel");
}
