// Random sessions on the simulated desktop, checked against a model of what
// the user and the chat room see. Each command queues one thing the user or
// the chat client does at a random virtual time, often right at the next
// tick, then lets a random stretch of time pass, so that input lands inside
// pauses, ticks, boxes, drags and the slide. Each session draws its screen,
// its start time and its chat client. The model is the design's order of
// steps, replayed on virtual time with the desktop's costs of operations: it
// predicts every tick itself. Where it cannot tell the order of two events,
// it stops predicting for the session and only the invariants are checked;
// the share of sessions it follows to the end is held above a floor.
#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>
#include <rapidcheck/state.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <optional>
#include <set>

#include "forms/Form2/Form2.h"
#include "forms/Program.h"
#include "support.h"
#include "tests/scenarios/desk.h"
#include "tests/scenarios/texts.h"

using namespace testing_support;
using namespace texts;
using namespace std::chrono_literals;
using platform::MouseButton;
using platform::sim::Routing;
using scenarios::AimAt;
using scenarios::Spot;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

namespace {

const char* const kSpotNames[] = {"picture", "strip", "ENTER", "Start", "Stop", "minimize", "exit", "title"};
const char* const kButtonNames[] = {"left", "right", "middle"};
bool OnIntro(Spot s) { return AimAt(s).window == scenarios::Window::Intro; }

const platform::sim::Costs kCost{};  // the desktop's own
constexpr nanoseconds kMinute = 60s;
constexpr nanoseconds kReading = 90s;  // a box nobody answers is read this long
constexpr nanoseconds kTimeout = 3s;   // a message to a hung client gives up
struct Point {
    float x = 0, y = 0;
    bool operator==(const Point&) const = default;
};
// The design's client areas, in twips.
constexpr Point kIntroSize{7200, 5400}, kIdleSize{2970, 1335};
const Point kTravel{platform::PixelsToTwips(20), platform::PixelsToTwips(10)};  // of every drag

enum class Ending { None, Exit, Close, RuntimeError };

// ---- The model -----------------------------------------------------------------

enum class Kind { Press, Move, Release, Key, Close, Restore, BoxAnswer };
struct Input {
    nanoseconds t;
    Kind kind;
    Spot spot = Spot::Picture;
    MouseButton button = MouseButton::Left;
    std::size_t box = 0;  // BoxAnswer: which box
    bool screen = false;  // Press: at the screen point where the idle window will stand
    bool sent = false;    // Close: sent straight to the window, not requested
    bool toIntro = false;  // Close, Restore: to the intro window, before the idle window came
    bool arrived = false;
    Point at;  // where the pointer was when it arrived
    std::optional<Spot> target;  // where it goes, once routed
    bool routed = false;

    Input(nanoseconds when, Kind k, Spot s = Spot::Picture, MouseButton b = MouseButton::Left)
        : t(when), kind(k), spot(s), button(b) {}
};

struct World {
    // The scene.
    float screenW = 15360, screenH = 11520;
    bool room = true, oneRichCntl = false;
    int decoys = 0;  // documents before the room
    nanoseconds hungUntil{};
    Routing routing = Routing::WhenTaken;

    enum Intro { ButtonHidden, ButtonShown, Sliding, IntroGone } intro = ButtonHidden;
    enum Idle { NotYet, Loading, Shown, Minimized } idle = NotYet;
    bool on = false;
    long count = 0;
    std::string caption;  // of the idle window
    std::vector<std::string> boxes;  // every box's text, in the order they opened
    int disabling = 0;  // open boxes the idle window owns
    std::vector<std::string> lines;
    std::vector<nanoseconds> times;  // when each arrived
    Ending ended = Ending::None;
    bool failArmed = false, ending = false, leaving = false;
    int moveLoops = 0;
    int boxLoops = 0;  // with the move loop: the program's pumps leave input to them
    bool dragEnded = false;
    Point introAt, idleAt, pointer;
    int idleMoves = 0;  // places the idle window stood at before the farewell
    std::optional<Spot> pressed;  // where a left press holds the mouse
    bool lost = false;  // two events too close to order: prediction stops

    nanoseconds now{};
    std::vector<Input> queue;  // in the order it comes
    std::optional<nanoseconds> tick;

    struct End {};

    Point Centred(Point size) const {
        return {float((double(screenW) - size.x) / 2), float((double(screenH) - size.y) / 2)};
    }
    void Queue(Input in) {
        auto at = std::upper_bound(queue.begin(), queue.end(), in, [](auto& a, auto& b) { return a.t < b.t; });
        queue.insert(at, in);
        Arrive();
    }
    bool Seen(Spot s) const {
        if (OnIntro(s)) return intro != IntroGone;
        return idle == Shown && disabling == 0;  // a box disables the window it belongs to
    }
    // Where a press goes: the control under it then.
    std::optional<Spot> Route(const Input& in) {
        const Spot s = in.spot;
        // Aimed at the hidden intro window, a press may fall on the idle
        // window where it stands; the model does not follow where that is.
        if (OnIntro(s) && intro == IntroGone && idle != NotYet) lost = true;
        // Where the idle window will stand, the intro window's picture
        // stands until the slide.
        if (in.screen && intro != IntroGone) {
            if (intro == Sliding) lost = true;
            return Spot::Picture;
        }
        // A drag's loop holds the mouse: its window gets the press, shown or
        // not, unless a box disables it.
        if (moveLoops > 0 && !OnIntro(s)) {
            if (!(in.at == Aimed(s))) lost = true;
            return disabling == 0 ? std::optional(s) : std::nullopt;
        }
        // A left press held captures the mouse; the model does not follow where.
        if (pressed) lost = true;
        if (!Seen(s)) return std::nullopt;
        if (s == Spot::Enter && intro == ButtonHidden) return Spot::Picture;
        return s;
    }
    // Two events at the same instant: the model does not tell which comes first.
    void Near(nanoseconds a, nanoseconds b) {
        if (a == b) lost = true;
    }
    void Spend(nanoseconds cost) { AdvanceTo(now + cost); }
    void AdvanceTo(nanoseconds t) {
        if (t < now) return;
        now = t;
        Arrive();
    }
    // Input that has come by now moves the pointer, and is routed then
    // where the desktop does so.
    void Arrive() {
        for (Input& in : queue) {
            if (in.t > now || in.arrived) continue;
            in.arrived = true;
            if (in.kind == Kind::Press) {
                if (OnIntro(in.spot) && intro == Sliding) lost = true;  // aimed at a moving window
                pointer = Aimed(in.spot);
            }
            if (in.kind == Kind::Move) pointer = {pointer.x + kTravel.x, pointer.y + kTravel.y};
            in.at = pointer;
            if (in.kind == Kind::Press && routing == Routing::WhenQueued) {
                in.routed = true;
                in.target = Route(in);
            }
        }
    }
    bool InputToo() const { return moveLoops + boxLoops == 0; }
    static bool Request(const Input& in) { return in.kind == Kind::Close || in.kind == Kind::Restore; }
    // Takes the next thing due by now: input in the order it came, then the
    // timer. `byBox`: taken by a box's own loop, which alone acts on keys.
    bool DispatchOne(bool inputToo, bool byBox = false) {
        for (auto it = queue.begin(); it != queue.end() && it->t <= now; ++it) {
            if (!inputToo && !Request(*it)) continue;
            for (const Input& other : queue)
                if (other.t > now) Near(other.t, now);
            Input in = *it;
            queue.erase(it);
            if (!in.routed && in.kind == Kind::Press) {
                // Gone from where the user aimed: the farewell's jumps or a drag moved it.
                if (leaving || (!OnIntro(in.spot) && !in.screen && !(in.at == Aimed(in.spot)))) lost = true;
                in.target = Route(in);
            }
            Handle(in, byBox);
            return true;
        }
        return FireTick();
    }
    // The timer, once due; missed ticks coalesce into one.
    bool FireTick() {
        if (!tick || *tick > now) return false;
        for (const Input& other : queue) Near(other.t, *tick);
        while (*tick <= now) *tick += kMinute;
        if (!ending) Tick();
        return true;
    }
    // Where a spot is on the screen now.
    Point Aimed(Spot s) const {
        const Point& form = OnIntro(s) ? introAt : idleAt;
        return {form.x + AimAt(s).x, form.y + AimAt(s).y};
    }
    std::optional<nanoseconds> NextDue(bool inputToo) const {
        std::optional<nanoseconds> next = tick;
        for (const Input& in : queue) {
            if (inputToo || Request(in)) {
                if (!next || in.t < *next) next = in.t;
                break;
            }
        }
        return next;
    }
    void Pump() {
        Spend(kCost.pump);
        while (DispatchOne(InputToo())) {
        }
    }
    void Pause(nanoseconds d) {
        const nanoseconds start = now, deadline = now + d;
        for (const Input& in : queue) Near(in.t, deadline);
        if (tick) Near(*tick, deadline);
        while (now - start < d) {
            const auto next = NextDue(InputToo());
            if (!next || *next > now) AdvanceTo(next ? std::min(*next, deadline) : deadline);
            Pump();
        }
    }
    // A box's loop: handles all that comes until the box is answered.
    void Box(const std::string& text) {
        boxes.push_back(text);
        const std::size_t index = boxes.size();
        const bool owned = idle == Shown;
        bool closed = false;
        Input answer{now + kReading, Kind::BoxAnswer};
        answer.box = index;
        Queue(answer);
        openBoxes.push_back({index, &closed});
        disabling += owned;
        ++boxLoops;
        while (!closed) {
            if (DispatchOne(true, true)) continue;
            const auto next = NextDue(true);
            if (!next) throw End{};  // nothing more to come: the desktop says so too
            AdvanceTo(*next);
        }
        --boxLoops;
        disabling -= owned;
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
    // The walk: three lookups to the first document, five for each one
    // that is no room, four for the room and two for its entry line.
    void Post(const std::string& line) {
        Spend(kCost.lookup * (room ? 9 + 5 * decoys : 7));
        if (!room || oneRichCntl) return;
        if (hungUntil > now) {
            Near(hungUntil - now, kTimeout);
            if (hungUntil - now > kTimeout) return Spend(kTimeout);
            AdvanceTo(hungUntil);
        }
        Spend(kCost.send);
        lines.push_back(line);
        times.push_back(now + kCost.send);
        Spend(kCost.send);
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
        if (in.kind == Kind::Restore) {
            if (idle == Minimized && !in.toIntro) idle = Shown;
            return Spend(kCost.showHide);
        }
        if (ending) return;  // no handler runs under the runtime error's box
        // The window system drops a close request to a window a box
        // disables; a close message sent straight to it gets through.
        if (in.kind == Kind::Close) {
            if (!leaving && (in.sent || in.toIntro || disabling == 0)) Finish(Ending::Close);
            return;
        }
        // A press on the title strip drags; a left press and its release
        // click what was pressed.
        if (in.kind == Kind::Release && in.button == MouseButton::Left && pressed)
            return Click(*std::exchange(pressed, std::nullopt));
        if (in.kind != Kind::Press || !in.target) return;
        if (*in.target == Spot::Title) return Drag();
        if (in.button == MouseButton::Left) pressed = in.target;
    }
    void Click(Spot spot) {
        switch (spot) {
            case Spot::Picture: Touch(); Spend(kCost.write); if (intro == ButtonHidden) intro = ButtonShown; break;
            case Spot::Strip: break;
            case Spot::Enter: Touch(); Spend(kCost.read); if (intro == ButtonShown) HandOver(); break;
            case Spot::Start:
                Touch();
                Spend(kCost.read);
                if (on) return Box(kAlreadyOn);
                Post(kOn);
                Pause(800ms);
                tick = now + kMinute;
                Spend(kCost.write);
                on = true;
                break;
            case Spot::Stop:
                Touch();
                Spend(kCost.read);
                if (!on) return Box(kAlreadyOff);
                Post(kOff);
                Pause(800ms);
                on = false;
                tick.reset();
                count = 0;
                Spend(2 * kCost.write);
                break;
            case Spot::Minimize: Touch(); idle = Minimized; Spend(kCost.showHide); break;
            case Spot::Exit: Farewell(); break;
            case Spot::Title: break;
        }
    }
    // The slide as the design runs it: six runs along the edges and back to
    // the middle, a read and a move a step, each test of its end one read or
    // three. It pumps nothing.
    void Slide() {
        intro = Sliding;
        const double w = kIntroSize.x, h = kIntroSize.y, across = (screenW - w) / 2, down = (screenH - h) / 2;
        auto run = [&](float& at, int sign, int step, double bound, auto reached, int reads) {
            Spend(kCost.read);  // the bound
            for (int c = 0; c <= bound; c += step) {
                at = float(at + sign * double(c));
                Spend(kCost.read + kCost.move + reads * kCost.read);
                if (reached()) return;
            }
        };
        float& x = introAt.x;
        float& y = introAt.y;
        run(x, 1, 10, screenW, [&] { return x >= float(screenW - w); }, 3);
        run(y, 1, 10, screenH, [&] { return y >= float(screenH - h); }, 3);
        run(x, -1, 10, screenW / 2.0, [&] { return x <= 0; }, 1);
        run(y, -1, 10, screenH / 2.0, [&] { return y <= 0; }, 1);
        run(x, 1, 10, screenW / 2.0, [&] { return x >= float(across); }, 3);
        run(y, 1, 3, platform::RoundToInt32(screenH / 2.0), [&] { return y >= float(down); }, 3);
        intro = IntroGone;
        Spend(kCost.showHide);
    }
    void HandOver() {
        Slide();
        idle = Loading;
        Spend(kCost.create + 4 * kCost.read + 3 * kCost.write);  // the caption, on top
        idleAt = Centred(kIdleSize);
        idleMoves = 2;
        Spend(2 * kCost.move);
        caption = kLoadCaption;
        Post(kTitle);
        Pause(600ms);
        Spend(4 * kCost.read);  // the link's pieces
        Post(kLink);
        idle = Shown;
        Spend(kCost.showHide);
        linesAtShow = lines.size();
    }
    void Tick() {
        Pump();
        Touch();
        ++count;
        caption = TickCaption(std::to_string(count));
        Spend(3 * kCost.read + 2 * kCost.write);
        Post(Minute(std::to_string(count)));
        Pause(800ms);
    }
    // 35 passes of two draws and a jump, with four pumps; its first move is
    // its first window operation.
    void Farewell() {
        leaving = true;
        for (int pass = 1; pass <= 35; ++pass) {
            Pump();
            Spend(kCost.read);
            Pump();
            Spend(kCost.read);
            Pump();
            if (pass == 1) Touch();
            Spend(2 * kCost.move);
            Pump();
        }
        Spend(4 * kCost.read);
        Post(kTitle);
        Post(kLink);
        Finish(Ending::Exit);
    }
    // Wine's move loop: only the left button's release or Return ends it;
    // the window follows the pointer's travel from where it was grabbed;
    // other input is handled, ticks run, and their pumps leave input alone.
    void Drag() {
        ++moveLoops;
        dragEnded = false;
        const Point start = idleAt, grabbed = pointer;
        while (!dragEnded) {
            auto it = std::find_if(queue.begin(), queue.end(), [&](const Input& i) { return i.t <= now; });
            if (it == queue.end()) {
                if (FireTick()) continue;
                const auto next = NextDue(true);
                if (!next) throw End{};
                AdvanceTo(*next);
                continue;
            }
            Input in = *it;
            queue.erase(it);
            if ((in.kind == Kind::Release && in.button == MouseButton::Left) || in.kind == Kind::Key) {
                pressed.reset();
                break;
            }
            if (in.kind == Kind::Move) {
                idleAt = {start.x + (in.at.x - grabbed.x), start.y + (in.at.y - grabbed.y)};
                ++idleMoves;
                Spend(kCost.move);
                continue;
            }
            // A press on the title drags again, unless a box has disabled the
            // window by the time it is routed; other presses and releases
            // click nothing, since the loop ends on the release.
            if (in.kind == Kind::Press && in.spot == Spot::Title) {
                if (in.screen || !(in.at == Aimed(Spot::Title))) lost = true;
                if (in.routed ? !in.target : disabling > 0) continue;
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

// ---- What a session does ------------------------------------------------------------

enum class Act { Click, Drag, Wait, Ok, Close, SendClose, Restore, ClientCloses, ClientReopens, ClientHangs, Fail };

// A chat client: documents before its room, each lacking one of the four
// classes; a room with a single "RICHCNTL"; text the user has typed.
struct Client {
    std::vector<Missing> decoys;
    bool oneRichCntl = false, typed = false;
};

std::ostream& operator<<(std::ostream& os, const Client& c) {
    os << c.decoys.size() << " decoys lacking";
    for (Missing m : c.decoys) os << " " << "-RLIS"[m];
    return os << (c.oneRichCntl ? ", one RICHCNTL" : "") << (c.typed ? ", text typed" : "");
}

struct Step {
    Act act = Act::Wait;
    Spot spot = Spot::Start;
    MouseButton button = MouseButton::Left;
    microseconds at{};  // when it comes, from now or from the next tick
    bool fromTick = false;
    milliseconds hold{}, passing{};  // Drag: held; then time passes
    Client client{};  // ClientReopens
};

std::ostream& operator<<(std::ostream& os, const Step& s) {
    const char* const acts[] = {"click",        "drag title",          "wait",          "press OK",
                                "close request", "close message", "restore from taskbar", "chat client closes",
                                "chat client reopens", "chat client hangs", "the next window operation fails"};
    os << acts[int(s.act)];
    if (s.act == Act::Click) os << " " << kSpotNames[int(s.spot)];
    if (s.act == Act::Drag) os << " with " << kButtonNames[int(s.button)] << ", held " << s.hold.count() << " ms";
    if (s.act == Act::ClientReopens) os << " with " << s.client;
    if (s.act != Act::Wait && s.act != Act::Fail && s.act != Act::ClientCloses && s.act != Act::ClientReopens)
        os << " at " << (s.fromTick ? "tick " : "") << (s.at.count() >= 0 ? "+" : "") << s.at.count() << " us";
    return os << ", run " << s.passing.count() << " ms";
}

struct Scene {
    Routing routing = Routing::WhenTaken;
    int widthPixels = 1024, heightPixels = 768;
    double wallClock = 12 * 3600;  // seconds since midnight at the start
    bool strays = false;           // another program's "RICHCNTL" windows
    Client client;
};

void showValue(const Scene& s, std::ostream& os) {
    os << (s.routing == Routing::WhenQueued ? "routed when queued" : "routed when taken") << ", screen "
       << s.widthPixels << " x " << s.heightPixels << ", " << s.wallClock << " s after midnight"
       << (s.strays ? ", stray RICHCNTLs" : "") << ", client with " << s.client;
}

struct Session {
    SimDesktop desk;
    std::optional<forms::Program> program;
    ChatClient client;
    World model;
    std::set<WindowId> entries;  // every room's entry line so far
    long commands = 0, live = 0;

    explicit Session(const Scene& scene) {
        program.emplace(desk);
        desk.SetEventSink(&*program);
        desk.SetRouting(scene.routing);
        desk.SetBoxReadingTime(kReading);
        desk.SetScreen(platform::PixelsToTwips(scene.widthPixels), platform::PixelsToTwips(scene.heightPixels));
        desk.SetWallClock(scene.wallClock);
        model.routing = scene.routing;
        model.screenW = platform::PixelsToTwips(scene.widthPixels);
        model.screenH = platform::PixelsToTwips(scene.heightPixels);
        model.introAt = model.Centred(kIntroSize);
        model.idleAt = model.Centred(kIdleSize);
        if (scene.strays) {
            desk.AddForeignWindow(0, "RICHCNTL");
            desk.AddForeignWindow(0, "RICHCNTL");
        }
        Install(scene.client);
        desk.Run([&] { program->Start(); });
        model.now = desk.Now();
    }
    void Install(const Client& c) {
        client = ChatClient::Install(desk, c.decoys, c.oneRichCntl);
        if (c.typed) desk.SetWindowText(client.entry ? client.entry : client.transcript, "brb");
        if (client.entry) entries.insert(client.entry);
        model.room = true;
        model.oneRichCntl = c.oneRichCntl;
        model.decoys = int(c.decoys.size());
        model.hungUntil = {};
    }
    WindowId FormNamed(const char* name) const {
        for (WindowId f : desk.Forms())
            if (desk.Form(f).layout.name == name) return f;
        return platform::kNoWindow;
    }
    // A press at the design's middle of a spot, aimed where the window
    // stands when it comes; before the idle window exists, where it will.
    void Press(Spot spot, MouseButton button, nanoseconds delay) {
        const auto& aim = AimAt(spot);
        const WindowId form = FormNamed(OnIntro(spot) ? "Form1" : "Form2");
        Input in{desk.Now() + delay, Kind::Press, spot, button};
        if (form != platform::kNoWindow) {
            if (OnIntro(spot) && !desk.Form(form).visible) return;  // gone from the screen
            desk.Press(form, aim.x, aim.y, button, delay);
        } else {
            in.screen = true;
            desk.Press(platform::kNoWindow, model.idleAt.x + aim.x, model.idleAt.y + aim.y, button, delay);
        }
        model.Queue(in);
    }
    void Release(MouseButton button, nanoseconds delay) {
        desk.Release(button, delay);
        model.Queue({desk.Now() + delay, Kind::Release, Spot::Picture, button});
    }
    void Move(nanoseconds delay) {
        desk.MoveBy(kTravel.x, kTravel.y, delay);
        model.Queue({desk.Now() + delay, Kind::Move});
    }
    void Key(nanoseconds delay) {
        desk.PressOk(delay);
        model.Queue({desk.Now() + delay, Kind::Key});
    }
    // A close request (Alt+F4) or a restore from the taskbar, to the window
    // that has a taskbar button once there is one.
    void Request(Kind kind, nanoseconds delay, bool sent = false) {
        const WindowId idle = FormNamed("Form2");
        const WindowId form = idle != platform::kNoWindow ? idle : FormNamed("Form1");
        if (kind == Kind::Restore) desk.RestoreFromTaskbar(form, delay);
        else if (sent) desk.SendClose(form, delay);
        else desk.RequestClose(form, delay);
        Input in{desk.Now() + delay, kind};
        in.sent = sent;
        in.toIntro = idle == platform::kNoWindow;
        model.Queue(in);
    }
    void Play(const Step& s) {
        nanoseconds at = s.at;
        if (s.fromTick && model.tick) at += *model.tick - desk.Now();  // the model's tick, not the desktop's
        at = std::max(at, nanoseconds{});
        switch (s.act) {
            case Act::Click:
                Press(s.spot, MouseButton::Left, at);
                Release(MouseButton::Left, at);
                break;
            case Act::Drag:
                Press(Spot::Title, s.button, at);
                Move(at + s.hold / 2);
                Release(s.button, at + s.hold);
                // Wine's move loop ends only on the left button's release;
                // after another button's drag the user ends it with Return.
                if (s.button != MouseButton::Left) Key(at + s.hold);
                break;
            case Act::Ok: Key(at); break;
            case Act::Close: Request(Kind::Close, at); break;
            case Act::SendClose: Request(Kind::Close, at, true); break;
            case Act::Restore: Request(Kind::Restore, at); break;
            case Act::ClientCloses:
            case Act::ClientReopens:
                if (model.room) desk.DestroyWindow(client.frame);
                model.room = false;
                if (s.act == Act::ClientReopens) Install(s.client);
                break;
            case Act::ClientHangs:
                // What the user has typed stays unsent: the program's text does not arrive.
                if (model.room && client.entry) {
                    desk.SetWindowText(client.entry, "brb");
                    desk.HangUntil(client.entry, desk.Now() + s.hold);
                    model.hungUntil = desk.Now() + s.hold;
                }
                break;
            case Act::Fail:
                desk.FailNextOperation();
                model.failArmed = true;
                break;
            case Act::Wait: break;
        }
        Run(s.passing);
    }
    void Run(nanoseconds time) {
        // The model keeps its own clock and timer; each command starts it
        // where the desktop's clock stands.
        const bool ended = desk.Ended();
        model.now = desk.Now();
        model.RunUntil(desk.Now() + time);
        desk.RunFor(time);
        ++commands;
        live += !ended;
        Check();
    }

    void Check() const {
        // The room: whole lines of the program's, each Enter right after
        // its own delivered text, and nothing typed anywhere but an entry line.
        const auto& sent = desk.Messages();
        for (std::size_t i = 0; i < sent.size(); ++i) {
            if (sent[i].message == platform::sim::kWmSysCommand) continue;  // a drag, to the program's own window
            if (sent[i].delivered) RC_ASSERT(entries.count(sent[i].target) == 1u);
            if (sent[i].message == platform::sim::kWmChar) {
                RC_ASSERT(i > 0);
                RC_ASSERT(sent[i - 1].message == platform::sim::kWmSetText);
                RC_ASSERT(sent[i - 1].delivered);
                RC_ASSERT(sent[i - 1].target == sent[i].target);
            }
        }
        // Only the program's lines, minutes in plain digits.
        const auto lines = Posted(desk);
        for (const auto& line : lines) {
            const bool minute = line.rfind(kBrand + " [", 0) == 0 && line != kOn && line != kOff;
            RC_ASSERT(line == kTitle || line == kLink || line == kOn || line == kOff || minute);
            if (minute) RC_ASSERT(line == Minute(std::to_string(std::stol(line.substr(kBrand.size() + 2)))));
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
        // Each window is centred and topmost when first shown. The idle
        // window is first seen after its link line; the intro window never
        // again once it is.
        const WindowId idle = FormNamed("Form2"), intro = FormNamed("Form1");
        const auto& i = desk.Form(intro);
        RC_ASSERT((i.firstShown && i.firstShown->topmost &&
                   Point{i.firstShown->left, i.firstShown->top} == model.Centred(kIntroSize)));
        if (idle != platform::kNoWindow && desk.Form(idle).firstShown) {
            const auto& seen = *desk.Form(idle).firstShown;
            RC_ASSERT((seen.topmost && Point{seen.left, seen.top} == model.Centred(kIdleSize)));
            int before = 0;
            for (const auto& line : desk.EnteredLines()) before += line.time <= seen.time;
            if (!model.lost) RC_ASSERT(std::size_t(before) >= model.linesAtShow);
            for (const auto& line : desk.EnteredLines())
                if (line.time < seen.time) RC_ASSERT(line.programWindowsOnScreen == 0);
            RC_ASSERT(!i.visible);
        }
        if (model.lost) return;

        // What the model says the user and the room see.
        RC_ASSERT(lines == model.lines);
        // Each at its time: the model spends what the desktop does, to within a few reads.
        for (std::size_t k = 0; k < lines.size(); ++k)
            RC_ASSERT(std::chrono::abs(desk.EnteredLines()[k].time - model.times[k]) < 1ms);
        RC_ASSERT(desk.Ended() == (model.ended != Ending::None));
        std::vector<std::string> texts;
        for (const auto& box : boxes) texts.push_back(box.runtimeError ? "runtime error" : box.text);
        RC_ASSERT(texts == model.boxes);
        // Where the slide ended, where drags left the idle window, and
        // every farewell jump within 1 .. W - 200 twips.
        RC_ASSERT((Point{i.left, i.top} == model.introAt));
        if (idle != platform::kNoWindow && model.ended == Ending::Exit) {
            const auto& places = desk.Form(idle).places;
            RC_ASSERT(places.size() >= std::size_t(model.idleMoves) + 70);
            for (std::size_t k = model.idleMoves + 1; k < places.size(); k += 2) {  // after both moves
                RC_ASSERT(places[k].first >= 1 && places[k].first <= model.screenW - 200);
                RC_ASSERT(places[k].second >= 1 && places[k].second <= model.screenW - 200);
            }
        }
        if (desk.Ended()) return;
        RC_ASSERT(i.visible == (model.intro != World::IntroGone));
        RC_ASSERT(desk.ControlVisible(intro, 0) == (model.intro != World::ButtonHidden));
        if (idle == platform::kNoWindow) return RC_ASSERT(model.idle == World::NotYet);
        const auto& f = desk.Form(idle);
        RC_ASSERT((Point{f.left, f.top} == model.idleAt));
        RC_ASSERT((f.visible && !f.minimized) == (model.idle == World::Shown));
        RC_ASSERT(f.minimized == (model.idle == World::Minimized));
        RC_ASSERT(f.caption == model.caption);
        RC_ASSERT(desk.TextOf(idle, IdOf("Label2")) == std::to_string(model.count));
        RC_ASSERT(desk.TimerOn(idle, IdOf("Timer1")) == model.on);
    }
    // The counter and the timer, read where the user sees them.
    static platform::ControlId IdOf(const char* name) {
        static const auto layout = forms::Form2::Layout();
        return platform::ControlId(std::find_if(layout.controls.begin(), layout.controls.end(),
                                                [&](auto& c) { return c.name == name; }) -
                                   layout.controls.begin());
    }

    // The end of a session: the rest plays out, then the program goes.
    void Finish() {
        Run(10 * kMinute);
        program.reset();
        RC_ASSERT(desk.LiveObjects() == platform::sim::Live{});
    }
};

// ---- Random sessions ---------------------------------------------------------------

// From `low` to `high`, both included (rapidcheck's range leaves out its
// end), whatever the session's size (its ranges grow with it); shrinks
// towards `low`.
int Any(int low, int high) { return *rc::gen::resize(100, rc::gen::inRange(low, high + 1)); }
template <typename T>
T Weighted(std::initializer_list<std::pair<std::size_t, T>> choices) {
    return *rc::gen::weightedElement<T>(choices);
}

Client AnyClient() {
    Client c;
    c.decoys.resize(std::size_t(Any(0, 5)));
    for (auto& d : c.decoys) d = Missing(Any(kRichCntl, kStatic));
    c.oneRichCntl = Weighted<bool>({{7, false}, {1, true}});
    c.typed = *rc::gen::arbitrary<bool>();
    return c;
}

// Commands that end the program (the exit, a close request, a failure) come
// late and rarely, so that sessions live long and counts grow: none among a
// session's first 15 commands.
Step AnyStep(int position) {
    const std::size_t ending = position < 15 ? 0 : 1;
    Step s;
    s.act = Weighted<Act>({{40, Act::Click}, {10, Act::Drag}, {16, Act::Wait}, {10, Act::Ok}, {8, Act::Restore},
                           {ending, Act::Close}, {ending, Act::SendClose}, {4, Act::ClientCloses}, {4, Act::ClientReopens},
                           {4, Act::ClientHangs}, {ending, Act::Fail}});
    s.spot = Weighted<Spot>({{12, Spot::Start}, {12, Spot::Stop}, {5, Spot::Minimize}, {5, Spot::Title},
                             {2, Spot::Picture}, {2, Spot::Strip}, {2, Spot::Enter}, {ending, Spot::Exit}});
    s.button = MouseButton(Any(0, 2));
    // Often right at the next tick, down to its first pump; sub-millisecond
    // and zero delays land between the steps of a pass.
    s.fromTick = Weighted<bool>({{2, false}, {1, true}});
    s.at = microseconds(Weighted<bool>({{1, false}, {1, true}}) ? Any(-2000, 2000) : Any(-1500000, 3000000));
    if (!s.fromTick) s.at = microseconds(std::abs(s.at.count()));
    s.hold = milliseconds(Any(0, s.act == Act::ClientHangs ? 8000 : 90000));
    s.passing = milliseconds(Any(0, s.act == Act::Wait ? 150000 : 4000));
    if (s.act == Act::ClientReopens) s.client = AnyClient();
    return s;
}

struct Plan {  // what the commands need to know beforehand: how many came before
    int steps = 0;
};
using Command = rc::state::Command<Plan, Session>;
struct Do final : Command {
    Step step;
    explicit Do(Step s) : step(std::move(s)) {}
    void apply(Plan& plan) const override { ++plan.steps; }
    void run(const Plan&, Session& s) const override { s.Play(step); }
    void show(std::ostream& os) const override { os << step; }
};

// The figures of this process's sessions, for make soak.
struct Figures {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    long sessions = 0, commands = 0, live = 0, exact = 0;
} g_figures;
constexpr double kExactFloor = 0.95;  // 98 to 99.9 % measured

}  // namespace

namespace platform::sim {
void showValue(Routing routing, std::ostream& os) {
    os << (routing == Routing::WhenQueued ? "input routed when queued" : "input routed when taken");
}
}  // namespace platform::sim

RC_GTEST_PROP(ModelBased, EverySessionShowsWhatTheModelSays, ()) {
    const Scene scene = *rc::gen::exec([] {
        Scene s;
        s.routing = *rc::gen::element(Routing::WhenTaken, Routing::WhenQueued);
        s.widthPixels = Any(640, 4000);  // beyond 2,197, where 16 bits overflow
        s.heightPixels = Any(480, 2400);
        s.wallClock = Weighted<bool>({{3, false}, {1, true}}) ? 86400 - Any(0, 180000) / 1000.0 : Any(0, 86399);
        s.strays = *rc::gen::arbitrary<bool>();
        s.client = AnyClient();
        return s;
    });
    RC_TAG(scene.routing == Routing::WhenQueued ? "routed when queued" : "routed when taken");
    Session session(scene);
    // Most sessions begin where the idle window is up, so that their
    // commands reach it; the others begin at the intro window.
    if (Weighted<bool>({{1, false}, {4, true}})) {
        session.Play({Act::Click, Spot::Picture});
        session.Play({Act::Click, Spot::Enter, MouseButton::Left, 100ms, false, {}, 1s});
    }
    rc::state::check(Plan{}, session, [](const Plan& plan) {
        return rc::gen::exec([n = plan.steps] { return std::shared_ptr<const Command>(std::make_shared<const Do>(AnyStep(n))); });
    });
    session.Finish();
    RC_TAG(session.model.lost ? "model lost the order" : "model exact");
    auto& f = g_figures;
    ++f.sessions;
    f.commands += session.commands;
    f.live += session.live;
    f.exact += !session.model.lost;
}

// The figures, and the share of sessions the model follows to the end held
// above its floor (only over enough sessions to tell).
class Tally final : public ::testing::Environment {
    void TearDown() override {
        const auto& f = g_figures;
        if (f.sessions == 0) return;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - f.start;
        std::cout << "model-based sessions: " << f.sessions << ", commands: " << f.commands << " ("
                  << long(f.commands / took.count()) << " a second), live commands " << double(f.live) / f.sessions
                  << " a session\n";
        const double exact = double(f.exact) / f.sessions;
        std::cout << "sessions checked exactly to the end: " << exact * 100 << " % (floor " << kExactFloor * 100
                  << " %)\n";
        if (f.sessions >= 500) {
            EXPECT_GE(exact, kExactFloor) << "the model lost the order too often";
        }
    }
};
[[maybe_unused]] ::testing::Environment* const kTally = ::testing::AddGlobalTestEnvironment(new Tally);

// ---- Fixed sessions ------------------------------------------------------------------

// A tick, a click or a close inside every place where the program pumps
// messages or the window system runs a modal loop, under both routings: each
// a fixed session whose outcome the model gives.
namespace {
Step At(Act act, Spot spot, microseconds at, milliseconds passing = 5s, bool fromTick = false) {
    return {act, spot, MouseButton::Left, at, fromTick, 1s, passing};
}
std::vector<Step> Loaded(std::vector<Step> then = {}, bool atTwo = true) {
    std::vector<Step> steps = {At(Act::Click, Spot::Picture, 0us, 1s), At(Act::Click, Spot::Enter, 0us, 3s)};
    if (atTwo) steps.push_back(At(Act::Click, Spot::Start, 0us, 121s));
    steps.insert(steps.end(), then.begin(), then.end());
    return steps;
}
struct Pump {
    const char* name;
    std::vector<Step> before;  // with `ticks`, the last starts the handler that pumps
    microseconds inside;       // how far into it the event lands
    bool fromTick = false;     // into the tick's handler
    bool ticks = false;        // a tick can land inside too
    bool handOver = false;     // in the hand-over, where the model loses a press at ENTER
};
const Pump kPumps[] = {
    // ENTER 1 s on, so that the event is queued before the hand-over runs.
    {"Load", {At(Act::Click, Spot::Picture, 0us, 1s), At(Act::Click, Spot::Enter, 1s, 0s)}, 1300ms, false, false, true},
    {"StartPause", Loaded({At(Act::Click, Spot::Start, 0us, 0s)}, false), 400ms},
    {"StopPause", Loaded({At(Act::Click, Spot::Stop, 0us, 0s)}), 400ms, false, true},
    {"TickStart", Loaded(), 500us, true},  // pending at the tick's first pump
    {"TickPause", Loaded(), 400ms, true},
    {"UnderBox", Loaded({At(Act::Click, Spot::Start, 0us, 0s)}), 400ms, false, true},
    {"InsideDrag", Loaded({At(Act::Drag, Spot::Title, 0us, 0s)}), 400ms, false, true},
    {"Farewell", Loaded({At(Act::Click, Spot::Exit, 0us, 0s)}), 30ms, false, true},
};
// What lands inside: a click, a close request, a close message, or the tick
// (the handler begins that long before it).
struct Land { const char* name; Act act; Spot spot; };  // Act::Wait: the tick
const Land kLands[] = {{"Start", Act::Click, Spot::Start}, {"Stop", Act::Click, Spot::Stop},
                       {"Minimize", Act::Click, Spot::Minimize}, {"Exit", Act::Click, Spot::Exit},
                       {"Enter", Act::Click, Spot::Enter}, {"Close", Act::Close, {}},
                       {"CloseMessage", Act::SendClose, {}}, {"Tick", Act::Wait, {}}};

struct Row { const Pump* pump; const Land* land; Routing routing; };
std::vector<Row> Rows() {
    std::vector<Row> rows;
    for (const Routing routing : {Routing::WhenQueued, Routing::WhenTaken})
        for (const Pump& pump : kPumps)
            for (const Land& land : kLands)
                if (land.act == Act::Wait ? pump.ticks : !(pump.handOver && land.spot == Spot::Enter))
                    rows.push_back({&pump, &land, routing});
    return rows;
}
std::string Name(const Row& r) {
    return std::string(r.pump->name) + "_" + r.land->name +
           (r.routing == Routing::WhenQueued ? "_RoutedWhenQueued" : "_RoutedWhenTaken");
}
void PrintTo(const Row& r, std::ostream* os) { *os << Name(r); }

class EventInsidePump : public ::testing::TestWithParam<Row> {};
}  // namespace

TEST_P(EventInsidePump, LeavesWhatTheModelSays) {
    const auto& [pump, land, routing] = GetParam();
    std::vector<Step> steps = pump->before;
    if (land->act == Act::Wait) {
        steps.back().at = -pump->inside;
        steps.back().fromTick = true;
        steps.back().passing = 5s;
    } else {
        steps.push_back(At(land->act, land->spot, pump->inside, 5s, pump->fromTick));
    }
    Scene scene;
    scene.routing = routing;
    try {
        Session session(scene);
        for (const Step& step : steps) session.Play(step);
        EXPECT_FALSE(session.model.lost) << "the model cannot tell this session's order";
        session.Finish();
    } catch (const rc::detail::CaseResult& failed) {
        FAIL() << failed.description;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPump, EventInsidePump, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return Name(info.param); });
