// A tick, a click or a close request inside every place where the program
// pumps messages or the window system runs a modal loop, and what the user
// and the chat room see afterwards, under both routings of queued input. Each expected outcome
// follows from the order of steps of the handlers involved.
#include <algorithm>

#include "program_fixture.h"

using namespace testing_support;
using namespace std::chrono_literals;
using std::chrono::nanoseconds;

namespace {

enum class Pump { Load, Slide, StartPause, StopPause, TickStart, TickPause, UnderBox, InsideDrag, Farewell };
enum class Arrives { Tick, Start, Stop, Minimize, Exit, Enter, Close };

struct Row {
    const char* name;
    Pump pump;
    Arrives event;
    std::string counter, caption;
    bool on;
    std::vector<std::string> lines, boxes;
    std::string window = "shown";  // or "minimized", or "gone" once the program ended
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

// Ticks can only come where the idler is on: never in the load pause or in
// Start's pause, and the next one is a minute after a tick. Enter is a second
// press of the intro window's ENTER, Close a close request (Alt+F4).
const Row kRows[] = {
    // The idle window is not shown yet: a click where it will stand reaches nothing.
    {"Load_Start", Pump::Load, Arrives::Start, "0", kLoadCaption, false, {kTitle, kLink}, {}},
    {"Load_Stop", Pump::Load, Arrives::Stop, "0", kLoadCaption, false, {kTitle, kLink}, {}},
    {"Load_Minimize", Pump::Load, Arrives::Minimize, "0", kLoadCaption, false, {kTitle, kLink}, {}},
    {"Load_Exit", Pump::Load, Arrives::Exit, "0", kLoadCaption, false, {kTitle, kLink}, {}},
    {"Load_Enter", Pump::Load, Arrives::Enter, "0", kLoadCaption, false, {kTitle, kLink}, {}},
    {"Load_Close", Pump::Load, Arrives::Close, "0", kLoadCaption, false, {kTitle}, {}, "gone"},

    // The slide pumps nothing: what comes meanwhile waits for the load's pause.
    {"Slide_Start", Pump::Slide, Arrives::Start, "0", kLoadCaption, false, {kTitle, kLink}, {}},
    {"Slide_Exit", Pump::Slide, Arrives::Exit, "0", kLoadCaption, false, {kTitle, kLink}, {}},
    {"Slide_Enter", Pump::Slide, Arrives::Enter, "0", kLoadCaption, false, {kTitle, kLink}, {}},
    {"Slide_Close", Pump::Slide, Arrives::Close, "0", kLoadCaption, false, {kTitle}, {}, "gone"},

    {"StartPause_Start", Pump::StartPause, Arrives::Start, "0", kLoadCaption, true, {kOn, kOn}, {}},
    {"StartPause_Stop", Pump::StartPause, Arrives::Stop, "0", kLoadCaption, true, {kOn}, {kAlreadyOff}},
    {"StartPause_Minimize", Pump::StartPause, Arrives::Minimize, "0", kLoadCaption, true, {kOn}, {}, "minimized"},
    {"StartPause_Exit", Pump::StartPause, Arrives::Exit, "0", kLoadCaption, false, {kOn, kTitle, kLink}, {}, "gone"},
    {"StartPause_Close", Pump::StartPause, Arrives::Close, "0", kLoadCaption, false, {kOn}, {}, "gone"},

    {"StopPause_Tick", Pump::StopPause, Arrives::Tick, "0", TickCaption("3"), false, {kOff, Minute("3")}, {}},
    {"StopPause_Start", Pump::StopPause, Arrives::Start, "0", TickCaption("2"), false, {kOff}, {kAlreadyOn}},
    {"StopPause_Stop", Pump::StopPause, Arrives::Stop, "0", TickCaption("2"), false, {kOff, kOff}, {}},
    {"StopPause_Minimize", Pump::StopPause, Arrives::Minimize, "0", TickCaption("2"), false, {kOff}, {}, "minimized"},
    {"StopPause_Exit", Pump::StopPause, Arrives::Exit, "2", TickCaption("2"), true, {kOff, kTitle, kLink}, {}, "gone"},
    {"StopPause_Close", Pump::StopPause, Arrives::Close, "2", TickCaption("2"), true, {kOff}, {}, "gone"},

    {"TickStart_Start", Pump::TickStart, Arrives::Start, "3", TickCaption("3"), true, {Minute("3")}, {kAlreadyOn}},
    {"TickStart_Stop", Pump::TickStart, Arrives::Stop, "1", TickCaption("1"), false, {kOff, Minute("1")}, {}},
    {"TickStart_Minimize", Pump::TickStart, Arrives::Minimize, "3", TickCaption("3"), true, {Minute("3")}, {}, "minimized"},
    {"TickStart_Exit", Pump::TickStart, Arrives::Exit, "2", TickCaption("2"), true, {kTitle, kLink}, {}, "gone"},
    {"TickStart_Close", Pump::TickStart, Arrives::Close, "2", TickCaption("2"), true, {}, {}, "gone"},

    {"TickPause_Start", Pump::TickPause, Arrives::Start, "3", TickCaption("3"), true, {Minute("3")}, {kAlreadyOn}},
    {"TickPause_Stop", Pump::TickPause, Arrives::Stop, "0", TickCaption("3"), false, {Minute("3"), kOff}, {}},
    {"TickPause_Minimize", Pump::TickPause, Arrives::Minimize, "3", TickCaption("3"), true, {Minute("3")}, {}, "minimized"},
    {"TickPause_Exit", Pump::TickPause, Arrives::Exit, "3", TickCaption("3"), true, {Minute("3"), kTitle, kLink}, {}, "gone"},
    {"TickPause_Close", Pump::TickPause, Arrives::Close, "3", TickCaption("3"), true, {Minute("3")}, {}, "gone"},

    // The "already activated" box: the tick still counts and posts under it,
    // while the window it belongs to takes no clicks.
    {"UnderBox_Tick", Pump::UnderBox, Arrives::Tick, "3", TickCaption("3"), true, {Minute("3")}, {kAlreadyOn}},
    {"UnderBox_Start", Pump::UnderBox, Arrives::Start, "2", TickCaption("2"), true, {}, {kAlreadyOn}},
    {"UnderBox_Stop", Pump::UnderBox, Arrives::Stop, "2", TickCaption("2"), true, {}, {kAlreadyOn}},
    {"UnderBox_Exit", Pump::UnderBox, Arrives::Exit, "2", TickCaption("2"), true, {}, {kAlreadyOn}},
    {"UnderBox_Close", Pump::UnderBox, Arrives::Close, "2", TickCaption("2"), true, {}, {kAlreadyOn}, "gone"},

    // The window-move loop of a drag on the title strip.
    {"InsideDrag_Tick", Pump::InsideDrag, Arrives::Tick, "3", TickCaption("3"), true, {Minute("3")}, {}},
    {"InsideDrag_Close", Pump::InsideDrag, Arrives::Close, "2", TickCaption("2"), true, {}, {}, "gone"},

    {"Farewell_Tick", Pump::Farewell, Arrives::Tick, "3", TickCaption("3"), true, {Minute("3"), kTitle, kLink}, {}, "gone"},
    {"Farewell_Start", Pump::Farewell, Arrives::Start, "2", TickCaption("2"), true, {kTitle, kLink}, {kAlreadyOn}, "gone"},
    {"Farewell_Stop", Pump::Farewell, Arrives::Stop, "0", TickCaption("2"), false, {kOff, kTitle, kLink}, {}, "gone"},
    {"Farewell_Minimize", Pump::Farewell, Arrives::Minimize, "2", TickCaption("2"), true, {kTitle, kLink}, {}, "gone"},
    // The inner farewell posts the closing lines and ends; the outer never resumes.
    {"Farewell_Exit", Pump::Farewell, Arrives::Exit, "2", TickCaption("2"), true, {kTitle, kLink}, {}, "gone"},
    // Once begun, the farewell posts its closing lines before the end.
    {"Farewell_Close", Pump::Farewell, Arrives::Close, "2", TickCaption("2"), true, {kTitle, kLink}, {}, "gone"},
};

using Param = std::tuple<Row, platform::sim::Routing>;

class EventInsidePump : public ProgramTest, public ::testing::WithParamInterface<Param> {
protected:
    void SetUp() override {
        client = ChatClient::Install(desk);
        desk.SetRouting(std::get<1>(GetParam()));
        desk.SetPumpCost(1ms);  // so that input can fall between the pumps of one handler
    }

    static platform::ControlId Hotspot(Arrives event) {
        const std::string name[] = {"", "Label5", "Label6", "Label7", "Label8"};
        const auto controls = forms::Form2::Layout().controls;
        return platform::ControlId(std::find_if(controls.begin(), controls.end(), [&](const auto& c) {
                                       return c.name == name[int(event)];
                                   }) - controls.begin());
    }

    bool IdleWindowExists() {
        const auto forms = desk.Forms();
        return std::any_of(forms.begin(), forms.end(), [&](WindowId f) { return desk.Form(f).layout.name == "Form2"; });
    }

    // The event `delay` from now; before the idle window exists, a click at
    // the point of the screen where the load centres it. A tick is timed by
    // the caller.
    void Deliver(Arrives event, nanoseconds delay) {
        switch (event) {
            case Arrives::Tick:
                return;
            case Arrives::Enter:
                return desk.Click(program.GetForm1().window().hWnd(), program.GetForm1().SSCommand1.id(), delay);
            case Arrives::Close:
                return desk.RequestClose(IdleWindowExists() ? form2() : program.GetForm1().window().hWnd(), delay);
            default:
                break;
        }
        if (IdleWindowExists()) return Click(Hotspot(event), delay);
        const auto layout = forms::Form2::Layout();
        const auto& spot = layout.controls[size_t(Hotspot(event))];
        desk.ClickOnScreen((desk.ScreenWidth() - layout.clientWidth) / 2 + spot.left + spot.width / 2,
                           (desk.ScreenHeight() - layout.clientHeight) / 2 + spot.top + spot.height / 2, delay);
    }

    // Switched on and two minutes counted; returns how long until the next tick.
    nanoseconds IdlingAtTwo() {
        auto& form = LoadForm2();
        Click(form.Label5.id());
        desk.RunFor(1s + 2 * kMinute);
        desk.ClearRecords();
        return desk.NextTimerDue(form2(), form.Timer1.id()) - desk.Now();
    }
};

}  // namespace

TEST_P(EventInsidePump, LeavesWhatTheHandlersOrderOfStepsGives) {
    const Row& row = std::get<0>(GetParam());
    // How far into the handler that pumps the event lands, and when that handler begins.
    const nanoseconds inside = row.pump == Pump::Load        ? 300ms
                               : row.pump == Pump::Slide     ? 100ms
                               : row.pump == Pump::TickStart ? 500us  // pending at the tick's first pump
                               : row.pump == Pump::Farewell  ? 30ms   // of its passes
                                                             : 400ms;
    nanoseconds start{};
    if (row.pump == Pump::Load || row.pump == Pump::Slide) {
        desk.Run([&] { program.Start(); });
        auto& intro = program.GetForm1();
        desk.Click(intro.window().hWnd(), intro.Label1.id());
        desk.RunFor(1s);
        desk.ClearRecords();
        desk.Click(intro.window().hWnd(), intro.SSCommand1.id());
    } else if (row.pump == Pump::StartPause) {
        LoadForm2();
        desk.ClearRecords();
        Click(program.GetForm2().Label5.id());
    } else {
        const auto due = IdlingAtTwo();
        const bool inTick = row.pump == Pump::TickStart || row.pump == Pump::TickPause;
        start = inTick ? due : row.event == Arrives::Tick ? due - inside : 0ns;
        const auto& form = program.GetForm2();
        if (row.pump == Pump::InsideDrag) desk.Drag(form2(), form.Label4.id(), 150, 75, 1s, start);
        if (row.pump == Pump::StopPause) Click(form.Label6.id(), start);
        if (row.pump == Pump::UnderBox) Click(form.Label5.id(), start);
        if (row.pump == Pump::Farewell) Click(form.Label8.id(), start);
    }
    Deliver(row.event, start + inside);
    desk.RunFor(start + 5s);

    auto& form = program.GetForm2();
    const auto& state = desk.Form(form2());
    EXPECT_EQ(desk.TextOf(form2(), form.Label2.id()), row.counter);
    EXPECT_EQ(state.caption, row.caption);
    EXPECT_EQ(desk.TimerOn(form2(), form.Timer1.id()), row.on);
    EXPECT_EQ(Posted(desk), row.lines);
    std::vector<std::string> boxes;
    for (const auto& box : desk.MessageBoxes()) boxes.push_back(box.text);
    EXPECT_EQ(boxes, row.boxes);
    EXPECT_EQ(desk.Ended() ? "gone" : state.minimized ? "minimized" : state.visible ? "shown" : "hidden", row.window);
    // The hand-over's lines go out while no window is seen, whatever came.
    if (row.pump == Pump::Load || row.pump == Pump::Slide) {
        for (const auto& line : desk.EnteredLines()) EXPECT_EQ(line.programWindowsOnScreen, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPump, EventInsidePump,
                         ::testing::Combine(::testing::ValuesIn(kRows),
                                            ::testing::Values(platform::sim::Routing::WhenQueued,
                                                              platform::sim::Routing::WhenTaken)),
                         [](const auto& info) {
                             const bool queued = std::get<1>(info.param) == platform::sim::Routing::WhenQueued;
                             return std::string(std::get<0>(info.param).name) + (queued ? "_RoutedWhenQueued" : "_RoutedWhenTaken");
                         });
