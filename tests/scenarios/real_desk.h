// What the two desks on a real desktop share: the stand-in chat client, a
// process of its own read back from its log; real input through SendInput;
// and the program's windows read from outside, found by their class and
// process and polled while a scenario waits.
#pragma once

#include <windows.h>

#include <map>

#include "tests/scenarios/desk.h"

namespace scenarios {

nanoseconds Clock();
// A file beside this test program's executable.
std::wstring Beside(const wchar_t* relative);
// The environment variable's value, or `otherwise`.
std::wstring Setting(const wchar_t* name, const std::wstring& otherwise);

class RealDesk : public Desk {
public:
    RealDesk();
    ~RealDesk() override;

    void Click(Spot spot, nanoseconds after) override;
    void Press(Spot spot, nanoseconds after) override;
    void MoveBy(int dx, int dy, nanoseconds after) override;
    void Release(nanoseconds after) override;
    void PressOk(nanoseconds after) override;
    void RequestClose(Window window, nanoseconds after) override;
    void Restore(Window window) override;

    void CloseRoom() override { Command("close-room"); }
    void OpenRoom() override { Command("open-room"); }
    void HangOnNextText(nanoseconds time) override;
    void EndClient() override;

    void RunFor(nanoseconds time) override;
    bool RunUntil(const std::function<bool()>& done, nanoseconds deadline) override;
    nanoseconds Now() override { return Clock(); }

    std::vector<Line> Room() override { return LogLines("enter"); }
    std::vector<Line> Typed() override { return LogLines("settext"); }
    std::string Caption() override;
    bool Seen(Window window) override;
    std::optional<nanoseconds> FirstSeen(Window window) override;
    Frame Where(Window window) override;
    std::vector<Place> Path(Window window) override;
    std::pair<int, int> Screen() override;
    bool EnterShown() override;
    std::vector<Box> Boxes() override;

protected:
    // Starts the stand-in as the client says, ending the one before.
    void StartStandin(const Client& client);
    // The program's process, 0 before it starts.
    virtual DWORD ProgramPid() = 0;
    HWND Hwnd(Window window);

private:
    struct Sighted {
        HWND hwnd = nullptr;
        std::optional<nanoseconds> first;
        std::vector<Place> path;
    };
    struct OpenBox {
        HWND hwnd;
        std::size_t index;
    };

    struct Found {
        DWORD pid;
        std::vector<HWND> forms, boxes;
    };
    static BOOL CALLBACK Collect(HWND hwnd, LPARAM found);
    void Look();
    void At(nanoseconds after, std::function<void()> action);
    void PointAt(Spot spot);
    void Command(const std::string& command);
    std::vector<std::vector<std::string>> Records(const std::string& event);
    std::vector<Line> LogLines(const std::string& event);

    std::wstring m_log, m_control;
    PROCESS_INFORMATION m_standin{};
    std::vector<Sighted> m_windows;  // in the order they appeared: the intro window, the idle window
    std::vector<Box> m_boxes;
    std::vector<OpenBox> m_open;
    std::vector<std::pair<nanoseconds, std::function<void()>>> m_schedule;
};

}  // namespace scenarios
