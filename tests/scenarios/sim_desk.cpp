// The shared scenarios' desktop on the simulated desktop, with a chat
// client beside the program.
#include <algorithm>
#include <map>
#include <sstream>

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

// The documents' kinds, as the stand-in client names them: which of the four
// child classes that make a chat room each lacks, and its "RICHCNTL"s.
struct DocKind {
    const char* name;
    testing_support::Missing missing;
    int richCntls;
};
constexpr DocKind kKinds[] = {
    {"room", testing_support::kNone, 2},        {"single", testing_support::kNone, 1},
    {"no-richcntl", testing_support::kRichCntl, 2}, {"no-listbox", testing_support::kListbox, 2},
    {"no-icon", testing_support::kIcon, 2},     {"no-static", testing_support::kStatic, 2},
};

class SimDesk final : public Desk {
public:
    SimDesk() : m_program(m_desk) {
        m_desk.SetEventSink(&m_program);
        // The scenario presses OK on the boxes it waits for; the box loop
        // runs inside the program, so the others are read and answered.
        m_desk.SetBoxReadingTime(5s);
    }

    Kind What() override { return Kind::Simulated; }
    void Start(const Client& client) override {
        if (client.running) Install(client);
        for (int i = 1; i <= client.strays; ++i) {
            m_strays.push_back(m_desk.AddForeignWindow(0, "RICHCNTL"));
            m_names[m_strays.back()] = "Stray" + std::to_string(i);
        }
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
    void RequestClose(Window window, nanoseconds after) override { m_desk.RequestClose(Form(window), after); }
    void Restore(Window window) override { m_desk.RestoreFromTaskbar(Form(window)); }

    void CloseRoom() override {
        const auto room = std::find_if(m_docs.begin(), m_docs.end(), [](const Doc& d) { return d.entry; });
        if (room == m_docs.end()) return;
        m_desk.DestroyWindow(room->window);
        m_docs.erase(room);
    }
    void OpenRoom() override { AddDoc(kKinds[0]); }
    void HangOnNextText(nanoseconds time) override {
        for (const Doc& doc : m_docs)
            if (doc.entry) m_desk.HangOnNextText(doc.entry, time);
    }
    void EndClient() override {
        if (m_frame) m_desk.DestroyWindow(m_frame);
        for (WindowId stray : m_strays) m_desk.DestroyWindow(stray);
        m_strays.clear();
        m_frame = platform::kNoWindow;
        m_docs.clear();
    }

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
        for (const auto& line : m_desk.EnteredLines()) lines.push_back({line.bytes, line.time, m_names[line.window]});
        return lines;
    }
    std::vector<Line> Typed() override {
        std::vector<Line> lines;
        for (const auto& m : m_desk.Messages())
            if (m.message == platform::sim::kWmSetText && m.arrived) lines.push_back({m.bytes, m.time, m_names[m.target]});
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
    Frame Where(Window window) override {
        const auto& state = m_desk.Form(Form(window));
        return {Px(state.left), Px(state.top), Px(state.width), Px(state.height), state.topmost};
    }
    // Every move the program made, as the window system placed it.
    std::vector<Place> Path(Window window) override {
        const WindowId form = Form(window);
        std::vector<Place> path;
        std::optional<int> left, top;
        for (const auto& call : m_desk.Calls()) {
            if (call.window != form || (call.op != "SetLeft" && call.op != "SetTop")) continue;
            (call.op == "SetLeft" ? left : top) = Px(static_cast<float>(call.value));
            if (left && top && (path.empty() || path.back().left != *left || path.back().top != *top))
                path.push_back({call.time, *left, *top});
        }
        return path;
    }
    std::pair<int, int> Screen() override { return {Px(m_desk.ScreenWidth()), Px(m_desk.ScreenHeight())}; }
    bool EnterShown() override {
        const WindowId form = Form(Window::Intro);
        if (form == platform::kNoWindow) return false;
        const auto& controls = m_desk.Form(form).layout.controls;
        for (std::size_t i = 0; i < controls.size(); ++i)
            if (controls[i].kind == platform::ControlKind::Button) return m_desk.ControlVisible(form, static_cast<int>(i));
        return false;
    }
    std::vector<Box> Boxes() override {
        std::vector<Box> boxes;
        for (const auto& box : m_desk.MessageBoxes()) boxes.push_back({box.text, box.time, box.closed});
        return boxes;
    }
    // The program's end is its ExitProcess(0).
    std::optional<int> ExitCode() override { return m_desk.Ended() ? std::optional<int>(0) : std::nullopt; }

private:
    struct Doc {
        WindowId window, entry;
    };

    static int Px(float twips) { return platform::TwipsToPixels(twips); }

    void Install(const Client& client) {
        m_frame = m_desk.AddForeignWindow(0, "AOL Frame25", "Chat client");
        m_mdi = m_desk.AddForeignWindow(m_frame, "MDIClient");
        m_rooms = m_decoys = 0;
        std::stringstream layout(client.layout);
        for (std::string name; std::getline(layout, name, ',');) {
            for (const DocKind& kind : kKinds)
                if (name == kind.name) AddDoc(kind);
        }
        for (const Doc& doc : m_docs) {
            if (doc.entry && !client.typed.empty()) {
                m_desk.SetWindowText(doc.entry, client.typed);
                break;
            }
        }
    }

    void AddDoc(const DocKind& kind) {
        const std::string name = kind.missing == testing_support::kNone ? "Room" + std::to_string(++m_rooms)
                                                                        : "Decoy" + std::to_string(++m_decoys);
        const WindowId doc = testing_support::ChatClient::AddDocument(m_desk, m_mdi, kind.missing, kind.richCntls);
        WindowId entry = platform::kNoWindow;
        for (WindowId r = m_desk.FindWindowExA(doc, 0, "RICHCNTL"); r; r = m_desk.FindWindowExA(doc, r, "RICHCNTL"))
            m_names[entry = r] = name;
        m_docs.push_back({doc, kind.richCntls == 2 ? entry : platform::kNoWindow});
    }

    // The form of a window, 0 while it does not exist; forms are created in
    // this order.
    WindowId Form(Window window) const {
        const auto forms = m_desk.Forms();
        const auto index = static_cast<std::size_t>(window == Window::Intro ? 0 : 1);
        return index < forms.size() ? forms[index] : platform::kNoWindow;
    }

    SimDesktop m_desk;
    forms::Program m_program;
    WindowId m_frame = platform::kNoWindow, m_mdi = platform::kNoWindow;
    std::vector<Doc> m_docs;
    std::vector<WindowId> m_strays;
    std::map<WindowId, std::string> m_names;
    int m_rooms = 0, m_decoys = 0;
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
