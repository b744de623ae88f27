// Simulated desktop: a full backend in memory. It holds a window tree with
// classes (the program's forms and foreign windows such as a chat client's),
// records every message sent to a window, runs a virtual clock that only
// waits and pumps advance, delivers scripted input and timer ticks through
// the pump in the window system's order, has a settable screen and can
// supply the random generator's values.
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

enum class MoveMode {
    Exact,         // positions are kept exactly as written
    SnapToPixels,  // written positions are rounded to whole pixels (15 twips)
    Refuse,        // writes are ignored: the window stays where it is
};

using std::chrono::nanoseconds;

// The messages the program sends, as SentMessage records them.
inline constexpr unsigned kWmSetText = 0x000C;
inline constexpr unsigned kWmChar = 0x0102;
inline constexpr unsigned kWmSysCommand = 0x0112;

struct SentMessage {
    nanoseconds time{};
    WindowId target = kNoWindow;
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::string bytes;  // WM_SETTEXT: the text exactly as handed over
    bool delivered = false;
};

// A line a foreign window sent on Enter: its text when WM_CHAR 13 arrived.
struct EnteredLine {
    nanoseconds time{};
    WindowId window = kNoWindow;
    std::string bytes;
    int programWindowsOnScreen = 0;  // what the user saw as the room got it
};

struct MessageBoxShown {
    nanoseconds time{};
    std::string title;
    std::string text;
    bool runtimeError = false;
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
    bool created = false;
    std::optional<Sighting> firstShown;
};

class SimDesktop final : public Platform {
public:
    explicit SimDesktop(float screenWidth = 15360, float screenHeight = 11520);
    ~SimDesktop() override;

    // ---- Setting the scene ----
    void SetScreen(float widthTwips, float heightTwips);
    void SetMoveMode(MoveMode mode) { m_moveMode = mode; }
    // Virtual time each PumpMessages takes before it looks at the queue, so
    // input can arrive while a handler pumps.
    void SetPumpCost(nanoseconds cost) { m_pumpCost = cost; }
    void SetWallClock(double secondsSinceMidnight) { m_wallStart = secondsSinceMidnight; }
    // Foreign windows, appended after their siblings. Parent 0: top level.
    WindowId AddForeignWindow(WindowId parent, std::string className, std::string text = {});
    void DestroyWindow(WindowId window);  // and its children
    // The window stops answering until `until` (virtual time).
    void HangUntil(WindowId window, nanoseconds until);
    std::string WindowText(WindowId window) const;
    void SetWindowText(WindowId window, std::string bytes);
    // Observation switch for very long runs.
    void SetRecording(bool on) { m_recording = on; }
    // Every later property access on the form fails with the runtime error.
    void BreakForm(WindowId form) { NodeOf(form).broken = true; }
    // The generator's next values, each in [0, 1); the real generator's
    // follow once they are used up.
    void ScriptRandom(const std::vector<float>& values) {
        m_randomScript.assign(values.begin(), values.end());
    }

    // ---- Scripted input ----
    // A click at a point of a form's client area (twips), `delay` from now;
    // hit-tested when it is delivered, as a real click is.
    void ClickAt(WindowId form, float x, float y, nanoseconds delay = {});
    // A press at a point of the client area and its release at another, as
    // the window sees them with the mouse captured: the release may lie
    // outside the window. A click when both lie in the pressed control.
    void PressAndReleaseAt(WindowId form, float x, float y, float releaseX, float releaseY,
                           nanoseconds delay = {});
    // A click at a point of the screen (twips), on whichever program window
    // is on screen there when it is delivered; the newest window lies on top.
    void ClickOnScreen(float x, float y, nanoseconds delay = {});
    // A click on the middle of a control.
    void Click(WindowId form, ControlId control, nanoseconds delay = {});
    void MouseDown(WindowId form, ControlId control, MouseButton button, nanoseconds delay = {});
    // The next window-system move (SC_MOVE from the caption) drags by this
    // much, taking `duration` during which events are still delivered.
    void ScriptDrag(float dxTwips, float dyTwips, nanoseconds duration = {});

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
    const std::vector<MessageBoxShown>& MessageBoxes() const { return m_boxes; }
    const std::vector<Call>& Calls() const { return m_calls; }
    void ClearRecords();
    const FormState& Form(WindowId form) const;
    bool ControlVisible(WindowId form, ControlId control) const;
    // The mouse cursor over a point of a form's client area (twips).
    Cursor CursorAt(WindowId form, float x, float y) const;
    std::vector<WindowId> Forms() const;

    // ---- Platform ----
    void SetEventSink(EventSink* sink) override { m_sink = sink; }
    WindowId CreateForm(const FormLayout& layout) override;
    void ShowForm(WindowId form) override;
    void HideForm(WindowId form) override;
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
        bool broken = false;
        std::optional<FormState> form;
        std::vector<ControlState> controls;
    };
    struct Input {
        nanoseconds due{};
        std::uint64_t sequence = 0;
        WindowId form = kNoWindow;
        bool isClick = true;
        bool onScreen = false;       // x, y are screen points until delivered
        float x = 0, y = 0;          // clicks: client point of the press
        float releaseX = 0, releaseY = 0;  // and of the release
        ControlId control = 0;       // mouse-downs
        MouseButton button = MouseButton::Left;
    };

    Node& NodeOf(WindowId window);
    const Node& NodeOf(WindowId window) const;
    Node& FormNode(WindowId form);
    const Node& FormNode(WindowId form) const;
    ControlState& ControlOf(WindowId form, ControlId control);
    std::vector<WindowId>& SiblingsOf(WindowId parent);
    float Place(float requested, float current) const;
    void Record(std::string op, WindowId window, double value = 0);
    // Reaches `until` or hangs up to `timeout`; true when the target answered.
    bool Deliver(WindowId target, std::chrono::milliseconds timeout);

    std::optional<nanoseconds> NextDue() const;
    // Delivers the one event that is most due (input before timers, as the
    // window system does); false when nothing is due by now.
    bool DispatchOneDue();
    void Dispatch(const Event& event);
    std::optional<Event> HitTest(const Input& input) const;
    Input ToClient(Input input) const;
    int ProgramWindowsOnScreen() const;

    float m_screenWidth;
    float m_screenHeight;
    MoveMode m_moveMode = MoveMode::Exact;
    nanoseconds m_pumpCost{};
    nanoseconds m_now{};
    double m_wallStart = 12 * 3600.0;
    bool m_recording = true;
    bool m_ended = false;
    EventSink* m_sink = nullptr;
    WindowId m_nextId = 0x10010;
    std::map<WindowId, Node> m_windows;
    std::vector<WindowId> m_topLevel;
    std::vector<Input> m_input;
    std::uint64_t m_sequence = 0;
    std::deque<float> m_randomScript;
    std::optional<Input> m_drag;  // scripted: x, y hold the travel, due the duration
    bool m_hasCapture = false;

    std::vector<SentMessage> m_messages;
    std::vector<EnteredLine> m_entered;
    std::vector<MessageBoxShown> m_boxes;
    std::vector<Call> m_calls;
};

}  // namespace platform::sim
