// A tick or a click inside every place where the program pumps messages, and
// what the user and the chat room see afterwards. Each expected outcome
// follows from the order of steps of the handlers involved.
#include <algorithm>

#include "program_fixture.h"

using namespace testing_support;
using namespace std::chrono_literals;
using std::chrono::nanoseconds;

namespace {

enum class Pump { Load, StartPause, StopPause, TickStart, TickPause, Farewell };
enum class Arrives { Tick, Start, Stop, Minimize, Exit };

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
// Start's pause, and the next one is a minute after a tick.
const Row kRows[] = {
    // The idle window is not shown yet: a click where it will stand reaches nothing.
    {"Load_Start", Pump::Load, Arrives::Start, "0", kLoadCaption, false, {kTitle, kLink}, {}},
    {"Load_Stop", Pump::Load, Arrives::Stop, "0", kLoadCaption, false, {kTitle, kLink}, {}},
    {"Load_Minimize", Pump::Load, Arrives::Minimize, "0", kLoadCaption, false, {kTitle, kLink}, {}},
    {"Load_Exit", Pump::Load, Arrives::Exit, "0", kLoadCaption, false, {kTitle, kLink}, {}},

    {"StartPause_Start", Pump::StartPause, Arrives::Start, "0", kLoadCaption, true, {kOn, kOn}, {}},
    {"StartPause_Stop", Pump::StartPause, Arrives::Stop, "0", kLoadCaption, true, {kOn}, {kAlreadyOff}},
    {"StartPause_Minimize", Pump::StartPause, Arrives::Minimize, "0", kLoadCaption, true, {kOn}, {}, "minimized"},
    {"StartPause_Exit", Pump::StartPause, Arrives::Exit, "0", kLoadCaption, false, {kOn, kTitle, kLink}, {}, "gone"},

    {"StopPause_Tick", Pump::StopPause, Arrives::Tick, "0", TickCaption("3"), false, {kOff, Minute("3")}, {}},
    {"StopPause_Start", Pump::StopPause, Arrives::Start, "0", TickCaption("2"), false, {kOff}, {kAlreadyOn}},
    {"StopPause_Stop", Pump::StopPause, Arrives::Stop, "0", TickCaption("2"), false, {kOff, kOff}, {}},
    {"StopPause_Minimize", Pump::StopPause, Arrives::Minimize, "0", TickCaption("2"), false, {kOff}, {}, "minimized"},
    {"StopPause_Exit", Pump::StopPause, Arrives::Exit, "2", TickCaption("2"), true, {kOff, kTitle, kLink}, {}, "gone"},

    {"TickStart_Start", Pump::TickStart, Arrives::Start, "3", TickCaption("3"), true, {Minute("3")}, {kAlreadyOn}},
    {"TickStart_Stop", Pump::TickStart, Arrives::Stop, "1", TickCaption("1"), false, {kOff, Minute("1")}, {}},
    {"TickStart_Minimize", Pump::TickStart, Arrives::Minimize, "3", TickCaption("3"), true, {Minute("3")}, {}, "minimized"},
    {"TickStart_Exit", Pump::TickStart, Arrives::Exit, "2", TickCaption("2"), true, {kTitle, kLink}, {}, "gone"},

    {"TickPause_Start", Pump::TickPause, Arrives::Start, "3", TickCaption("3"), true, {Minute("3")}, {kAlreadyOn}},
    {"TickPause_Stop", Pump::TickPause, Arrives::Stop, "0", TickCaption("3"), false, {Minute("3"), kOff}, {}},
    {"TickPause_Minimize", Pump::TickPause, Arrives::Minimize, "3", TickCaption("3"), true, {Minute("3")}, {}, "minimized"},
    {"TickPause_Exit", Pump::TickPause, Arrives::Exit, "3", TickCaption("3"), true, {Minute("3"), kTitle, kLink}, {}, "gone"},

    {"Farewell_Tick", Pump::Farewell, Arrives::Tick, "3", TickCaption("3"), true, {Minute("3"), kTitle, kLink}, {}, "gone"},
    {"Farewell_Start", Pump::Farewell, Arrives::Start, "2", TickCaption("2"), true, {kTitle, kLink}, {kAlreadyOn}, "gone"},
    {"Farewell_Stop", Pump::Farewell, Arrives::Stop, "0", TickCaption("2"), false, {kOff, kTitle, kLink}, {}, "gone"},
    {"Farewell_Minimize", Pump::Farewell, Arrives::Minimize, "2", TickCaption("2"), true, {kTitle, kLink}, {}, "gone"},
    // The inner farewell posts the closing lines and ends; the outer never resumes.
    {"Farewell_Exit", Pump::Farewell, Arrives::Exit, "2", TickCaption("2"), true, {kTitle, kLink}, {}, "gone"},
};

class EventInsidePump : public ProgramTest, public ::testing::WithParamInterface<Row> {
protected:
    void SetUp() override {
        client = ChatClient::Install(desk);
        desk.SetPumpCost(1ms);  // so that input can fall between the pumps of one handler
    }

    static platform::ControlId Hotspot(Arrives event) {
        const std::string name[] = {"", "Label5", "Label6", "Label7", "Label8"};
        const auto controls = forms::Form2::Layout().controls;
        return platform::ControlId(std::find_if(controls.begin(), controls.end(), [&](const auto& c) {
                                       return c.name == name[int(event)];
                                   }) - controls.begin());
    }

    // A click `delay` from now; before the idle window exists, at the point
    // of the screen where the load centres it. A tick is timed by the caller.
    void Deliver(Arrives event, nanoseconds delay) {
        if (event == Arrives::Tick) return;
        const auto forms = desk.Forms();
        if (std::any_of(forms.begin(), forms.end(), [&](WindowId f) { return desk.Form(f).layout.name == "Form2"; }))
            return Click(Hotspot(event), delay);
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
    const Row& row = GetParam();
    // How far into the handler that pumps the event lands, and when that handler begins.
    const nanoseconds inside = row.pump == Pump::Load        ? 300ms
                               : row.pump == Pump::TickStart ? 500us  // pending at the tick's first pump
                               : row.pump == Pump::Farewell  ? 30ms   // of its 140 ms of passes
                                                             : 400ms;
    nanoseconds start{};
    if (row.pump == Pump::Load) {
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
        if (!inTick) Click(row.pump == Pump::StopPause ? form.Label6.id() : form.Label8.id(), start);
    }
    Deliver(row.event, start + inside);
    desk.RunFor(start + 5s);

    auto& form = program.GetForm2();
    const auto& state = desk.Form(form2());
    EXPECT_EQ(form.Label2.Caption(), row.counter);
    EXPECT_EQ(state.caption, row.caption);
    EXPECT_EQ(form.Timer1.Enabled(), row.on);
    EXPECT_EQ(Posted(desk), row.lines);
    std::vector<std::string> boxes;
    for (const auto& box : desk.MessageBoxes()) boxes.push_back(box.text);
    EXPECT_EQ(boxes, row.boxes);
    EXPECT_EQ(desk.Ended() ? "gone" : state.minimized ? "minimized" : state.visible ? "shown" : "hidden", row.window);
}

INSTANTIATE_TEST_SUITE_P(EveryPump, EventInsidePump, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });
