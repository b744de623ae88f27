// The shared scenarios' desktop on the Win32 backend: the program runs on a
// thread of its own, as its only UI thread; input arrives as real mouse
// input through SendInput; the room is the stand-in chat client, a process
// of its own, read back from its log. Under Wine, without a window manager,
// Wine runs the window-move loop itself.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "forms/Program.h"
#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"
#include "tests/scenarios/backend.h"
#include "tests/scenarios/desk.h"

namespace scenarios {

namespace {

using namespace std::chrono_literals;
using platform::WindowId;

nanoseconds Clock() {
    LARGE_INTEGER count{}, frequency{};
    ::QueryPerformanceCounter(&count);
    ::QueryPerformanceFrequency(&frequency);
    return std::chrono::seconds(count.QuadPart / frequency.QuadPart) +
           nanoseconds(count.QuadPart % frequency.QuadPart * 1'000'000'000 / frequency.QuadPart);
}

// The idle window's minute, shortened: three scenarios wait for a tick in
// real time. Long enough that no second tick comes before they look.
constexpr auto kTick = 10s;

using platform::win32::ToHwnd;

class Lock {
public:
    explicit Lock(CRITICAL_SECTION& cs) : m_cs(cs) { ::EnterCriticalSection(&m_cs); }
    ~Lock() { ::LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION& m_cs;
};

// What the scenarios read of the program, taken where it happens. End
// leaves only the program's thread, whose windows the system then
// destroys, so that the test process goes on to read the outcome.
class ObservedPlatform final : public platform::win32::Win32Platform {
public:
    explicit ObservedPlatform(CRITICAL_SECTION& cs) : m_cs(cs) {}

    WindowId CreateForm(const platform::FormLayout& layout) override {
        platform::FormLayout shortened = layout;
        for (auto& control : shortened.controls) {
            if (control.kind == platform::ControlKind::Timer && control.intervalMs == 60000)
                control.intervalMs = static_cast<unsigned>(std::chrono::milliseconds(kTick).count());
        }
        const WindowId id = Win32Platform::CreateForm(shortened);
        Lock lock(m_cs);
        forms.push_back(id);
        return id;
    }
    void ShowForm(WindowId form) override {
        {
            Lock lock(m_cs);
            if (!firstSeen.count(form)) firstSeen[form] = Clock();
        }
        Win32Platform::ShowForm(form);
    }
    void ShowMessage(std::string_view text) override {
        std::size_t index;
        {
            Lock lock(m_cs);
            index = boxes.size();
            boxes.push_back({std::string(text), Clock(), std::nullopt});
        }
        Win32Platform::ShowMessage(text);
        Lock lock(m_cs);
        boxes[index].closed = Clock();
    }
    [[noreturn]] void End() override {
        ended = 1;
        ::ExitThread(0);
    }

    std::vector<WindowId> forms;
    std::map<WindowId, nanoseconds> firstSeen;
    std::vector<Box> boxes;
    volatile LONG ended = 0;

private:
    CRITICAL_SECTION& m_cs;
};

std::wstring Beside(const wchar_t* relative) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    dir.resize(dir.find_last_of(L"\\/") + 1);
    return dir + relative;
}

std::wstring TempFile(const wchar_t* prefix) {
    wchar_t dir[MAX_PATH] = {}, path[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    ::GetTempFileNameW(dir, prefix, 0, path);
    return path;
}

// The whole file, shared with the stand-in that writes it.
std::string ReadAll(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    ::CloseHandle(file);
    return text;
}

void Append(const std::wstring& path, const std::string& text) {
    HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16)));
    return bytes;
}

class Win32Desk final : public Desk {
public:
    Win32Desk() : m_log(TempFile(L"log")), m_control(TempFile(L"ctl")) {
        ::InitializeCriticalSection(&m_cs);
        const std::wstring exe = Beside(L"..\\..\\tools\\standin.exe");
        std::wstring command = L"\"" + exe + L"\" --log \"" + m_log + L"\" --control \"" + m_control + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                             &m_standin)) {
            ::CloseHandle(m_standin.hThread);
            const auto end = Clock() + 30s;
            while (Clock() < end && LogLines("ready").empty()) ::Sleep(20);
        }
    }

    ~Win32Desk() override {
        if (m_thread) {
            if (::WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT) {
                ::PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
                if (::WaitForSingleObject(m_thread, 10000) != WAIT_OBJECT_0) ::TerminateThread(m_thread, 1);
            }
            ::CloseHandle(m_thread);
        }
        if (m_standin.hProcess) {
            Append(m_control, "quit\n");
            if (::WaitForSingleObject(m_standin.hProcess, 10000) != WAIT_OBJECT_0)
                ::TerminateProcess(m_standin.hProcess, 1);
            ::CloseHandle(m_standin.hProcess);
        }
        ::DeleteFileW(m_log.c_str());
        ::DeleteFileW(m_control.c_str());
        // After End the program's windows went with its thread; what the
        // backend held of them stays, as it would at a process's end.
        if (!(m_platform && m_platform->ended)) delete m_platform;
        ::DeleteCriticalSection(&m_cs);
    }

    void Start() override {
        m_thread = ::CreateThread(nullptr, 0, &Win32Desk::ProgramThread, this, 0, &m_threadId);
    }

    void Click(Spot spot, nanoseconds after) override {
        At(after, [=, this] {
            PointAt(spot);
            Buttons(MOUSEEVENTF_LEFTDOWN);
            Buttons(MOUSEEVENTF_LEFTUP);
        });
    }
    void Press(Spot spot, nanoseconds after) override {
        At(after, [=, this] {
            PointAt(spot);
            Buttons(MOUSEEVENTF_LEFTDOWN);
        });
    }
    void MoveBy(int dx, int dy, nanoseconds after) override {
        At(after, [=, this] {
            POINT at{};
            ::GetCursorPos(&at);
            MoveTo(at.x + dx, at.y + dy);
        });
    }
    void Release(nanoseconds after) override {
        At(after, [] { Buttons(MOUSEEVENTF_LEFTUP); });
    }
    void PressOk(nanoseconds after) override {
        // Enter, as the user answers a box that has the focus.
        At(after, [] {
            INPUT keys[2] = {};
            for (INPUT& key : keys) {
                key.type = INPUT_KEYBOARD;
                key.ki.wVk = VK_RETURN;
            }
            keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
            ::SendInput(2, keys, sizeof keys[0]);
        });
    }

    void RunFor(nanoseconds time) override {
        RunUntil([] { return false; }, time);
    }
    bool RunUntil(const std::function<bool()>& done, nanoseconds deadline) override {
        const nanoseconds end = Clock() + deadline;
        for (;;) {
            while (!m_schedule.empty() && m_schedule.front().first <= Clock()) {
                const auto action = m_schedule.front().second;
                m_schedule.erase(m_schedule.begin());
                action();
            }
            if (done()) return true;
            if (Clock() >= end) return false;
            // The scripted user's next move, or another look at the outcome.
            nanoseconds next = std::min(end, Clock() + 10ms);
            if (!m_schedule.empty()) next = std::min(next, m_schedule.front().first);
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock()).count();
            // This thread has a queue too (Wine gives it an input method
            // window): what the system sends it must not wait for it.
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::max<long long>(wait, 0)),
                                        QS_ALLINPUT);
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        }
    }
    nanoseconds Now() override { return Clock(); }
    nanoseconds Tick() override { return kTick; }

    std::vector<Line> Room() override {
        std::vector<Line> lines;
        for (const auto& fields : LogLines("enter")) {
            if (fields.size() > 4 && fields[2] == "Room1")
                lines.push_back({FromHex(fields[4]), nanoseconds(static_cast<long long>(std::atof(fields[0].c_str()) * 1e6))});
        }
        return lines;
    }
    std::string Caption() override {
        wchar_t text[256] = {};
        ::InternalGetWindowText(ToHwnd(Form(Window::Idle)), text, 256);
        return platform::win32::WideToUtf8(text);
    }
    bool Seen(Window window) override {
        HWND hwnd = ToHwnd(Form(window));
        return hwnd && ::IsWindow(hwnd) && ::IsWindowVisible(hwnd) && !::IsIconic(hwnd);
    }
    std::optional<nanoseconds> FirstSeen(Window window) override {
        Lock lock(m_cs);
        const WindowId form = Form(window);
        if (!m_platform || !m_platform->firstSeen.count(form)) return std::nullopt;
        return m_platform->firstSeen.at(form);
    }
    std::pair<int, int> Origin(Window window) override {
        RECT rect{};
        ::GetWindowRect(ToHwnd(Form(window)), &rect);
        return {rect.left, rect.top};
    }
    std::vector<Box> Boxes() override {
        Lock lock(m_cs);
        return m_platform ? m_platform->boxes : std::vector<Box>{};
    }
    // Ended, and its thread gone with the windows it had.
    bool Ended() override {
        return m_platform && m_platform->ended && ::WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0;
    }

private:
    static DWORD WINAPI ProgramThread(void* self) {
        auto& desk = *static_cast<Win32Desk*>(self);
        // Kept beyond the thread's end: the scenario reads it afterwards.
        auto* platform = new ObservedPlatform(desk.m_cs);
        {
            Lock lock(desk.m_cs);
            desk.m_platform = platform;
        }
        forms::Program program(*desk.m_platform);
        desk.m_platform->SetEventSink(&program);
        program.Start();
        desk.m_platform->Run();
        desk.m_platform->SetEventSink(nullptr);
        return 0;
    }

    void At(nanoseconds after, std::function<void()> action) {
        const nanoseconds due = Clock() + after;
        const auto it = std::upper_bound(m_schedule.begin(), m_schedule.end(), due,
                                         [](nanoseconds t, const auto& entry) { return t < entry.first; });
        m_schedule.insert(it, {due, std::move(action)});
    }

    WindowId Form(Window window) {
        Lock lock(m_cs);
        const auto index = static_cast<std::size_t>(window == Window::Intro ? 0 : 1);
        return m_platform && index < m_platform->forms.size() ? m_platform->forms[index] : platform::kNoWindow;
    }

    // The middle of a spot, as the window stands now.
    void PointAt(Spot spot) {
        const Aim& at = AimAt(spot);
        RECT rect{};
        ::GetWindowRect(ToHwnd(Form(at.window)), &rect);
        MoveTo(rect.left + platform::TwipsToPixels(at.x), rect.top + platform::TwipsToPixels(at.y));
    }

    static void MoveTo(int x, int y) {
        // Absolute coordinates in 1/65536 of the screen, rounded up so that
        // the system's rounding down gives the pixel back.
        const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = static_cast<LONG>((static_cast<long long>(x) * 65536 + width - 1) / width);
        input.mi.dy = static_cast<LONG>((static_cast<long long>(y) * 65536 + height - 1) / height);
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        ::SendInput(1, &input, sizeof input);
    }

    static void Buttons(DWORD flags) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        ::SendInput(1, &input, sizeof input);
    }

    // The stand-in's log records of one event, each split at its tabs.
    std::vector<std::vector<std::string>> LogLines(const std::string& event) {
        std::vector<std::vector<std::string>> records;
        std::stringstream log(ReadAll(m_log));
        std::string line;
        while (std::getline(log, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::vector<std::string> fields;
            std::stringstream split(line);
            std::string field;
            while (std::getline(split, field, '\t')) fields.push_back(field);
            if (fields.size() > 1 && fields[1] == event) records.push_back(std::move(fields));
        }
        return records;
    }

    CRITICAL_SECTION m_cs{};
    std::wstring m_log, m_control;
    PROCESS_INFORMATION m_standin{};
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
    ObservedPlatform* m_platform = nullptr;
    std::vector<std::pair<nanoseconds, std::function<void()>>> m_schedule;
};

class Win32Backend final : public Backend {
public:
    platform::Platform& Platform() override { return m_platform; }
    void RunFor(nanoseconds time) override {
        const nanoseconds end = m_platform.Now() + time;
        while (m_platform.Now() < end) {
            m_platform.WaitForInput(end);
            m_platform.PumpMessages();
        }
    }

private:
    platform::win32::Win32Platform m_platform;
};

}  // namespace

std::unique_ptr<Desk> MakeDesk() { return std::make_unique<Win32Desk>(); }
std::unique_ptr<Backend> MakeBackend() { return std::make_unique<Win32Backend>(); }

}  // namespace scenarios
