#include "tests/scenarios/real_desk.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace scenarios {

using namespace std::chrono_literals;

nanoseconds Clock() {
    LARGE_INTEGER count{}, frequency{};
    ::QueryPerformanceCounter(&count);
    ::QueryPerformanceFrequency(&frequency);
    return std::chrono::seconds(count.QuadPart / frequency.QuadPart) +
           nanoseconds(count.QuadPart % frequency.QuadPart * 1'000'000'000 / frequency.QuadPart);
}

std::wstring Beside(const wchar_t* relative) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    dir.resize(dir.find_last_of(L"\\/") + 1);
    return dir + relative;
}

std::wstring Setting(const wchar_t* name, const std::wstring& otherwise) {
    wchar_t value[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableW(name, value, MAX_PATH);
    return n > 0 && n < MAX_PATH ? value : otherwise;
}

namespace {

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

std::wstring Widen(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                      static_cast<int>(wide.size())));
    return wide;
}

std::string Narrow(const wchar_t* text) {
    char bytes[1024] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    return bytes;
}

void MoveTo(int x, int y) {
    // Absolute coordinates in 1/65536 of the screen, rounded up so that the
    // system's rounding down gives the pixel back.
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((static_cast<long long>(x) * 65536 + width - 1) / width);
    input.mi.dy = static_cast<LONG>((static_cast<long long>(y) * 65536 + height - 1) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof input);
}

void Buttons(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    ::SendInput(1, &input, sizeof input);
}

bool ClassIs(HWND hwnd, const wchar_t* name) {
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    return ::lstrcmpW(cls, name) == 0;
}

}  // namespace

RealDesk::RealDesk() : m_log(TempFile(L"log")), m_control(TempFile(L"ctl")) {}

RealDesk::~RealDesk() {
    EndClient();
    ::DeleteFileW(m_log.c_str());
    ::DeleteFileW(m_control.c_str());
}

void RealDesk::StartStandin(const Client& client) {
    EndClient();
    if (!client.running && client.strays == 0) return;
    const std::wstring exe = Setting(L"KORVO_STANDIN", Beside(L"..\\..\\tools\\standin.exe"));
    // Clear of the program's windows: a click meant for a minimized idle
    // window hits the bare desktop.
    std::wstring command = L"\"" + exe + L"\" --log \"" + m_log + L"\" --control \"" + m_control +
                           L"\" --geometry 0,0,260,200 ";
    if (client.strays) {
        command += L"--stray-richcntl " + std::to_wstring(client.strays);
    } else {
        command += L"--layout " + Widen(client.layout);
        if (!client.typed.empty()) command += L" --typed \"" + Widen(client.typed) + L"\"";
    }
    const std::size_t ready = Records("ready").size();
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &m_standin))
        return;
    ::CloseHandle(m_standin.hThread);
    RunUntil([&] { return Records("ready").size() > ready; }, 30s);
}

void RealDesk::EndClient() {
    if (!m_standin.hProcess) return;
    ::TerminateProcess(m_standin.hProcess, 1);
    ::WaitForSingleObject(m_standin.hProcess, 10000);
    ::CloseHandle(m_standin.hProcess);
    m_standin = {};
}

void RealDesk::Command(const std::string& command) {
    const std::size_t done = Records("done").size();
    Append(m_control, command + "\n");
    RunUntil([&] { return Records("done").size() > done; }, 10s);
}

void RealDesk::HangOnNextText(nanoseconds time) {
    Command("arm-hang " + std::to_string(std::chrono::duration<double>(time).count()));
}

void RealDesk::Click(Spot spot, nanoseconds after) {
    At(after, [=, this] {
        PointAt(spot);
        Buttons(MOUSEEVENTF_LEFTDOWN);
        Buttons(MOUSEEVENTF_LEFTUP);
    });
}

void RealDesk::Press(Spot spot, nanoseconds after) {
    At(after, [=, this] {
        PointAt(spot);
        Buttons(MOUSEEVENTF_LEFTDOWN);
    });
}

void RealDesk::MoveBy(int dx, int dy, nanoseconds after) {
    At(after, [=] {
        POINT at{};
        ::GetCursorPos(&at);
        MoveTo(at.x + dx, at.y + dy);
    });
}

void RealDesk::Release(nanoseconds after) {
    At(after, [] { Buttons(MOUSEEVENTF_LEFTUP); });
}

void RealDesk::PressOk(nanoseconds after) {
    // Enter, as the user answers a box. A box that lost the focus (a click
    // on the window it disables does not raise it without a window
    // manager) is first clicked on its text, as the user would.
    At(after, [this] {
        if (!m_open.empty() && ::GetForegroundWindow() != m_open.back().hwnd) {
            RECT text{};
            ::GetWindowRect(::GetDlgItem(m_open.back().hwnd, 0xFFFF), &text);
            MoveTo((text.left + text.right) / 2, (text.top + text.bottom) / 2);
            Buttons(MOUSEEVENTF_LEFTDOWN);
            Buttons(MOUSEEVENTF_LEFTUP);
        }
        INPUT keys[2] = {};
        for (INPUT& key : keys) {
            key.type = INPUT_KEYBOARD;
            key.ki.wVk = VK_RETURN;
        }
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        ::SendInput(2, keys, sizeof keys[0]);
    });
}

// Alt+F4 asks with the window menu's Close, as the taskbar's Close does.
void RealDesk::RequestClose(Window window, nanoseconds after) {
    At(after, [=, this] { ::PostMessageW(Hwnd(window), WM_SYSCOMMAND, SC_CLOSE, 0); });
}

void RealDesk::Restore(Window window) { ::ShowWindowAsync(Hwnd(window), SW_RESTORE); }

void RealDesk::RunFor(nanoseconds time) {
    RunUntil([] { return false; }, time);
}

bool RealDesk::RunUntil(const std::function<bool()>& done, nanoseconds deadline) {
    const nanoseconds end = Clock() + deadline;
    for (;;) {
        while (!m_schedule.empty() && m_schedule.front().first <= Clock()) {
            const auto action = m_schedule.front().second;
            m_schedule.erase(m_schedule.begin());
            action();
        }
        Look();
        if (done()) return true;
        if (Clock() >= end) return false;
        // The scripted user's next move, or another look: often enough to
        // see a slide's moves, seldom enough that looking costs Wine less
        // than the program does (every 2 ms took twice the processor).
        nanoseconds next = std::min(end, Clock() + 5ms);
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

// The program's top-level windows: its forms, known in the order they
// appeared, and its message boxes, with the times they opened and closed.
void RealDesk::Look() {
    const DWORD pid = ProgramPid();
    if (!pid) return;
    Found found{pid, {}, {}};
    ::EnumWindows(&RealDesk::Collect, reinterpret_cast<LPARAM>(&found));
    const nanoseconds now = Clock();
    for (HWND hwnd : found.forms) {
        if (std::none_of(m_windows.begin(), m_windows.end(), [&](const Sighted& w) { return w.hwnd == hwnd; }))
            m_windows.push_back({hwnd, {}, {}});
    }
    for (Sighted& w : m_windows) {
        if (!::IsWindow(w.hwnd)) continue;
        if (!w.first && ::IsWindowVisible(w.hwnd) && !::IsIconic(w.hwnd)) w.first = now;
        RECT r{};
        ::GetWindowRect(w.hwnd, &r);
        if (w.path.empty() || w.path.back().left != r.left || w.path.back().top != r.top)
            w.path.push_back({now, int(r.left), int(r.top)});
    }
    for (auto it = m_open.begin(); it != m_open.end();) {
        if (std::find(found.boxes.begin(), found.boxes.end(), it->hwnd) == found.boxes.end()) {
            m_boxes[it->index].closed = now;
            it = m_open.erase(it);
        } else {
            ++it;
        }
    }
    for (HWND box : found.boxes) {
        if (std::any_of(m_open.begin(), m_open.end(), [&](const OpenBox& b) { return b.hwnd == box; })) continue;
        wchar_t text[512] = {};
        ::GetDlgItemTextW(box, 0xFFFF, text, 512);
        m_open.push_back({box, m_boxes.size()});
        m_boxes.push_back({Narrow(text), now, std::nullopt});
    }
}

BOOL CALLBACK RealDesk::Collect(HWND hwnd, LPARAM param) {
    auto& f = *reinterpret_cast<Found*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner != f.pid) return TRUE;
    if (ClassIs(hwnd, L"KorvoForm")) f.forms.push_back(hwnd);
    if (ClassIs(hwnd, L"#32770") && ::IsWindowVisible(hwnd)) f.boxes.push_back(hwnd);
    return TRUE;
}

HWND RealDesk::Hwnd(Window window) {
    const auto index = static_cast<std::size_t>(window == Window::Intro ? 0 : 1);
    return index < m_windows.size() ? m_windows[index].hwnd : nullptr;
}

std::string RealDesk::Caption() {
    wchar_t text[256] = {};
    ::InternalGetWindowText(Hwnd(Window::Idle), text, 256);
    return Narrow(text);
}

bool RealDesk::Seen(Window window) {
    HWND hwnd = Hwnd(window);
    return hwnd && ::IsWindow(hwnd) && ::IsWindowVisible(hwnd) && !::IsIconic(hwnd);
}

std::optional<nanoseconds> RealDesk::FirstSeen(Window window) {
    const auto index = static_cast<std::size_t>(window == Window::Intro ? 0 : 1);
    return index < m_windows.size() ? m_windows[index].first : std::nullopt;
}

Frame RealDesk::Where(Window window) {
    HWND hwnd = Hwnd(window);
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    const bool topmost = (::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return {int(r.left), int(r.top), int(r.right - r.left), int(r.bottom - r.top), topmost};
}

std::vector<Place> RealDesk::Path(Window window) {
    const auto index = static_cast<std::size_t>(window == Window::Intro ? 0 : 1);
    return index < m_windows.size() ? m_windows[index].path : std::vector<Place>{};
}

std::pair<int, int> RealDesk::Screen() {
    return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

bool RealDesk::EnterShown() {
    HWND button = ::FindWindowExW(Hwnd(Window::Intro), nullptr, L"Button", nullptr);
    return button && ::IsWindowVisible(button);
}

std::vector<Box> RealDesk::Boxes() { return m_boxes; }

void RealDesk::At(nanoseconds after, std::function<void()> action) {
    const nanoseconds due = Clock() + after;
    const auto it = std::upper_bound(m_schedule.begin(), m_schedule.end(), due,
                                     [](nanoseconds t, const auto& entry) { return t < entry.first; });
    m_schedule.insert(it, {due, std::move(action)});
}

// The middle of a spot, as the window stands now.
void RealDesk::PointAt(Spot spot) {
    const Aim& at = AimAt(spot);
    const Frame frame = Where(at.window);
    MoveTo(frame.left + platform::TwipsToPixels(at.x), frame.top + platform::TwipsToPixels(at.y));
}

// The stand-in's log records of one event, each split at its tabs: time,
// event, document, detail, hex bytes, text.
std::vector<std::vector<std::string>> RealDesk::Records(const std::string& event) {
    std::vector<std::vector<std::string>> records;
    std::stringstream log(ReadAll(m_log));
    std::string line;
    while (std::getline(log, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields;
        std::stringstream split(line);
        std::string field;
        while (std::getline(split, field, '\t')) fields.push_back(field);
        if (fields.size() > 4 && fields[1] == event) records.push_back(std::move(fields));
    }
    return records;
}

std::vector<Line> RealDesk::LogLines(const std::string& event) {
    std::vector<Line> lines;
    for (const auto& f : Records(event))
        lines.push_back({FromHex(f[4]), nanoseconds(static_cast<long long>(std::atof(f[0].c_str()) * 1e6)), f[2]});
    return lines;
}

}  // namespace scenarios
