// A desktop that the shared scenarios drive as a user does and read as the
// user and the chat room see it. Three implementations: the simulated
// desktop (sim_desk.cpp), the Win32 backend with real mouse input and the
// stand-in chat client (win32_desk.cpp), and the shipped executable as a
// process of its own beside the stand-in, read from outside (exe_desk.cpp).
// Times are on the desktop's own clock: virtual on the one, real on the
// others.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace scenarios {

using std::chrono::nanoseconds;

enum class Window { Intro, Idle };
// The places the user clicks: the intro window's picture, the strip below
// it and ENTER, the idle window's hot spots and its title strip.
enum class Spot { Picture, Strip, Enter, Start, Stop, Minimize, Exit, Title };

// Where the user aims at a spot: its middle, in twips of its window's client
// area, as the design draws the two windows. Every desk and the model aim
// here, never at the program's own layout, so that a hot spot the program
// moves is missed.
struct Aim {
    Window window;
    float x, y;
};
inline constexpr Aim kAims[] = {
    {Window::Intro, 3607.5f, 2647.5f},  // the picture (0, 0, 7215 x 5295)
    {Window::Intro, 3600, 5350},        // the strip below the picture, outside every control
    {Window::Intro, 5947.5f, 4747.5f},  // ENTER (5040, 4560, 1815 x 375)
    {Window::Idle, 547.5f, 727.5f},     // Start (120, 600, 855 x 255)
    {Window::Idle, 547.5f, 1087.5f},    // Stop (120, 960, 855 x 255)
    {Window::Idle, 307.5f, 307.5f},     // the dash (120, 120, 375 x 375)
    {Window::Idle, 2767.5f, 307.5f},    // the x (2640, 120, 255 x 375)
    {Window::Idle, 1507.5f, 307.5f},    // the title strip (840, 120, 1335 x 375)
};
constexpr const Aim& AimAt(Spot spot) { return kAims[static_cast<int>(spot)]; }

// What the desk is: the scenarios that need a short minute or a second
// start leave the shipped executable out.
enum class Kind { Simulated, Backend, Shipped };

// The chat client beside the program at its start.
struct Client {
    bool running = true;
    // Its documents in child order, by the kinds the stand-in knows: room,
    // single (a room without an entry line), no-richcntl, no-listbox,
    // no-icon, no-static.
    std::string layout = "room";
    std::string typed;  // already in the first room's entry line (ASCII)
    // Not running: another program's top-level "RICHCNTL" windows instead.
    int strays = 0;
};

struct Line {
    std::string bytes;  // as the client received them
    nanoseconds time{};
    std::string to;     // the document: Room1, Room2, Decoy1, Stray1, ...
};

struct Frame {
    int left = 0, top = 0, width = 0, height = 0;  // pixels
    bool topmost = false;
    bool operator==(const Frame&) const = default;
};

// Where a window stood from then on.
struct Place {
    nanoseconds time{};
    int left = 0, top = 0;
};

struct Box {
    std::string text;
    nanoseconds opened{};
    std::optional<nanoseconds> closed;
};

class Desk {
public:
    virtual ~Desk() = default;

    virtual Kind What() = 0;
    // The program starts beside the chat client.
    virtual void Start(const Client& client = {}) = 0;
    // Input, `after` from now: a left click on the middle of a spot, the
    // left button pressed there and held, the pointer moved by pixels, the
    // left button released, Enter pressed (it answers the box open then).
    virtual void Click(Spot spot, nanoseconds after = {}) = 0;
    virtual void Press(Spot spot, nanoseconds after = {}) = 0;
    virtual void MoveBy(int dx, int dy, nanoseconds after = {}) = 0;
    virtual void Release(nanoseconds after = {}) = 0;
    virtual void PressOk(nanoseconds after = {}) = 0;
    // Alt+F4 on the window, and its taskbar button restoring it.
    virtual void RequestClose(Window window, nanoseconds after = {}) = 0;
    virtual void Restore(Window window) = 0;

    // The chat client: its first room closes, a new room opens last, the
    // next text it gets blocks it that long, it ends.
    virtual void CloseRoom() = 0;
    virtual void OpenRoom() = 0;
    virtual void HangOnNextText(nanoseconds time) = 0;
    virtual void EndClient() = 0;
    // Lets the program run for a while, or until `done` holds; false when
    // the deadline came first.
    virtual void RunFor(nanoseconds time) = 0;
    virtual bool RunUntil(const std::function<bool()>& done, nanoseconds deadline) = 0;
    virtual nanoseconds Now() = 0;
    // How often the switched-on idle window ticks: a minute, or less where
    // real time passes, since what a scenario checks is the order of events
    // around a tick, not its length.
    virtual nanoseconds Tick() = 0;

    // Every line sent on Enter, and every text that reached an entry line,
    // in any of the client's (or the other program's) windows.
    virtual std::vector<Line> Room() = 0;
    virtual std::vector<Line> Typed() = 0;
    // The idle window's caption, as its taskbar button shows it.
    virtual std::string Caption() = 0;
    // Shown and not minimized.
    virtual bool Seen(Window window) = 0;
    virtual std::optional<nanoseconds> FirstSeen(Window window) = 0;
    virtual Frame Where(Window window) = 0;
    // Every place the window was seen at, from its first.
    virtual std::vector<Place> Path(Window window) = 0;
    virtual std::pair<int, int> Screen() = 0;
    // The intro window's ENTER button is shown.
    virtual bool EnterShown() = 0;
    // Every box the program opened, in order.
    virtual std::vector<Box> Boxes() = 0;
    // The program's exit code, once it has ended.
    virtual std::optional<int> ExitCode() = 0;
    bool Ended() { return ExitCode().has_value(); }
};

std::unique_ptr<Desk> MakeDesk();

}  // namespace scenarios
