// Simulated desktop: a full backend in memory. It holds a window tree with
// classes (the program's forms and foreign windows such as a chat client's),
// records every message sent to a window, and runs a virtual clock on which
// every operation takes about the time it takes on a real desktop. Input is
// timed, one press, move, release or key at a time, and is queued until the
// program next takes messages; message boxes and the window-move loop are
// modal loops that take from the same queue, as the window system's do. It
// has a settable screen and can supply the random generator's values.
// It never includes a form; tests drive it as a user would.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform::sim {

// Thrown by End() to unwind every nested handler; caught by the desktop's
// own loop. Deliberately not a std::exception, so the program's error
// handling cannot swallow it.
struct ProgramEnded {};

// Thrown when a modal loop would wait for input that no script will ever
// give (a box nobody answers, a drag nobody releases).
struct NothingMoreToCome {};

enum class MoveMode {
    Exact,         // positions are kept exactly as written
    SnapToPixels,  // written positions are rounded to whole pixels (kTwipsPerPixel),
                   // as the Win32 backend rounds them
    Refuse,        // writes are ignored: the window stays where it is
};

// Which window gets queued mouse input: the one under the point (or holding
// the capture) when the input arrived, as Windows may route it, or when the
// program takes it from the queue, as Wine does.
enum class Routing { WhenQueued, WhenTaken };

enum class Key { Return, Escape };

using std::chrono::nanoseconds;

// The virtual time each operation takes, close to what it takes on a real
// desktop under Wine (the bench measures 0.9 to 1.8 ms a move, about 10 ms a
// post with its lookups).
struct Costs {
    nanoseconds move = std::chrono::milliseconds(1);        // a left, top or SetWindowPos move
    nanoseconds showHide = std::chrono::milliseconds(1);    // show, hide, minimize, restore
    nanoseconds create = std::chrono::milliseconds(5);      // a form with its controls
    nanoseconds read = std::chrono::microseconds(20);       // a geometry, caption or control read
    nanoseconds write = std::chrono::microseconds(50);      // a caption or control write
    nanoseconds lookup = std::chrono::microseconds(100);    // FindWindowA, FindWindowExA
    nanoseconds send = std::chrono::milliseconds(4);        // a message the chat client handles
    nanoseconds pump = std::chrono::microseconds(50);       // one PumpMessages, before it looks
};

// The messages the program sends, as SentMessage records them.
inline constexpr unsigned kWmSetText = 0x000C;
inline constexpr unsigned kWmChar = 0x0102;
inline constexpr unsigned kWmSysCommand = 0x0112;

struct SentMessage {
    nanoseconds time{};
    WindowId target = kNoWindow;
    unsigned message = 0;
    std::uintptr_t wParam = 0;  // a WM_SYSCOMMAND's lParam is in its Call
    std::string bytes;  // WM_SETTEXT: the text exactly as handed over
    bool delivered = false;  // answered within the timeout
    bool arrived = false;    // handled, perhaps after the sender gave up
};

// A line a foreign window sent on Enter: its text when WM_CHAR 13 arrived.
struct EnteredLine {
    nanoseconds time{};
    WindowId window = kNoWindow;
    std::string bytes;
    int programWindowsOnScreen = 0;  // what the user saw as the room got it
};

struct MessageBoxShown {
    nanoseconds time{};                 // when it opened
    std::optional<nanoseconds> closed;  // when the user answered; none while open
    std::string title;
    std::string text;
    bool runtimeError = false;
    WindowId owner = kNoWindow;  // disabled while the box is open
};

// One observable call into the desktop, in order: geometry reads and writes,
// show/hide/minimize, the user32 calls and the random generator.
struct Call {
    nanoseconds time{};
    std::string op;
    WindowId window = kNoWindow;
    double value = 0;
};

// Where and how a form stood the first time it was shown.
struct Sighting {
    nanoseconds time{};
    float left = 0, top = 0;
    bool topmost = false;
};

struct FormState {
    FormLayout layout;
    std::string caption;
    float left = 0, top = 0, width = 0, height = 0;
    bool visible = false;
    bool minimized = false;
    bool topmost = false;
    bool destroyed = false;  // its last state stays readable here
    std::optional<Sighting> firstShown;
    std::vector<std::pair<float, float>> places;  // every place it was moved to, in order
};

// What the program holds of the window system's objects.
struct Live {
    int windows = 0;         // forms and their push buttons
    int timers = 0;          // running timers
    int drawingObjects = 0;  // fonts and pictures
    bool operator==(const Live&) const = default;
    Live& operator+=(const Live& more) {
        windows += more.windows, timers += more.timers, drawingObjects += more.drawingObjects;
        return *this;
    }
    Live& operator-=(const Live& less) {
        windows -= less.windows, timers -= less.timers, drawingObjects -= less.drawingObjects;
        return *this;
    }
};

class SimDesktop final : public Platform {
public:
    explicit SimDesktop(float screenWidth = 15360, float screenHeight = 11520);
    ~SimDesktop() override;

    // ---- Setting the scene ----
    void SetScreen(float widthTwips, float heightTwips);
    void SetMoveMode(MoveMode mode) { m_moveMode = mode; }
    void SetRouting(Routing routing) { m_routing = routing; }
    void SetCosts(const Costs& costs) { m_costs = costs; }
    // Virtual time each PumpMessages takes before it looks at the queue.
    void SetPumpCost(nanoseconds cost) { m_costs.pump = cost; }
    // How long the user takes to press OK on a box that no script answers;
    // none: such a box waits for a scripted answer.
    void SetBoxReadingTime(std::optional<nanoseconds> time) { m_boxReadingTime = time; }
    void SetWallClock(double secondsSinceMidnight) { m_wallStart = secondsSinceMidnight; }
    // Foreign windows, appended after their siblings. Parent 0: top level.
    WindowId AddForeignWindow(WindowId parent, std::string className, std::string text = {});
    void DestroyWindow(WindowId window);  // and its children
    // The window stops answering until `until` (virtual time).
    void HangUntil(WindowId window, nanoseconds until);
    // The window handles the next WM_SETTEXT it gets, then stops answering
    // for this long, as a client blocked in its handler does.
    void HangOnNextText(WindowId window, nanoseconds time) { NodeOf(window).hangOnText = time; }
    std::string WindowText(WindowId window) const;
    void SetWindowText(WindowId window, std::string bytes);
    // Observation switch for very long runs.
    void SetRecording(bool on) { m_recording = on; }
    // Every later property access on the form fails with the runtime error.
    void BreakForm(WindowId form) { NodeOf(form).broken = true; }
    // The next operation on any form fails with it, once.
    void FailNextOperation() { m_failNext = true; }
    // The generator's next values, each in [0, 1); the real generator's
    // follow once they are used up.
    void ScriptRandom(const std::vector<float>& values) {
        m_randomScript.assign(values.begin(), values.end());
    }

    // ---- Scripted input, each `delay` from now ----
    // A press at a point of a form's client area (twips), wherever the form
    // stands when the press comes: the user aims at what is on the screen.
    void Press(WindowId form, float x, float y, MouseButton button, nanoseconds delay = {});
    // The pointer moves by this much (twips).
    void MoveBy(float dx, float dy, nanoseconds delay = {});
    // A release where the pointer is.
    void Release(MouseButton button, nanoseconds delay = {});
    // A press and its release at another point of the same client area, at
    // one instant; a click when both lie in the pressed control.
    void PressAndReleaseAt(WindowId form, float x, float y, float releaseX, float releaseY,
                           nanoseconds delay = {});
    void ClickAt(WindowId form, float x, float y, nanoseconds delay = {});
    // A click at a point of the screen (twips).
    void ClickOnScreen(float x, float y, nanoseconds delay = {});
    // A left click on the middle of a control.
    void Click(WindowId form, ControlId control, nanoseconds delay = {});
    // A press on the middle of a control, held.
    void MouseDown(WindowId form, ControlId control, MouseButton button, nanoseconds delay = {});
    // A left-button drag of a control by (dx, dy): press, half the move, the
    // rest, release, over `duration`.
    void Drag(WindowId form, ControlId control, float dx, float dy, nanoseconds duration,
              nanoseconds delay = {});
    void KeyPress(Key key, nanoseconds delay = {});
    // The user presses OK (or Enter) on the box that is open then.
    void PressOk(nanoseconds delay = {}) { KeyPress(Key::Return, delay); }
    // Alt+F4 or the taskbar's Close on a form; the window system drops it
    // while a box keeps the form disabled.
    void RequestClose(WindowId form, nanoseconds delay = {});
    // A WM_CLOSE sent straight to a form, as a task manager sends it: it
    // reaches a disabled form too.
    void SendClose(WindowId form, nanoseconds delay = {});
    // The form's taskbar button restores it.
    void RestoreFromTaskbar(WindowId form, nanoseconds delay = {});

    // ---- Running ----
    // The program's message loop: delivers due events one by one until
    // `duration` of virtual time has passed or the program has ended.
    void RunFor(nanoseconds duration);
    // Runs `action` as the program's code; a program end inside it is caught.
    template <typename F>
    void Run(F&& action) {
        try {
            action();
        } catch (const ProgramEnded&) {
        }
    }
    bool Ended() const { return m_ended; }
    nanoseconds NextTimerDue(WindowId form, ControlId timer) const;

    // ---- Observing ----
    const std::vector<SentMessage>& Messages() const { return m_messages; }
    const std::vector<EnteredLine>& EnteredLines() const { return m_entered; }
    // Every box in the order they opened; the open ones have no `closed`.
    const std::vector<MessageBoxShown>& MessageBoxes() const { return m_boxes; }
    int OpenBoxes() const;
    // How often the program has pumped: a wait that spins pumps without end.
    long long Pumps() const { return m_pumps; }
    const std::vector<Call>& Calls() const { return m_calls; }
    void ClearRecords();
    const FormState& Form(WindowId form) const;
    bool ControlVisible(WindowId form, ControlId control) const;
    // A control's text and a timer's flag as they stand, or stood when the
    // form was destroyed.
    std::string TextOf(WindowId form, ControlId control) const;
    bool TimerOn(WindowId form, ControlId timer) const;
    // The mouse cursor over a point of a form's client area (twips).
    Cursor CursorAt(WindowId form, float x, float y) const;
    std::vector<WindowId> Forms() const;
    // Counted as they are made and freed.
    Live LiveObjects() const { return m_live; }

    // ---- Platform ----
    void SetEventSink(EventSink* sink) override { m_sink = sink; }
    WindowId CreateForm(const FormLayout& layout) override;
    void ShowForm(WindowId form) override;
    void HideForm(WindowId form) override;
    bool Visible(WindowId form) override;
    void DestroyForm(WindowId form) override;
    std::string Caption(WindowId form) override;
    void SetCaption(WindowId form, std::string_view text) override;
    float Left(WindowId form) override;
    float Top(WindowId form) override;
    float Width(WindowId form) override;
    float Height(WindowId form) override;
    void SetLeft(WindowId form, float twips) override;
    void SetTop(WindowId form, float twips) override;
    void Minimize(WindowId form) override;
    float ScreenWidth() override;
    float ScreenHeight() override;
    std::string ControlText(WindowId form, ControlId control) override;
    void SetControlText(WindowId form, ControlId control, std::string_view text) override;
    void SetControlVisible(WindowId form, ControlId control, bool visible) override;
    bool TimerEnabled(WindowId form, ControlId timer) override;
    void SetTimerEnabled(WindowId form, ControlId timer, bool enabled) override;
    void ShowMessage(std::string_view text) override;
    void ShowRuntimeError(std::string_view text) override;
    void PumpMessages() override;
    void WaitForInput(nanoseconds deadline) override;
    nanoseconds Now() override { return m_now; }
    double SecondsSinceMidnight() override;
    [[noreturn]] void End() override;
    void Randomize() override;   // recorded as "Randomize"
    float Rnd() override;        // recorded as "Rnd", with the value
    WindowId FindWindowA(const char* className) override;
    WindowId FindWindowExA(WindowId parent, WindowId childAfter, const char* className) override;
    bool SendSetText(WindowId target, std::string_view utf8, std::chrono::milliseconds timeout) override;
    bool SendChar(WindowId target, unsigned code, std::chrono::milliseconds timeout) override;
    void SendSysCommand(WindowId target, unsigned wParam, std::intptr_t lParam) override;
    void SetWindowPos(WindowId window, std::intptr_t insertAfter, int x, int y, int cx, int cy,
                      unsigned flags) override;
    void ReleaseCapture() override;

private:
    struct ControlState {
        std::string text;
        bool visible = true;
        bool timerEnabled = false;
        nanoseconds timerDue{};
    };
    struct Node {
        WindowId parent = kNoWindow;
        std::string className;
        std::string text;  // foreign windows: bytes as set
        std::vector<WindowId> children;
        nanoseconds hungUntil{};
        nanoseconds hangOnText{};
        bool broken = false;
        bool freed = false;  // a form: DestroyForm has freed what it held
        std::optional<FormState> form;
        std::vector<ControlState> controls;
        ControlId pressed = -1;  // the label or button a left press captured
    };
    struct Point {
        float x = 0, y = 0;
    };
    // A window that mouse input goes to: a form, or one of its push buttons,
    // and the point in its client area, fixed when the input is routed.
    struct Target {
        WindowId form = kNoWindow;
        ControlId button = -1;
        Point client;
    };
    enum class InputKind { Press, Move, Release, Key, Close, Restore, BoxAnswer };
    struct Input {
        nanoseconds due{};
        std::uint64_t sequence = 0;
        InputKind kind = InputKind::Press;
        MouseButton button = MouseButton::Left;
        Key key = Key::Return;
        // Where a press aims: a client point of `form`, or a screen point.
        WindowId form = kNoWindow;
        Point aim;
        Point move;  // Move: by how much
        std::size_t box = 0;  // BoxAnswer: which box
        bool sent = false;    // Close: sent straight to the form
        // Set when the input arrives (and, with Routing::WhenTaken, the
        // target again when it is taken).
        bool arrived = false;
        Point at;  // screen point
        std::optional<Target> target;
    };

    Node& NodeOf(WindowId window);
    const Node& NodeOf(WindowId window) const;
    Node& FormNode(WindowId form);
    const Node& FormNode(WindowId form) const;
    ControlState& ControlOf(WindowId form, ControlId control);
    const ControlLayout& LayoutOf(WindowId form, ControlId control) const;
    std::vector<WindowId>& SiblingsOf(WindowId parent);
    float Place(float requested, float current) const;
    void Moved(FormState& form);
    void Record(std::string op, WindowId window, double value = 0);
    static Live Held(const Node& node);
    // Reaches `until` or hangs up to `timeout`; true when the target answered.
    bool Deliver(WindowId target, std::chrono::milliseconds timeout);

    void Spend(nanoseconds cost);
    void AdvanceTo(nanoseconds time);
    void Arrive();
    Input& Queue(InputKind kind, nanoseconds delay);
    std::optional<Target> TargetAt(Point at) const;
    std::optional<Target> Route(Point at) const;
    bool Disabled(WindowId form) const;
    std::optional<ControlId> ControlAt(const Node& node, Point client, ControlKind kind) const;
    bool Contains(const Node& node, ControlId control, Point client) const;

    static bool IsInput(InputKind kind);
    // The next thing due by now: queued input and requests in the order they
    // came, then timers; with `inputToo` false, input stays queued.
    std::optional<nanoseconds> NextDue(bool inputToo) const;
    std::optional<Input> TakeInput(bool inputToo);
    bool FireDueTimer();
    // Takes and handles one due thing; false when nothing is due.
    bool DispatchOne(bool inputToo);
    void Handle(const Input& input);
    void Dispatch(const Event& event);
    // Waits for the next thing a modal loop takes.
    void WaitForMore();
    void DropCapture();
    WindowId BoxOwner() const;
    void RunBox(std::string_view text, bool runtimeError);
    int ProgramWindowsOnScreen() const;

    float m_screenWidth;
    float m_screenHeight;
    MoveMode m_moveMode = MoveMode::Exact;
    Routing m_routing = Routing::WhenTaken;
    Costs m_costs;
    std::optional<nanoseconds> m_boxReadingTime = std::chrono::seconds(1);
    nanoseconds m_now{};
    double m_wallStart = 12 * 3600.0;
    bool m_recording = true;
    bool m_ended = false;
    bool m_failNext = false;
    EventSink* m_sink = nullptr;
    WindowId m_nextId = 0x10010;
    std::map<WindowId, Node> m_windows;
    std::vector<WindowId> m_topLevel;
    std::vector<Input> m_input;
    std::uint64_t m_sequence = 0;
    RandomGenerator m_random;
    std::deque<float> m_randomScript;
    Point m_pointer;
    std::optional<Target> m_capture;
    WindowId m_active = kNoWindow;
    Live m_live;
    int m_systemLoops = 0;  // boxes and move loops running: the program's pumps leave input to them
    long long m_pumps = 0;
    std::vector<std::size_t> m_openBoxes;  // indexes into m_boxes, innermost last

    std::vector<SentMessage> m_messages;
    std::vector<EnteredLine> m_entered;
    std::vector<MessageBoxShown> m_boxes;
    std::vector<Call> m_calls;
};

}  // namespace platform::sim
