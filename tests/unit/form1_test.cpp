// Start-up and the intro window: centred and pinned before it is seen, the
// hidden button revealed by the picture, and the hand-over to the idle window.
#include "program_fixture.h"

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// Whether a press at pixel (x, y) of a freshly started intro window, released
// at pixel (releaseX, releaseY), reveals the button.
bool ClickReveals(int x, int y, int releaseX, int releaseY) {
    SimDesktop desk;
    forms::Program program(desk);
    desk.SetEventSink(&program);
    desk.Run([&] { program.Start(); });
    const WindowId form1 = program.GetForm1().window().hWnd();
    auto twips = [](int pixel) { return platform::PixelsToTwips(pixel) + platform::kTwipsPerPixel / 2.0f; };
    desk.PressAndReleaseAt(form1, twips(x), twips(y), twips(releaseX), twips(releaseY));
    desk.RunFor(1s);
    return desk.ControlVisible(form1, program.GetForm1().SSCommand1.id());
}
bool ClickReveals(int x, int y) { return ClickReveals(x, y, x, y); }

class Form1Test : public ProgramTest {
protected:
    void SetUp() override {
        client = ChatClient::Install(desk);
        desk.Run([&] { program.Start(); });
        form1 = program.GetForm1().window().hWnd();
    }
    platform::ControlId button() { return program.GetForm1().SSCommand1.id(); }
    platform::ControlId label() { return program.GetForm1().Label1.id(); }
    WindowId form1 = 0;
};

}  // namespace

TEST_F(Form1Test, IsFirstSeenCentredAndTopmostWithTheButtonHidden) {
    const auto& state = desk.Form(form1);
    EXPECT_TRUE(state.visible);
    ASSERT_TRUE(state.firstShown);
    EXPECT_TRUE(state.firstShown->topmost);
    EXPECT_EQ(state.firstShown->left, 4080.0f);
    EXPECT_EQ(state.firstShown->top, 3060.0f);
    EXPECT_EQ(state.left, 4080.0f);
    EXPECT_FALSE(desk.ControlVisible(form1, button()));
    EXPECT_EQ(desk.Forms().size(), 1u);  // no idle window yet
    EXPECT_FALSE(state.layout.taskbarButton);
}

TEST_F(Form1Test, AClickOnThePictureRevealsTheButtonAndNothingElse) {
    // The button's place is covered by the label until it is shown.
    desk.Click(form1, button());
    desk.RunFor(1s);
    EXPECT_TRUE(desk.ControlVisible(form1, button()));
    EXPECT_EQ(desk.ControlText(form1, button()), "-- E N T E R --");
    EXPECT_TRUE(desk.Form(form1).visible);
    EXPECT_EQ(desk.Forms().size(), 1u);  // no idle window yet

    desk.ClickAt(form1, 100, 100);
    desk.RunFor(1s);
    EXPECT_TRUE(desk.ControlVisible(form1, button()));
    EXPECT_TRUE(desk.Form(form1).visible);
    EXPECT_TRUE(desk.EnteredLines().empty());
}

TEST_F(Form1Test, TheIntroIsSeenSlidingThenVanishesAndTheLinesGoOutWhileNoWindowIsShown) {
    desk.Click(form1, label());
    desk.RunFor(1s);
    desk.ClearRecords();
    desk.Click(form1, button());
    desk.RunFor(2s);

    EXPECT_FALSE(desk.Form(form1).visible);
    ASSERT_EQ(desk.Forms().size(), 2u);
    const auto& idle = desk.Form(program.GetForm2().window().hWnd());
    EXPECT_TRUE(idle.visible);
    // The user sees the slide: every move comes before the window is hidden.
    int movesWhileShown = 0;
    for (const auto& call : desk.Calls()) {
        if (call.window == form1 && call.op == "Hide") break;
        movesWhileShown += call.window == form1 && (call.op == "SetLeft" || call.op == "SetTop");
    }
    EXPECT_EQ(movesWhileShown, 214);
    ASSERT_EQ(Posted(desk).size(), 2u);
    for (const auto& line : desk.EnteredLines()) EXPECT_EQ(line.programWindowsOnScreen, 0);
    EXPECT_GE(idle.firstShown->time, desk.EnteredLines()[1].time);

    // Form1 stays loaded with its state; nothing shows it again.
    EXPECT_TRUE(desk.ControlVisible(form1, button()));
    desk.RunFor(5s);
    EXPECT_FALSE(desk.Form(form1).visible);
}

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

TEST(StartUp, AnErrorOutsideAnyHandlerStillShowsTheErrorBoxAndEnds) {
    SimDesktop desk;
    forms::Program program(desk);
    desk.SetEventSink(&program);
    // The intro window exists but fails when start-up shows it.
    desk.BreakForm(program.GetForm1().window().hWnd());
    desk.Run([&] { program.Start(); });
    EXPECT_TRUE(desk.Ended());
    ASSERT_EQ(desk.MessageBoxes().size(), 1u);
    EXPECT_TRUE(desk.MessageBoxes()[0].runtimeError);
    EXPECT_EQ(desk.MessageBoxes()[0].title, "Korvo Idle v2 by qel");
}
