// Test probe: looks at and nudges top-level windows for the end-to-end tests
// (never shipped). One command per run, or `serve`: one command per stdin line
// (fields separated by TAB), each answer ended by a line holding only ".".
// It never sends a message that could block on a hung target without a bound.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../common/ToolText.h"
#include "platform/win32/Win32Handles.h"

namespace {

using tools::EscapeUtf8;
using tools::FromWide;
using tools::ToWide;

using Args = std::vector<std::string>;
using Lines = std::vector<std::string>;

// Thrown for an answer that starts with "error ".
struct ProbeError {
    std::string what;
};

std::string HwndText(HWND h) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(platform::win32::ToWindowId(h)));
    return buf;
}

std::string Ms(double ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", ms);
    return buf;
}

std::wstring ClassOf(HWND h) {
    wchar_t buf[256];
    int n = ::GetClassNameW(h, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

// The caption as the window manager knows it: never sends a message.
std::wstring TitleOf(HWND h) {
    wchar_t buf[1024];
    int n = ::InternalGetWindowText(h, buf, 1024);
    return std::wstring(buf, n > 0 ? n : 0);
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> out;
    for (HWND h = ::GetTopWindow(nullptr); h; h = ::GetWindow(h, GW_HWNDNEXT)) out.push_back(h);
    return out;
}

// NAME is "0x..." (a handle), "class=NAME", "title=NAME", or a bare name that
// is tried as an exact title, then as an exact class. Visible windows win over
// hidden ones; otherwise the topmost in z-order wins.
HWND Resolve(const std::string& name, bool required = true) {
    if (name.size() > 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
        HWND h = platform::win32::ToHwnd(
            static_cast<platform::WindowId>(std::strtoul(name.c_str(), nullptr, 16)));
        if (::IsWindow(h)) return h;
        if (required) throw ProbeError{"no-window"};
        return nullptr;
    }
    bool byTitle = true, byClass = true;
    std::string key = name;
    if (key.rfind("class=", 0) == 0) {
        byTitle = false;
        key = key.substr(6);
    } else if (key.rfind("title=", 0) == 0) {
        byClass = false;
        key = key.substr(6);
    }
    std::wstring wkey = ToWide(key);
    auto windows = TopLevelWindows();
    for (int pass = 0; pass < 4; ++pass) {
        bool wantTitle = pass < 2;
        bool wantVisible = pass % 2 == 0;
        if ((wantTitle && !byTitle) || (!wantTitle && !byClass)) continue;
        for (HWND h : windows) {
            if (wantVisible && !::IsWindowVisible(h)) continue;
            if ((wantTitle ? TitleOf(h) : ClassOf(h)) == wkey) return h;
        }
    }
    if (required) throw ProbeError{"not-found"};
    return nullptr;
}

std::string InfoLine(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    LONG ex = ::GetWindowLongW(h, GWL_EXSTYLE);
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "hwnd=%s\tpid=%lu\tvis=%d\ticonic=%d\ttopmost=%d\tfg=%d\trect=%ld,%ld,%ld,%ld",
                  HwndText(h).c_str(), static_cast<unsigned long>(pid),
                  ::IsWindowVisible(h) ? 1 : 0, ::IsIconic(h) ? 1 : 0, (ex & WS_EX_TOPMOST) ? 1 : 0,
                  ::GetForegroundWindow() == h ? 1 : 0, r.left, r.top, r.right, r.bottom);
    return std::string(buf) + "\tclass=" + EscapeUtf8(FromWide(ClassOf(h))) +
           "\ttitle=" + EscapeUtf8(FromWide(TitleOf(h)));
}

// A message box: a "#32770" dialog with that exact title.
HWND FindMessageBox(const std::string& title) {
    std::wstring wtitle = ToWide(title);
    for (HWND h : TopLevelWindows())
        if (ClassOf(h) == L"#32770" && TitleOf(h) == wtitle && ::IsWindowVisible(h)) return h;
    return nullptr;
}

std::wstring MessageBoxText(HWND dlg) {
    wchar_t buf[4096];
    if (int n = ::GetDlgItemTextW(dlg, 0xFFFF, buf, 4096); n > 0) return std::wstring(buf, n);
    // Fallback: the first text-bearing static that is not the icon.
    for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (_wcsicmp(ClassOf(c).c_str(), L"Static") != 0) continue;
        if ((::GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
        std::wstring t = TitleOf(c);
        if (!t.empty()) return t;
    }
    return {};
}

int Number(const Args& a, size_t i, const char* what) {
    if (i >= a.size()) throw ProbeError{std::string("missing-") + what};
    return std::atoi(a[i].c_str());
}

const std::string& Arg(const Args& a, size_t i, const char* what) {
    if (i >= a.size()) throw ProbeError{std::string("missing-") + what};
    return a[i];
}

// Sends with a bound; returns the elapsed time, or throws on a timeout.
std::string BoundedSend(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT timeoutMs, bool ansi) {
    DWORD_PTR result = 0;
    double t0 = tools::MonotonicMs();
    LRESULT ok = ansi ? ::SendMessageTimeoutA(h, msg, wp, lp, SMTO_ABORTIFHUNG, timeoutMs, &result)
                      : ::SendMessageTimeoutW(h, msg, wp, lp, SMTO_ABORTIFHUNG, timeoutMs, &result);
    double elapsed = tools::MonotonicMs() - t0;
    return (ok ? "ok " : "timeout ") + Ms(elapsed);
}

std::string Clock(double ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", ms);
    return buf;
}

// Follows a window from outside without sending it anything, even while it
// pumps no messages: each change of its rect, and its hiding, polled every
// `everyMs` for up to `ms`. Says "ready" at once, so the caller knows when to
// act; the rest comes when the window hides or the time is up.
Lines Watch(HWND h, int ms, int everyMs) {
    tools::WriteOut("ready\t" + Clock(tools::MonotonicMs()) + "\n");
    RECT last{};
    ::GetWindowRect(h, &last);
    double end = tools::MonotonicMs() + ms, first = 0, latest = 0, hidden = 0;
    int moves = 0;
    LONG maxLeft = last.left, maxTop = last.top;
    while (tools::MonotonicMs() < end) {
        RECT r{};
        if (!::IsWindowVisible(h) || !::GetWindowRect(h, &r)) {
            hidden = tools::MonotonicMs();
            break;
        }
        if (!::EqualRect(&r, &last)) {
            latest = tools::MonotonicMs();
            if (moves++ == 0) first = latest;
            last = r;
            maxLeft = std::max(maxLeft, r.left);
            maxTop = std::max(maxTop, r.top);
        }
        ::Sleep(static_cast<DWORD>(everyMs));
    }
    auto at = [](double t) { return t > 0 ? Clock(t) : std::string("-"); };
    return {"first-move\t" + at(first), "last-move\t" + at(latest),
            "moves\t" + std::to_string(moves), "hidden\t" + at(hidden),
            "farthest\t" + std::to_string(maxLeft) + "\t" + std::to_string(maxTop)};
}

Lines Run(const Args& a) {
    if (a.empty()) throw ProbeError{"no-command"};
    const std::string& cmd = a[0];
    if (cmd == "ping") return {"pong"};
    if (cmd == "list") {
        bool all = a.size() > 1 && a[1] == "all";
        Lines out;
        for (HWND h : TopLevelWindows())
            if (all || ::IsWindowVisible(h)) out.push_back(InfoLine(h));
        return out;
    }
    if (cmd == "zorder") {
        Lines out;
        for (HWND h : TopLevelWindows())
            if (::IsWindowVisible(h))
                out.push_back(HwndText(h) + "\t" + EscapeUtf8(FromWide(ClassOf(h))) + "\t" +
                              EscapeUtf8(FromWide(TitleOf(h))));
        return out;
    }
    if (cmd == "find") return {HwndText(Resolve(Arg(a, 1, "name")))};
    if (cmd == "info") return {InfoLine(Resolve(Arg(a, 1, "name")))};
    if (cmd == "foreground") {
        HWND h = ::GetForegroundWindow();
        if (!h) throw ProbeError{"none"};
        return {InfoLine(h)};
    }
    if (cmd == "rect") {
        RECT r{};
        ::GetWindowRect(Resolve(Arg(a, 1, "name")), &r);
        char buf[96];
        std::snprintf(buf, sizeof buf, "%ld %ld %ld %ld", r.left, r.top, r.right, r.bottom);
        return {buf};
    }
    if (cmd == "pid-of") {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(Resolve(Arg(a, 1, "name")), &pid);
        return {std::to_string(pid)};
    }
    if (cmd == "children") {
        Lines out;
        for (HWND c = ::GetWindow(Resolve(Arg(a, 1, "name")), GW_CHILD); c;
             c = ::GetWindow(c, GW_HWNDNEXT))
            out.push_back(InfoLine(c));
        return out;
    }
    if (cmd == "text") {
        HWND h = Resolve(Arg(a, 1, "name"));
        DWORD_PTR len = 0;
        if (!::SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len))
            throw ProbeError{"timeout"};
        std::wstring buf(len + 1, L'\0');
        DWORD_PTR got = 0;
        if (!::SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                                   SMTO_ABORTIFHUNG, 2000, &got))
            throw ProbeError{"timeout"};
        buf.resize(got);
        return {EscapeUtf8(FromWide(buf))};
    }
    if (cmd == "find-msgbox") {
        HWND dlg = FindMessageBox(Arg(a, 1, "title"));
        if (!dlg) throw ProbeError{"not-found"};
        return {EscapeUtf8(FromWide(MessageBoxText(dlg)))};
    }
    if (cmd == "dismiss-msgbox") {
        HWND dlg = FindMessageBox(Arg(a, 1, "title"));
        if (!dlg) throw ProbeError{"not-found"};
        int id = a.size() > 2 ? std::atoi(a[2].c_str()) : IDOK;
        // Posted: a send would block this probe inside the box's modal loop.
        ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dlg, id)));
        return {"ok"};
    }
    if (cmd == "probe") {
        HWND h = Resolve(Arg(a, 1, "name"));
        return {BoundedSend(h, WM_NULL, 0, 0, static_cast<UINT>(Number(a, 2, "ms")), false)};
    }
    if (cmd == "restore") {
        ::ShowWindowAsync(Resolve(Arg(a, 1, "name")), SW_RESTORE);
        return {"ok"};
    }
    if (cmd == "close") {
        ::PostMessageW(Resolve(Arg(a, 1, "name")), WM_CLOSE, 0, 0);
        return {"ok"};
    }
    // Raw sends into another program's control, ANSI like the program's own.
    if (cmd == "settext") {
        HWND h = Resolve(Arg(a, 1, "name"));
        std::string bytes = FromWide(ToWide(Arg(a, 2, "text")), CP_ACP);
        return {BoundedSend(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bytes.c_str()), 5000, true)};
    }
    if (cmd == "char") {
        HWND h = Resolve(Arg(a, 1, "name"));
        return {BoundedSend(h, WM_CHAR, static_cast<WPARAM>(Number(a, 2, "code")), 0, 5000, true)};
    }
    // The clock of the stand-in's and chatprobe's records, so a script can
    // set its own events beside theirs.
    if (cmd == "clock") return {Clock(tools::MonotonicMs())};
    if (cmd == "watch")
        return Watch(Resolve(Arg(a, 1, "name")), Number(a, 2, "ms"),
                     a.size() > 3 ? std::max(1, std::atoi(a[3].c_str())) : 1);
    throw ProbeError{"unknown-command"};
}

// Returns false when the command failed.
bool Answer(const Args& a, bool serving) {
    bool ok = true;
    std::string out;
    try {
        for (const auto& line : Run(a)) out += line + "\n";
    } catch (const ProbeError& e) {
        out = "error " + e.what + "\n";
        ok = false;
    }
    if (serving) out += ".\n";
    tools::WriteOut(out);
    return ok;
}

int Serve() {
    std::string line;
    while (tools::ReadLine(line)) {
        Args a;
        size_t start = 0;
        for (;;) {
            size_t tab = line.find('\t', start);
            a.push_back(
                line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (a.size() == 1 && a[0] == "quit") break;
        Answer(a, true);
    }
    return 0;
}

}  // namespace

int main() {
    // NOTE: text mode would turn each "\n" into "\r\n" on the pipe.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    Args args = tools::Arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: winprobe COMMAND [ARGS...] | winprobe serve\n");
        return 2;
    }
    Args rest(args.begin() + 1, args.end());
    if (rest[0] == "serve") return Serve();
    return Answer(rest, false) ? 0 : 1;
}
