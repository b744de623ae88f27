// Test probe that drives the program's own chat bridge (chat::PostChatLine,
// LocateChatWindow, PauseSeconds) on the real Win32 backend, for the
// end-to-end tests and the benchmark (never shipped). It adds nothing to the
// bridge: a pass-through backend only records the two messages it sends.
//
// Output: one tab-separated record per line, "TIME<TAB>EVENT<TAB>...", TIME
// in ms on the same monotonic clock as the stand-in's log.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../common/ToolText.h"
#include "chat/chat.h"
#include "platform/win32/Win32Platform.h"

namespace {

using platform::WindowId;
using std::chrono::milliseconds;

std::string Id(WindowId id) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(id));
    return buf;
}

std::string Fixed(double value, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return buf;
}

void Record(const std::string& event, const std::vector<std::string>& fields = {}) {
    std::string line = Fixed(tools::MonotonicMs(), 3) + '\t' + event;
    for (const auto& f : fields) line += '\t' + (f.empty() ? std::string("-") : f);
    tools::WriteOut(line + '\n');
}

// The Win32 backend as it is, recording each text and key it hands over and
// whether the target took it. Everything else passes straight through.
class TracingPlatform final : public platform::Platform {
public:
    explicit TracingPlatform(platform::Platform& inner) : m_inner(inner) {}

    bool SendSetText(WindowId target, std::string_view utf8, milliseconds timeout) override {
        double t0 = tools::MonotonicMs();
        bool ok = m_inner.SendSetText(target, utf8, timeout);
        Record("settext", {Id(target), ok ? "ok" : "no", Fixed(tools::MonotonicMs() - t0, 1)});
        return ok;
    }
    bool SendChar(WindowId target, unsigned code, milliseconds timeout) override {
        double t0 = tools::MonotonicMs();
        bool ok = m_inner.SendChar(target, code, timeout);
        Record("char", {Id(target), std::to_string(code), ok ? "ok" : "no",
                        Fixed(tools::MonotonicMs() - t0, 1)});
        return ok;
    }

    void SetEventSink(platform::EventSink* sink) override { m_inner.SetEventSink(sink); }
    WindowId CreateForm(const platform::FormLayout& layout) override {
        return m_inner.CreateForm(layout);
    }
    void ShowForm(WindowId form) override { m_inner.ShowForm(form); }
    void HideForm(WindowId form) override { m_inner.HideForm(form); }
    bool Visible(WindowId form) override { return m_inner.Visible(form); }
    void DestroyForm(WindowId form) override { m_inner.DestroyForm(form); }
    std::string Caption(WindowId form) override { return m_inner.Caption(form); }
    void SetCaption(WindowId form, std::string_view text) override {
        m_inner.SetCaption(form, text);
    }
    float Left(WindowId form) override { return m_inner.Left(form); }
    float Top(WindowId form) override { return m_inner.Top(form); }
    float Width(WindowId form) override { return m_inner.Width(form); }
    float Height(WindowId form) override { return m_inner.Height(form); }
    void SetLeft(WindowId form, float twips) override { m_inner.SetLeft(form, twips); }
    void SetTop(WindowId form, float twips) override { m_inner.SetTop(form, twips); }
    void Minimize(WindowId form) override { m_inner.Minimize(form); }
    float ScreenWidth() override { return m_inner.ScreenWidth(); }
    float ScreenHeight() override { return m_inner.ScreenHeight(); }
    std::string ControlText(WindowId form, platform::ControlId c) override {
        return m_inner.ControlText(form, c);
    }
    void SetControlText(WindowId form, platform::ControlId c, std::string_view text) override {
        m_inner.SetControlText(form, c, text);
    }
    void SetControlVisible(WindowId form, platform::ControlId c, bool visible) override {
        m_inner.SetControlVisible(form, c, visible);
    }
    bool TimerEnabled(WindowId form, platform::ControlId timer) override {
        return m_inner.TimerEnabled(form, timer);
    }
    void SetTimerEnabled(WindowId form, platform::ControlId timer, bool enabled) override {
        m_inner.SetTimerEnabled(form, timer, enabled);
    }
    void ShowMessage(std::string_view text) override { m_inner.ShowMessage(text); }
    void ShowRuntimeError(std::string_view text) override { m_inner.ShowRuntimeError(text); }
    void PumpMessages() override { m_inner.PumpMessages(); }
    void WaitForInput(std::chrono::nanoseconds deadline) override {
        m_inner.WaitForInput(deadline);
    }
    std::chrono::nanoseconds Now() override { return m_inner.Now(); }
    double SecondsSinceMidnight() override { return m_inner.SecondsSinceMidnight(); }
    [[noreturn]] void End() override {
        m_inner.End();
        std::abort();  // not reached; the compiler cannot see through the call
    }
    void Randomize() override { m_inner.Randomize(); }
    float Rnd() override { return m_inner.Rnd(); }
    WindowId FindWindowA(const char* className) override { return m_inner.FindWindowA(className); }
    WindowId FindWindowExA(WindowId parent, WindowId after, const char* className) override {
        return m_inner.FindWindowExA(parent, after, className);
    }
    void SendSysCommand(WindowId target, unsigned wParam, std::intptr_t lParam) override {
        m_inner.SendSysCommand(target, wParam, lParam);
    }
    void SetWindowPos(WindowId window, std::intptr_t after, int x, int y, int cx, int cy,
                      unsigned flags) override {
        m_inner.SetWindowPos(window, after, x, y, cx, cy, flags);
    }
    void ReleaseCapture() override { m_inner.ReleaseCapture(); }

private:
    platform::Platform& m_inner;
};

void Post(platform::Platform& p, const std::string& line) {
    Record("post-begin", {tools::EscapeUtf8(line)});
    chat::PostChatLine(p, line);
    Record("post-end");
}

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](FILETIME f) {
        return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// Mean and median of N timed runs, in microseconds.
template <class F>
void Bench(const char* name, int n, F&& once) {
    std::vector<double> us;
    us.reserve(static_cast<size_t>(n));
    once();  // warm-up: the first call pays for loading and connecting
    for (int i = 0; i < n; ++i) {
        double t0 = tools::MonotonicMs();
        once();
        us.push_back((tools::MonotonicMs() - t0) * 1000.0);
    }
    double sum = 0;
    for (double u : us) sum += u;
    std::sort(us.begin(), us.end());
    Record(name, {std::to_string(n), Fixed(sum / n, 1), Fixed(us[us.size() / 2], 1)});
}

// The floor under a post: the same user32 lookups and the same two messages,
// issued bare, with the text already in the ANSI code page. Returns false
// when no room was found.
bool BarePost(const std::string& ansi) {
    HWND frame = ::FindWindowA("AOL Frame25", nullptr);
    HWND mdi = ::FindWindowExA(frame, nullptr, "MDIClient", nullptr);
    HWND child = ::FindWindowExA(mdi, nullptr, "AOL Child", nullptr);
    for (;;) {
        HWND rich = ::FindWindowExA(child, nullptr, "RICHCNTL", nullptr);
        HWND list = ::FindWindowExA(child, nullptr, "_AOL_Listbox", nullptr);
        HWND icon = ::FindWindowExA(child, nullptr, "_AOL_Icon", nullptr);
        HWND text = ::FindWindowExA(child, nullptr, "_AOL_Static", nullptr);
        if (rich && list && icon && text) break;
        if (!child) return false;
        child = ::FindWindowExA(mdi, child, "AOL Child", nullptr);
    }
    HWND first = ::FindWindowExA(child, nullptr, "RICHCNTL", nullptr);
    HWND entry = ::FindWindowExA(child, first, "RICHCNTL", nullptr);
    DWORD_PTR result = 0;
    const UINT flags = SMTO_ABORTIFHUNG | SMTO_NORMAL;
    if (::SendMessageTimeoutA(entry, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ansi.c_str()), flags,
                              3000, &result)) {
        ::SendMessageTimeoutA(entry, WM_CHAR, 13, 0, flags, 3000, &result);
    }
    return true;
}

// Like Bench for two actions taken in turns, the first of each pair
// alternating: mean and median of each, in microseconds.
template <class F, class G>
void BenchPair(const char* name, int n, F&& first, G&& second) {
    std::vector<double> a, b;
    auto time = [](auto& action, std::vector<double>& into) {
        double t0 = tools::MonotonicMs();
        action();
        into.push_back((tools::MonotonicMs() - t0) * 1000.0);
    };
    first();
    second();
    for (int i = 0; i < n; ++i) {
        if (i % 2 == 0) {
            time(first, a);
            time(second, b);
        } else {
            time(second, b);
            time(first, a);
        }
    }
    auto mean = [](const std::vector<double>& v) {
        double sum = 0;
        for (double u : v) sum += u;
        return sum / static_cast<double>(v.size());
    };
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    Record(name, {std::to_string(n), Fixed(mean(a), 1), Fixed(median(a), 1), Fixed(mean(b), 1),
                  Fixed(median(b), 1)});
}

int Usage() {
    std::fprintf(stderr,
                 "usage: chatprobe COMMAND\n"
                 "  post TEXT\n"
                 "  pause SECONDS [TIMES] | spin SECONDS [TIMES]\n"
                 "  bench-roundtrip N | bench-floor N\n");
    return 2;
}

int Run(const std::vector<std::string>& a) {
    if (a.size() < 2) return Usage();
    const std::string& cmd = a[1];
    auto arg = [&](size_t i) -> const std::string& {
        static const std::string none;
        return i < a.size() ? a[i] : none;
    };
    platform::win32::Win32Platform win32;
    TracingPlatform traced(win32);

    if (cmd == "post" && a.size() == 3) {
        Post(traced, a[2]);
    } else if ((cmd == "pause" || cmd == "spin") && a.size() >= 3) {
        // CPU used while waiting, over TIMES waits in a row so that the
        // counter's 10 ms steps do not hide it. "spin" busy-waits instead:
        // the same measure on a known full load, as a yardstick.
        double seconds = std::atof(a[2].c_str());
        int times = std::max(1, std::atoi(arg(3).c_str()));
        double cpu0 = ProcessCpuMs(), t0 = tools::MonotonicMs();
        for (int i = 0; i < times; ++i) {
            if (cmd == "pause") {
                chat::PauseSeconds(win32, seconds);
            } else {
                double end = tools::MonotonicMs() + seconds * 1000.0;
                while (tools::MonotonicMs() < end) {
                }
            }
        }
        double wall = tools::MonotonicMs() - t0, cpu = ProcessCpuMs() - cpu0;
        // Fields: seconds asked, times, wall ms, CPU ms, CPU as a share of the wall time.
        Record(cmd, {a[2], std::to_string(times), Fixed(wall, 1), Fixed(cpu, 1),
                     Fixed(wall > 0 ? cpu / wall : 0, 3)});
    } else if (cmd == "bench-floor" && a.size() == 3) {
        // Posts and bare posts taken in turns, so that both see the same
        // client: its transcript grows with every line.
        const std::string line = "bench \xE2\x80\xA2\xC3\xB7\xC2\xB7 line";
        const std::string ansi = tools::FromWide(tools::ToWide(line), CP_ACP);
        if (!BarePost(ansi)) {
            std::fprintf(stderr, "chatprobe: no chat room\n");
            return 1;
        }
        BenchPair("bench-floor", std::max(1, std::atoi(a[2].c_str())),
                  [&] { chat::PostChatLine(win32, line); }, [&] { BarePost(ansi); });
    } else if (cmd == "bench-roundtrip" && a.size() == 3) {
        HWND frame = ::FindWindowW(L"AOL Frame25", nullptr);
        if (!frame) {
            std::fprintf(stderr, "chatprobe: no chat client window\n");
            return 1;
        }
        // The floor under any post: one bare cross-process message.
        Bench("bench-roundtrip", std::max(1, std::atoi(a[2].c_str())),
              [&] { ::SendMessageW(frame, WM_NULL, 0, 0); });
    } else {
        return Usage();
    }
    return 0;
}

}  // namespace

int main() {
    // NOTE: text mode would turn each "\n" into "\r\n" on the pipe.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    try {
        return Run(tools::Arguments());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "chatprobe: %s\n", e.what());
        return 1;
    }
}
