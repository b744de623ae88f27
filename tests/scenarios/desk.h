// A desktop that the shared scenarios drive as a user does and read as the
// user and the chat room see it. One implementation per backend: the
// simulated desktop (sim_desk.cpp) and the Win32 backend with real mouse
// input and the stand-in chat client (win32_desk.cpp). Times are on the
// desktop's own clock: virtual on the one, real on the other.
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
// The places the user clicks: the intro window's picture and ENTER, the
// idle window's hot spots and its title strip.
enum class Spot { Picture, Enter, Start, Stop, Minimize, Exit, Title };

struct Line {
    std::string bytes;  // as the room received them
    nanoseconds time{};
};

struct Box {
    std::string text;
    nanoseconds opened{};
    std::optional<nanoseconds> closed;
};

class Desk {
public:
    virtual ~Desk() = default;

    // The program starts beside the chat client's open room.
    virtual void Start() = 0;
    // Input, `after` from now: a left click on the middle of a spot, the
    // left button pressed there and held, the pointer moved by pixels, the
    // left button released, Enter pressed (it answers the box open then).
    virtual void Click(Spot spot, nanoseconds after = {}) = 0;
    virtual void Press(Spot spot, nanoseconds after = {}) = 0;
    virtual void MoveBy(int dx, int dy, nanoseconds after = {}) = 0;
    virtual void Release(nanoseconds after = {}) = 0;
    virtual void PressOk(nanoseconds after = {}) = 0;
    // Lets the program run for a while, or until `done` holds; false when
    // the deadline came first.
    virtual void RunFor(nanoseconds time) = 0;
    virtual bool RunUntil(const std::function<bool()>& done, nanoseconds deadline) = 0;
    virtual nanoseconds Now() = 0;
    // How often the switched-on idle window ticks: a minute, or less where
    // real time passes, since what a scenario checks is the order of events
    // around a tick, not its length.
    virtual nanoseconds Tick() = 0;

    virtual std::vector<Line> Room() = 0;
    // The idle window's caption, as its taskbar button shows it.
    virtual std::string Caption() = 0;
    // Shown and not minimized.
    virtual bool Seen(Window window) = 0;
    virtual std::optional<nanoseconds> FirstSeen(Window window) = 0;
    // The window's top-left corner on the screen, in pixels.
    virtual std::pair<int, int> Origin(Window window) = 0;
    // Every box the program opened, in order.
    virtual std::vector<Box> Boxes() = 0;
    // The program has ended.
    virtual bool Ended() = 0;
};

// Which window a spot lies on, and its control there.
struct SpotControl {
    Window window;
    platform::ControlId id;
    platform::ControlLayout control;
};
SpotControl ControlOf(Spot spot);

std::unique_ptr<Desk> MakeDesk();

}  // namespace scenarios
