// The shared scenarios' desktop on the simulated desktop, with a chat
// client beside the program.
#include <algorithm>

#include "forms/Program.h"
#include "platform/sim/SimDesktop.h"
#include "tests/scenarios/backend.h"
#include "tests/scenarios/desk.h"
#include "tests/unit/support.h"

namespace scenarios {

namespace {

using platform::WindowId;
using platform::sim::SimDesktop;
using namespace std::chrono_literals;


class SimDesk final : public Desk {
public:
    SimDesk() : m_program(m_desk) {
        m_desk.SetEventSink(&m_program);
        m_desk.SetBoxReadingTime(std::nullopt);  // the scenario presses OK
        m_client = testing_support::ChatClient::Install(m_desk);
    }

    void Start() override {
        m_desk.Run([&] { m_program.Start(); });
    }
    void Click(Spot spot, nanoseconds after) override {
        const Aim& at = AimAt(spot);
        m_desk.ClickAt(Form(at.window), at.x, at.y, after);
    }
    void Press(Spot spot, nanoseconds after) override {
        const Aim& at = AimAt(spot);
        m_desk.Press(Form(at.window), at.x, at.y, platform::MouseButton::Left, after);
    }
    void MoveBy(int dx, int dy, nanoseconds after) override {
        m_desk.MoveBy(platform::PixelsToTwips(dx), platform::PixelsToTwips(dy), after);
    }
    void Release(nanoseconds after) override { m_desk.Release(platform::MouseButton::Left, after); }
    void PressOk(nanoseconds after) override { m_desk.PressOk(after); }
    void RunFor(nanoseconds time) override { m_desk.RunFor(time); }
    bool RunUntil(const std::function<bool()>& done, nanoseconds deadline) override {
        const nanoseconds end = m_desk.Now() + deadline;
        while (!done()) {
            if (m_desk.Now() >= end || m_desk.Ended()) return done();
            m_desk.RunFor(10ms);
        }
        return true;
    }
    nanoseconds Now() override { return m_desk.Now(); }
    nanoseconds Tick() override { return 60s; }

    std::vector<Line> Room() override {
        std::vector<Line> lines;
        for (const auto& line : m_desk.EnteredLines()) lines.push_back({line.bytes, line.time});
        return lines;
    }
    std::string Caption() override { return m_desk.Form(Form(Window::Idle)).caption; }
    bool Seen(Window window) override {
        const WindowId form = Form(window);
        if (form == platform::kNoWindow) return false;
        const auto& state = m_desk.Form(form);
        return state.visible && !state.minimized && !state.destroyed;
    }
    std::optional<nanoseconds> FirstSeen(Window window) override {
        const WindowId form = Form(window);
        if (form == platform::kNoWindow || !m_desk.Form(form).firstShown) return std::nullopt;
        return m_desk.Form(form).firstShown->time;
    }
    std::pair<int, int> Origin(Window window) override {
        const auto& state = m_desk.Form(Form(window));
        return {int(state.left / platform::kTwipsPerPixel), int(state.top / platform::kTwipsPerPixel)};
    }
    std::vector<Box> Boxes() override {
        std::vector<Box> boxes;
        for (const auto& box : m_desk.MessageBoxes()) boxes.push_back({box.text, box.time, box.closed});
        return boxes;
    }
    bool Ended() override { return m_desk.Ended(); }

private:
    // The form of a window, 0 while it does not exist; forms are created in
    // this order.
    WindowId Form(Window window) const {
        const auto forms = m_desk.Forms();
        const auto index = static_cast<std::size_t>(window == Window::Intro ? 0 : 1);
        return index < forms.size() ? forms[index] : platform::kNoWindow;
    }

    SimDesktop m_desk;
    forms::Program m_program;
    testing_support::ChatClient m_client;
};

class SimBackend final : public Backend {
public:
    platform::Platform& Platform() override { return m_desk; }
    void RunFor(nanoseconds time) override { m_desk.RunFor(time); }

private:
    SimDesktop m_desk;
};

}  // namespace

std::unique_ptr<Desk> MakeDesk() { return std::make_unique<SimDesk>(); }
std::unique_ptr<Backend> MakeBackend() { return std::make_unique<SimBackend>(); }

}  // namespace scenarios
