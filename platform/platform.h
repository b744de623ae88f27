// The seam between the program and the window system.
//
// Everything the forms, the chat bridge and the window helpers need from the
// desktop goes through `Platform`. Two backends implement it: win32/ (the real
// one) and sim/ (a simulated desktop in memory). This header carries no OS
// types: windows are opaque ids, text is UTF-8, time is std::chrono, and
// positions and sizes are twips (1/1440 inch; kTwipsPerPixel, in runtime.h,
// converts them).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime.h"

namespace platform {

// The value of a window handle; 0 means "no window". Program windows and
// foreign windows (the chat client's) share this space, as HWNDs do.
using WindowId = std::uint32_t;
inline constexpr WindowId kNoWindow = 0;

// Index of a control in its form's layout order.
using ControlId = int;

// The runtime's standard error: a failing property access on a window or
// control. Nothing in the program catches it below the event entry point,
// which shows the runtime's error box and ends the program.
class RuntimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ---- Layout: what a window and its controls are at creation ---------------

enum class ControlKind { Label, TextBox, Timer, Button };
enum class Cursor { Arrow, UpArrow };

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

struct Font {
    std::string face;  // preferred face; the backend substitutes when missing
    float points = 8.25f;
    int weight = 400;
};

struct ControlLayout {
    std::string name;
    ControlKind kind = ControlKind::Label;
    float left = 0, top = 0, width = 0, height = 0;  // twips, client coordinates
    std::string text;                               // caption or text, UTF-8
    bool visible = true;
    bool enabled = true;                             // a timer's enabled flag
    std::optional<Font> font;                        // nullopt: platform default
    std::optional<Rgb> foreColor;                    // nullopt: system colour
    Cursor cursor = Cursor::Arrow;
    unsigned intervalMs = 0;                         // timers only
};

enum class Placement { PlatformDefault, Manual };

struct FormLayout {
    std::string name;
    float clientWidth = 0, clientHeight = 0;  // twips; no frame, so also the outer size
    bool taskbarButton = false;
    Placement placement = Placement::PlatformDefault;
    float left = 0, top = 0;                   // used with Placement::Manual
    int pictureId = 0;                         // resource id (resources/resource.h)
    std::vector<ControlLayout> controls;       // layout order; ControlId indexes it
};

// ---- Events going up to the program ---------------------------------------

// Close: a close request from the window system (Alt+F4, the taskbar's
// Close); the program has no handler for it and ends at a clean point.
enum class EventKind { Click, MouseDown, Timer, Close };
enum class MouseButton { Left, Right, Middle };

struct Event {
    WindowId form = kNoWindow;
    ControlId control = 0;
    EventKind kind = EventKind::Click;
    MouseButton button = MouseButton::Left;
};

class EventSink {
public:
    // One event at a time, on the UI thread; may be re-entered from a pump.
    // Lets no error escape; only End() leaves it early (the simulated desktop
    // unwinds the stack for that, the real one exits the process).
    virtual void OnEvent(const Event& event) = 0;

protected:
    ~EventSink() = default;
};

// ---- Win32 values the window helpers pass through -------------------------

inline constexpr std::intptr_t kHwndTopmost = -1;
inline constexpr unsigned kSwpNoSize = 0x0001;
inline constexpr unsigned kSwpNoMove = 0x0002;

// ---- The backend interface -------------------------------------------------

class Platform {
public:
    virtual ~Platform() = default;

    virtual void SetEventSink(EventSink* sink) = 0;

    // Program windows. A form is created hidden; Show makes it visible,
    // modeless and unowned; Hide keeps it and its controls alive.
    virtual WindowId CreateForm(const FormLayout& layout) = 0;
    virtual void ShowForm(WindowId form) = 0;
    virtual void HideForm(WindowId form) = 0;
    virtual bool Visible(WindowId form) = 0;
    // Destroys the window and what it holds (controls, timers, drawing objects).
    virtual void DestroyForm(WindowId form) = 0;
    virtual std::string Caption(WindowId form) = 0;
    virtual void SetCaption(WindowId form, std::string_view text) = 0;
    // Outer position and size in twips; a write takes effect at once.
    virtual float Left(WindowId form) = 0;
    virtual float Top(WindowId form) = 0;
    virtual float Width(WindowId form) = 0;
    virtual float Height(WindowId form) = 0;
    virtual void SetLeft(WindowId form, float twips) = 0;
    virtual void SetTop(WindowId form, float twips) = 0;
    virtual void Minimize(WindowId form) = 0;
    virtual float ScreenWidth() = 0;   // twips
    virtual float ScreenHeight() = 0;  // twips

    // Controls.
    virtual std::string ControlText(WindowId form, ControlId control) = 0;
    virtual void SetControlText(WindowId form, ControlId control, std::string_view text) = 0;
    virtual void SetControlVisible(WindowId form, ControlId control, bool visible) = 0;
    virtual bool TimerEnabled(WindowId form, ControlId timer) = 0;
    virtual void SetTimerEnabled(WindowId form, ControlId timer, bool enabled) = 0;

    // Runtime services.
    // Modal box, one OK button, no icon, titled with the application title.
    virtual void ShowMessage(std::string_view text) = 0;
    // The runtime's error box for an error nothing caught.
    virtual void ShowRuntimeError(std::string_view text) = 0;
    // Processes every event and message pending for the program, then returns.
    // Inside the window system's move loop it leaves mouse and keyboard input
    // to that loop, which ends the move on the button's release.
    virtual void PumpMessages() = 0;
    // Blocks until something PumpMessages would take is pending, or Now()
    // reaches `deadline`.
    virtual void WaitForInput(std::chrono::nanoseconds deadline) = 0;
    // Monotonic clock; its origin is arbitrary.
    virtual std::chrono::nanoseconds Now() = 0;
    // Local wall clock, seconds since midnight with a fraction (wraps at midnight).
    virtual double SecondsSinceMidnight() = 0;
    // Stops the program at once: no further handler runs, the process exits.
    [[noreturn]] virtual void End() = 0;

    // The user32 calls, with their Win32 meaning. Class names are ASCII.
    virtual WindowId FindWindowA(const char* className) = 0;
    virtual WindowId FindWindowExA(WindowId parent, WindowId childAfter, const char* className) = 0;
    // SendMessageA(WM_SETTEXT) with `utf8` converted to the ANSI code page.
    // Gives up on a target that does not answer within `timeout`; true when
    // the target handled the message.
    virtual bool SendSetText(WindowId target, std::string_view utf8,
                             std::chrono::milliseconds timeout) = 0;
    // SendMessageA(WM_CHAR, code, 0), bounded the same way.
    virtual bool SendChar(WindowId target, unsigned code, std::chrono::milliseconds timeout) = 0;
    // SendMessageA(WM_SYSCOMMAND, wParam, lParam); for a move command it
    // returns when the window system's move loop ends.
    virtual void SendSysCommand(WindowId target, unsigned wParam, std::intptr_t lParam) = 0;
    virtual void SetWindowPos(WindowId window, std::intptr_t insertAfter, int x, int y, int cx,
                              int cy, unsigned flags) = 0;
    virtual void ReleaseCapture() = 0;

    // The random generator. Each backend holds its own (a RandomGenerator;
    // a simulated desktop can supply the values instead).
    // Reseeds the generator from the clock, mixing into its state so that
    // reseeds within one clock tick still give fresh values.
    virtual void Randomize() = 0;
    // The next value, uniform in [0, 1).
    virtual float Rnd() = 0;
};

// ---- Core-side handles: a form and its controls, reached by reference -----

class Window {
public:
    Window(Platform& platform, WindowId id) : m_platform(&platform), m_id(id) {}

    Platform& platform() const { return *m_platform; }
    WindowId hWnd() const { return m_id; }

    void SetCaption(std::string_view text) { m_platform->SetCaption(m_id, text); }
    float Left() const { return m_platform->Left(m_id); }
    float Top() const { return m_platform->Top(m_id); }
    float Width() const { return m_platform->Width(m_id); }
    float Height() const { return m_platform->Height(m_id); }
    void SetLeft(float twips) { m_platform->SetLeft(m_id, twips); }
    void SetTop(float twips) { m_platform->SetTop(m_id, twips); }
    void Show() { m_platform->ShowForm(m_id); }
    void Hide() { m_platform->HideForm(m_id); }
    bool Visible() const { return m_platform->Visible(m_id); }
    void Minimize() { m_platform->Minimize(m_id); }
    float ScreenWidth() const { return m_platform->ScreenWidth(); }
    float ScreenHeight() const { return m_platform->ScreenHeight(); }

private:
    Platform* m_platform;
    WindowId m_id;
};

class Control {
public:
    Control(Window& form, ControlId id) : m_form(&form), m_id(id) {}
    ControlId id() const { return m_id; }

protected:
    Platform& platform() const { return m_form->platform(); }
    WindowId form() const { return m_form->hWnd(); }

private:
    Window* m_form;

protected:
    ControlId m_id;
};

class Label : public Control {
public:
    using Control::Control;
    std::string Caption() const { return platform().ControlText(form(), m_id); }
    void SetCaption(std::string_view text) { platform().SetControlText(form(), m_id, text); }
};

class TextBox : public Control {
public:
    using Control::Control;
    std::string Text() const { return platform().ControlText(form(), m_id); }
};

class Timer : public Control {
public:
    using Control::Control;
    bool Enabled() const { return platform().TimerEnabled(form(), m_id); }
    void SetEnabled(bool on) { platform().SetTimerEnabled(form(), m_id, on); }
};

class Button : public Control {
public:
    using Control::Control;
    void SetVisible(bool visible) { platform().SetControlVisible(form(), m_id, visible); }
};

}  // namespace platform
