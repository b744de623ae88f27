// Random sessions on the simulated desktop, checked against a model of what
// the user and the chat room see. Each command queues one thing the user or
// the chat client does at a random virtual time, then lets a random stretch
// of time pass, so that input lands inside pauses, ticks, boxes, drags and
// the slide. The model is the design's order of steps, replayed on virtual
// time; where two events come too close for it to tell which the program
// met first, it stops predicting and only the invariants are checked.
#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>
#include <rapidcheck/state.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <optional>
#include <set>

#include "forms/Form1/Form1.h"
#include "forms/Form2/Form2.h"
#include "forms/Program.h"
#include "support.h"
#include "tests/scenarios/texts.h"

using namespace testing_support;
using namespace texts;
using namespace std::chrono_literals;
using platform::MouseButton;
using platform::sim::Routing;
using std::chrono::nanoseconds;

namespace {

enum class Spot { Picture, Strip, Enter, Start, Stop, Minimize, Exit, Title };
const char* const kSpotNames[] = {"picture", "strip", "ENTER", "Start", "Stop", "minimize", "exit", "title"};
const char* const kButtonNames[] = {"left", "right", "middle"};
bool OnIntro(Spot s) { return s <= Spot::Enter; }

enum class Ending { None, Exit, Close, RuntimeError };

// ---- The model -----------------------------------------------------------------

constexpr nanoseconds kMinute = 60s;
constexpr nanoseconds kReading = 90s;  // a box nobody answers is read this long
constexpr nanoseconds kSlide = 250ms;  // the slide's 214 moves
constexpr nanoseconds kFarewell = 80ms;  // 35 passes of four pumps and two moves
constexpr nanoseconds kPost = 9ms;     // the walk and two messages
constexpr nanoseconds kTimeout = 3s;   // a message to a hung client gives up
// The costs of operations are the desktop's: the model's clock may be off
// by what its estimates could miss, and two events closer than that are not
// ordered by it.

enum class Kind { Press, Release, Key, Close, Restore, BoxAnswer };
struct Input {
    nanoseconds t;
    Kind kind;
    Spot spot = Spot::Picture;
    MouseButton button = MouseButton::Left;
    std::size_t box = 0;         // BoxAnswer: which box
    std::optional<Spot> target;  // where it goes, once routed
    bool routed = false;

    Input(nanoseconds at, Kind k, Spot s = Spot::Picture, MouseButton b = MouseButton::Left)
        : t(at), kind(k), spot(s), button(b) {}
};

struct World {
    enum Intro { ButtonHidden, ButtonShown, Sliding, IntroGone } intro = ButtonHidden;
    enum Idle { NotYet, Loading, Shown, Minimized, IdleGone } idle = NotYet;
    bool on = false;
    long count = 0;
    std::string caption;  // of the idle window
    std::vector<std::string> boxes;  // every box's text, in the order they opened
    int open = 0;                    // boxes open now
    bool room = true;
    nanoseconds hungUntil{};
    std::vector<std::string> lines;
    Ending ended = Ending::None;
    bool failArmed = false, ending = false, leaving = false;
    int moveLoops = 0;
    int boxLoops = 0;  // with the move loop: the program's pumps leave input to them
    bool dragEnded = false;
    Routing routing = Routing::WhenTaken;
    bool lost = false;  // two events too close to order: prediction stops

    nanoseconds now{};
    std::vector<Input> queue;  // in the order it comes
    std::optional<nanoseconds> tick;

    struct End {};

    void Queue(Input in) {
        auto at = std::upper_bound(queue.begin(), queue.end(), in, [](auto& a, auto& b) { return a.t < b.t; });
        queue.insert(at, in);
        Arrive();
    }
    bool Seen(Spot s) const {
        if (OnIntro(s)) return intro != IntroGone;
        return idle == Shown && open == 0;  // a box disables the window it belongs to
    }
    // Where a press or release goes: the control under it then.
    std::optional<Spot> Route(Spot s) {
        // Aimed at the hidden intro window, a press may fall on the idle
        // window where it stands; the model does not follow where that is.
        if (OnIntro(s) && intro == IntroGone && idle != NotYet) lost = true;
        if (!Seen(s)) return std::nullopt;
        if (s == Spot::Enter && intro == ButtonHidden) return Spot::Picture;
        return s;
    }
    nanoseconds slack{};  // how far off the clock may be
    void Near(nanoseconds a, nanoseconds b) {
        if (a - b <= slack + 2ms && b - a <= slack + 2ms) lost = true;
    }
    // Time an operation takes, as estimated, and by how much it may differ.
    void Spend(nanoseconds estimate, nanoseconds error) {
        AdvanceTo(now + estimate);
        slack += error;
    }
    void AdvanceTo(nanoseconds t) {
        if (t < now) return;
        // Waiting for input that comes at a known time puts the clock right.
        if (t > now && std::any_of(queue.begin(), queue.end(), [&](auto& in) { return in.t == t; })) slack = {};
        now = t;
        Arrive();
    }
    // Input that has come by now; routed then, where the desktop does so.
    void Arrive() {
        for (Input& in : queue) {
            if (in.t <= now && in.kind == Kind::Press && !in.routed && routing == Routing::WhenQueued) {
                in.routed = true;
                in.target = Route(in.spot);
            }
        }
    }
    // The next thing due by now: input in the order it came, then the timer.
    bool InputToo() const { return moveLoops + boxLoops == 0; }
    // `byBox`: taken by a box's own loop, which alone acts on keys.
    bool DispatchOne(bool inputToo, bool byBox = false) {
        for (auto it = queue.begin(); it != queue.end() && it->t <= now; ++it) {
            if (!inputToo && (it->kind != Kind::Close && it->kind != Kind::Restore)) continue;
            for (const Input& other : queue)
                if (other.t > now) Near(other.t, now);
            Input in = *it;
            queue.erase(it);
            if (!in.routed && in.kind == Kind::Press) {
                // The farewell's jumps may have moved the window away from
                // where the user aimed; the model does not follow them.
                if (leaving) lost = true;
                in.target = Route(in.spot);
            }
            Handle(in, byBox);
            return true;
        }
        if (tick && *tick <= now) {
            for (const Input& other : queue) Near(other.t, *tick);
            while (*tick <= now) *tick += kMinute;
            if (!ending) Tick();
            return true;
        }
        return false;
    }
    std::optional<nanoseconds> NextDue(bool inputToo) const {
        std::optional<nanoseconds> next = tick;
        for (const Input& in : queue) {
            if (inputToo || in.kind == Kind::Close || in.kind == Kind::Restore) {
                if (!next || in.t < *next) next = in.t;
                break;
            }
        }
        return next;
    }
    void Pump() {
        while (DispatchOne(InputToo())) {
        }
    }
    void Pause(nanoseconds d) {
        const nanoseconds deadline = now + d;
        for (const Input& in : queue) Near(in.t, deadline);
        if (tick) Near(*tick, deadline);
        while (now < deadline) {
            const auto next = NextDue(InputToo());
            if (!next || *next > now) AdvanceTo(next ? std::min(*next, deadline) : deadline);
            Pump();
        }
    }
    // A box's loop: waits until `done`, handling all that comes.
    template <typename Done>
    void Modal(Done done) {
        while (!done()) {
            if (!DispatchOne(true, true)) {
                const auto next = NextDue(true);
                if (!next) throw End{};  // nothing more to come: the desktop says so too
                AdvanceTo(*next);
            }
        }
    }
    void Box(const std::string& text) {
        boxes.push_back(text);
        const std::size_t index = boxes.size();
        bool closed = false;
        Input answer(now + kReading, Kind::BoxAnswer);
        answer.box = index;
        Queue(answer);
        openBoxes.push_back({index, &closed});
        ++open;
        ++boxLoops;
        Modal([&] { return closed; });
        --boxLoops;
        --open;
        openBoxes.pop_back();
        queue.erase(std::remove_if(queue.begin(), queue.end(),
                                   [&](const Input& i) { return i.kind == Kind::BoxAnswer && i.box == index; }),
                    queue.end());
    }
    std::vector<std::pair<std::size_t, bool*>> openBoxes;  // innermost last
    std::size_t linesAtShow = 0;

    void Finish(Ending how) {
        ended = how;
        if (moveLoops) dragEnded = true;
        throw End{};
    }
    // The first window operation of a handler; fails once when armed.
    void Touch() {
        if (!std::exchange(failArmed, false)) return;
        ending = true;
        Box("runtime error");
        Finish(Ending::RuntimeError);
    }
    void Post(const std::string& line) {
        if (!room) return Spend(1ms, 1ms);
        if (hungUntil > now) {
            Near(hungUntil - now, kTimeout);
            if (hungUntil - now > kTimeout) return Spend(kTimeout, 1ms);
            AdvanceTo(hungUntil);
            slack = {};
        }
        lines.push_back(line);
        Spend(kPost, 3ms);
    }

    void Handle(const Input& in, bool byBox = false) {
        if (in.kind == Kind::BoxAnswer) {
            for (auto& [index, closed] : openBoxes)
                if (index == in.box) *closed = true;
            return;
        }
        if (in.kind == Kind::Key) {
            if (byBox) *openBoxes.back().second = true;
            return;
        }
        if (ending) return;  // no handler runs under the runtime error's box
        if (in.kind == Kind::Close) {
            if (!leaving) Finish(Ending::Close);
            return;
        }
        if (in.kind == Kind::Restore) {
            if (idle == Minimized) idle = Shown;
            return;
        }
        if (in.kind != Kind::Press || !in.target) return;  // a click happens on the press here
        switch (*in.target) {
            case Spot::Picture: Touch(); if (intro == ButtonHidden) intro = ButtonShown; break;
            case Spot::Strip: break;
            case Spot::Enter: Touch(); if (intro == ButtonShown) HandOver(); break;
            case Spot::Start: Touch(); if (on) Box(kAlreadyOn); else { Post(kOn); Pause(800ms); on = true; tick = now + kMinute; } break;
            case Spot::Stop: Touch(); if (!on) Box(kAlreadyOff); else { Post(kOff); Pause(800ms); on = false; tick.reset(); count = 0; } break;
            case Spot::Minimize: Touch(); idle = Minimized; break;
            case Spot::Exit: Farewell(); break;
            case Spot::Title: Drag(in.button); break;
        }
    }
    void HandOver() {
        intro = Sliding;
        Spend(kSlide, 60ms);  // pumps nothing
        intro = IntroGone;
        idle = Loading;
        caption = "0 Min(s)            [qel]";
        Post(kTitle);
        Pause(600ms);
        Post(kLink);
        idle = Shown;
        linesAtShow = lines.size();
    }
    void Tick() {
        Pump();
        Touch();
        ++count;
        caption = std::to_string(count) + " Min(s)                [qel]";
        Post(Minute(std::to_string(count)));
        Pause(800ms);
    }
    void Farewell() {
        leaving = true;
        slack += 20ms;
        for (const Input& in : queue) Near(in.t, now + kFarewell);
        Pump();
        Touch();  // its first move
        // Busy rather than waiting: what runs in its pumps adds to its length.
        for (nanoseconds end = now + kFarewell; now < end;) {
            const auto next = NextDue(InputToo());
            AdvanceTo(next ? std::min(*next, end) : end);
            const nanoseconds before = now;
            Pump();
            end += now - before;
        }
        Post(kTitle);
        Post(kLink);
        Finish(Ending::Exit);
    }
    // Wine's move loop: only the left button's release or Return ends it;
    // other input is handled, ticks run, and their pumps leave input alone.
    void Drag(MouseButton) {
        ++moveLoops;
        dragEnded = false;
        while (!dragEnded) {
            auto it = std::find_if(queue.begin(), queue.end(), [&](const Input& i) { return i.t <= now; });
            if (it == queue.end()) {
                if (tick && *tick <= now) {
                    while (*tick <= now) *tick += kMinute;
                    if (!ending) Tick();
                    continue;
                }
                const auto next = NextDue(true);
                if (!next) throw End{};
                AdvanceTo(*next);
                continue;
            }
            Input in = *it;
            queue.erase(it);
            if ((in.kind == Kind::Release && in.button == MouseButton::Left) || in.kind == Kind::Key) break;
            // A press on the title drags again; other presses and releases
            // click nothing, since the loop ends on the release.
            if (in.kind == Kind::Press && in.spot == Spot::Title) {
                in.target = Spot::Title;
                Handle(in);
            }
            if (in.kind != Kind::Press && in.kind != Kind::Release) Handle(in);
        }
        --moveLoops;
    }

    // The program's own loop until `limit`.
    void RunUntil(nanoseconds limit) {
        if (ended != Ending::None) return;
        try {
            for (;;) {
                if (DispatchOne(true)) continue;
                const auto due = NextDue(true);
                if (!due || *due > limit) break;
                AdvanceTo(*due);
            }
            AdvanceTo(limit);
        } catch (const End&) {
        }
    }
};

// ---- The program on the desktop --------------------------------------------------

const platform::ControlLayout& Control(const platform::FormLayout& layout, const char* name) {
    return *std::find_if(layout.controls.begin(), layout.controls.end(), [&](auto& c) { return c.name == name; });
}

struct Session {
    SimDesktop desk;
    std::optional<forms::Program> program;
    ChatClient client;
    World model;
    std::set<WindowId> entries;  // every room's entry line so far
    long commands = 0;

    explicit Session(Routing routing) {
        program.emplace(desk);
        desk.SetEventSink(&*program);
        desk.SetRouting(routing);
        desk.SetBoxReadingTime(kReading);
        model.routing = routing;
        Install(0);
        desk.Run([&] { program->Start(); });
        model.now = desk.Now();
    }
    void Install(int decoys) {
        client = ChatClient::Install(desk, decoys);
        entries.insert(client.entry);
        model.room = true;
        model.hungUntil = {};
    }
    WindowId FormNamed(const char* name) const {
        for (WindowId f : desk.Forms())
            if (desk.Form(f).layout.name == name) return f;
        return platform::kNoWindow;
    }
    // A press at the middle of a spot, aimed where the window stands then.
    void Press(Spot spot, MouseButton button, nanoseconds delay) {
        static const auto intro = forms::Form1::Layout(), idle = forms::Form2::Layout();
        static const char* const names[] = {"Label1", "", "SSCommand1", "Label5", "Label6", "Label7", "Label8", "Label4"};
        const WindowId form = FormNamed(OnIntro(spot) ? "Form1" : "Form2");
        float x = 3600, y = 5350;  // the strip below the picture
        if (spot != Spot::Strip) {
            const auto& c = Control(OnIntro(spot) ? intro : idle, names[int(spot)]);
            x = c.left + c.width / 2;
            y = c.top + c.height / 2;
        }
        // Not there yet, or gone from the screen: nothing to aim at.
        if (form == platform::kNoWindow || (OnIntro(spot) && !desk.Form(form).visible)) return;
        desk.Press(form, x, y, button, delay);
        model.Queue({desk.Now() + delay, Kind::Press, spot, button});
    }
    void Release(MouseButton button, nanoseconds delay) {
        desk.Release(button, delay);
        model.Queue({desk.Now() + delay, Kind::Release, Spot::Picture, button});
    }
    void Key(nanoseconds delay) {
        desk.PressOk(delay);
        model.Queue({desk.Now() + delay, Kind::Key});
    }
    static platform::ControlId IdOf(const char* name) {
        static const auto layout = forms::Form2::Layout();
        return platform::ControlId(&Control(layout, name) - layout.controls.data());
    }
    void Run(nanoseconds time) {
        // The costs of operations are the desktop's: the model takes its
        // clock, and the timer's due time once the timer runs.
        model.now = desk.Now();
        model.slack = {};
        const WindowId idle = FormNamed("Form2");
        if (model.tick && idle != platform::kNoWindow && !desk.Ended() && desk.TimerOn(idle, IdOf("Timer1")))
            model.tick = desk.NextTimerDue(idle, IdOf("Timer1"));
        model.RunUntil(desk.Now() + time);
        desk.RunFor(time);
        ++commands;
        Check();
    }

    void Check() const {
        // The room: whole lines of the program's, each Enter right after
        // its own delivered text, and nothing typed anywhere but an entry line.
        const auto& sent = desk.Messages();
        for (std::size_t i = 0; i < sent.size(); ++i) {
            if (sent[i].message == platform::sim::kWmSysCommand) continue;  // a drag, to the program's own window
            RC_ASSERT(entries.count(sent[i].target) == 1u);
            if (sent[i].message == platform::sim::kWmChar) {
                RC_ASSERT(i > 0);
                RC_ASSERT(sent[i - 1].message == platform::sim::kWmSetText);
                RC_ASSERT(sent[i - 1].delivered);
                RC_ASSERT(sent[i - 1].target == sent[i].target);
            }
        }
        const auto lines = Posted(desk);
        long last = 0;
        for (const auto& message : sent) {
            if (message.message != platform::sim::kWmSetText) continue;
            const std::string& line = message.bytes;
            const bool minute = line.rfind(kBrand + " [", 0) == 0 && line != kOn && line != kOff;
            RC_ASSERT(line == kTitle || line == kLink || line == kOn || line == kOff || minute);
            if (!minute) continue;
            // Each minute counts on from the last one sent, or starts again
            // at 1 (lines posted without a room leave gaps).
            const long n = std::stol(line.substr(kBrand.size() + 2));
            RC_ASSERT(line == Minute(std::to_string(n)));
            RC_ASSERT(n == 1 || n > last);
            last = n;
        }
        // One box at a time, but for the runtime's error box, which may
        // come from a tick under another. Only where input is routed as it
        // leaves the queue: routed as it arrives, a click queued before a
        // box disabled its window still reaches it, and opens a second box.
        const auto& boxes = desk.MessageBoxes();
        std::optional<nanoseconds> closed;
        for (const auto& box : boxes) {
            if (box.runtimeError) continue;
            if (closed && model.routing == Routing::WhenTaken) RC_ASSERT(box.time >= *closed);
            // Open only where the program ended under it.
            RC_ASSERT(box.closed.has_value() || desk.Ended());
            closed = box.closed.value_or(nanoseconds::max());
        }
        // Nothing goes out once the runtime's error box is up.
        for (const auto& box : boxes) {
            if (!box.runtimeError) continue;
            for (const auto& line : desk.EnteredLines()) RC_ASSERT(line.time <= box.time);
            RC_ASSERT(desk.Ended());
        }
        // The idle window is first seen after its link line; the intro
        // window never again once it is.
        const WindowId idle = FormNamed("Form2"), intro = FormNamed("Form1");
        if (idle != platform::kNoWindow && desk.Form(idle).firstShown) {
            const auto shown = desk.Form(idle).firstShown->time;
            int before = 0;
            for (const auto& line : desk.EnteredLines()) before += line.time <= shown;
            if (!model.lost) RC_ASSERT(std::size_t(before) >= model.linesAtShow);
            for (const auto& line : desk.EnteredLines())
                if (line.time < shown) RC_ASSERT(line.programWindowsOnScreen == 0);
            RC_ASSERT(!desk.Form(intro).visible);
        }
        if (model.lost) return;

        // What the model says the user and the room see.
        RC_ASSERT(lines == model.lines);
        RC_ASSERT(desk.Ended() == (model.ended != Ending::None));
        std::vector<std::string> texts;
        for (const auto& box : boxes) texts.push_back(box.runtimeError ? "runtime error" : box.text);
        RC_ASSERT(texts == model.boxes);
        if (desk.Ended()) return;
        const auto& i = desk.Form(intro);
        RC_ASSERT(i.visible == (model.intro != World::IntroGone));
        RC_ASSERT(desk.ControlVisible(intro, 0) == (model.intro != World::ButtonHidden));
        if (idle == platform::kNoWindow) return RC_ASSERT(model.idle == World::NotYet);
        const auto& f = desk.Form(idle);
        RC_ASSERT((f.visible && !f.minimized) == (model.idle == World::Shown));
        RC_ASSERT(f.minimized == (model.idle == World::Minimized));
        RC_ASSERT(f.caption == model.caption);
        RC_ASSERT(desk.TextOf(idle, IdOf("Label2")) == std::to_string(model.count));
        RC_ASSERT(desk.TimerOn(idle, IdOf("Timer1")) == model.on);
    }

    // The end of a session: the rest plays out, then the program goes.
    void Finish() {
        Run(10 * kMinute);
        program.reset();
        RC_ASSERT(desk.LiveObjects() == platform::sim::Live{});
    }
};

// ---- Commands ----------------------------------------------------------------------

struct Plan {};  // what the commands need to know beforehand: nothing
using Command = rc::state::Command<Plan, Session>;

// Drawn from the whole range whatever the session's size (rapidcheck's
// ranges grow with it); shrinks towards `low`.
int Any(int low, int high) { return *rc::gen::resize(100, rc::gen::inRange(low, high)); }
std::chrono::milliseconds Ms(int high) { return std::chrono::milliseconds(Any(0, high)); }
// How long after the command it lands, and how much time then passes.
nanoseconds Delay() { return Ms(3000); }
nanoseconds Passing() { return Ms(4000); }

struct ClickSpot : Command {
    Spot spot = Spot(Any(0, 7));
    nanoseconds delay = Delay(), passing = Passing();
    void run(const Plan&, Session& s) const override {
        s.Press(spot, MouseButton::Left, delay);
        s.Release(MouseButton::Left, delay);
        s.Run(passing);
    }
    void show(std::ostream& os) const override {
        os << "click " << kSpotNames[int(spot)] << " at +" << delay.count() / 1000000 << " ms, run "
           << passing.count() / 1000000 << " ms";
    }
};

struct DragTitle : Command {
    MouseButton button = MouseButton(Any(0, 3));
    nanoseconds delay = Delay(), hold = Ms(90000), passing = Passing();
    void run(const Plan&, Session& s) const override {
        s.Press(Spot::Title, button, delay);
        s.desk.MoveBy(300, 150, delay + hold / 2);
        s.Release(button, delay + hold);
        // Wine's move loop ends only on the left button's release; after
        // another button's drag the user ends it with Return.
        if (button != MouseButton::Left) s.Key(delay + hold);
        s.Run(passing);
    }
    void show(std::ostream& os) const override {
        os << "drag title with " << kButtonNames[int(button)] << " at +" << delay.count() / 1000000
           << " ms, held " << hold.count() / 1000000 << " ms, run " << passing.count() / 1000000 << " ms";
    }
};

struct Wait : Command {
    nanoseconds time = Ms(150000);
    void run(const Plan&, Session& s) const override { s.Run(time); }
    void show(std::ostream& os) const override { os << "wait " << time.count() / 1000000 << " ms"; }
};

struct PressOk : Command {
    nanoseconds delay = Delay(), passing = Passing();
    void run(const Plan&, Session& s) const override {
        s.Key(delay);
        s.Run(passing);
    }
    void show(std::ostream& os) const override {
        os << "press OK at +" << delay.count() / 1000000 << " ms, run " << passing.count() / 1000000 << " ms";
    }
};

// A close request (Alt+F4) or a restore from the taskbar, to the window
// that has a taskbar button once there is one.
struct Request : Command {
    bool close = *rc::gen::arbitrary<bool>();
    nanoseconds delay = Delay(), passing = Passing();
    void run(const Plan&, Session& s) const override {
        const WindowId idle = s.FormNamed("Form2");
        const WindowId form = idle != platform::kNoWindow ? idle : s.FormNamed("Form1");
        const nanoseconds t = s.desk.Now() + delay;
        if (close) s.desk.RequestClose(form, delay);
        else s.desk.RestoreFromTaskbar(form, delay);
        if (close || idle != platform::kNoWindow) s.model.Queue({t, close ? Kind::Close : Kind::Restore});
        s.Run(passing);
    }
    void show(std::ostream& os) const override {
        os << (close ? "close request" : "restore from taskbar") << " at +" << delay.count() / 1000000
           << " ms, run " << passing.count() / 1000000 << " ms";
    }
};

// The chat client appears, closes, reopens with decoys, or hangs.
struct Client : Command {
    int what = Any(0, 3);
    int decoys = Any(0, 4);
    nanoseconds hang = Ms(8000);
    void run(const Plan&, Session& s) const override {
        if (what == 2) {
            if (s.model.room) {
                s.desk.HangUntil(s.client.entry, s.desk.Now() + hang);
                s.model.hungUntil = s.desk.Now() + hang;
            }
        } else {
            if (s.model.room) s.desk.DestroyWindow(s.client.frame);
            s.model.room = false;
            if (what == 1) s.Install(decoys);
        }
        s.Run(0ns);
    }
    void show(std::ostream& os) const override {
        if (what == 0) os << "chat client closes";
        if (what == 1) os << "chat client reopens with " << decoys << " decoys";
        if (what == 2) os << "chat client hangs " << hang.count() / 1000000 << " ms";
    }
};

struct Fail : Command {
    void run(const Plan&, Session& s) const override {
        s.desk.FailNextOperation();
        s.model.failArmed = true;
        s.Run(0ns);
    }
    void show(std::ostream& os) const override { os << "the next window operation fails"; }
};

long g_sessions = 0, g_commands = 0;

}  // namespace

namespace platform::sim {
void showValue(Routing routing, std::ostream& os) {
    os << (routing == Routing::WhenQueued ? "input routed when queued" : "input routed when taken");
}
}  // namespace platform::sim

RC_GTEST_PROP(ModelBased, EverySessionShowsWhatTheModelSays, ()) {
    const auto routing = *rc::gen::element(Routing::WhenTaken, Routing::WhenQueued);
    RC_TAG(routing == Routing::WhenQueued ? "routed when queued" : "routed when taken");
    Session session(routing);
    // Most sessions begin where the idle window is up, so that their
    // commands reach it; the others begin at the intro window.
    if (*rc::gen::weightedElement<bool>({{1, false}, {4, true}})) {
        session.Press(Spot::Picture, MouseButton::Left, 0ns);
        session.Release(MouseButton::Left, 0ns);
        session.Press(Spot::Enter, MouseButton::Left, 100ms);
        session.Release(MouseButton::Left, 100ms);
        session.Run(1s);
    }
    Plan plan;
    rc::state::check(plan, session,
                     rc::state::gen::execOneOfWithArgs<ClickSpot, ClickSpot, ClickSpot, ClickSpot, DragTitle, Wait,
                                                       Wait, PressOk, Request, Client, Fail>());
    session.Finish();
    RC_TAG(session.model.lost ? "model lost the order" : "model exact");
    ++g_sessions;
    g_commands += session.commands;
}

// The sessions and commands this process ran, for make soak's figures.
class Tally final : public ::testing::Environment {
    void TearDown() override {
        if (g_sessions > 0) std::cout << "model-based sessions: " << g_sessions << ", commands: " << g_commands << "\n";
    }
};
[[maybe_unused]] ::testing::Environment* const kTally = ::testing::AddGlobalTestEnvironment(new Tally);
