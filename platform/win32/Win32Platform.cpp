// Win32 backend: the Platform calls, on top of Win32Form. Only platform/win32
// includes <windows.h>.
#include "platform/win32/Win32Platform.h"

#include <windows.h>


#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Fonts.h"
#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Picture.h"
#include "platform/win32/Win32Text.h"

namespace platform::win32 {

namespace {

UINT TimeoutMs(std::chrono::milliseconds timeout) {
    return static_cast<UINT>(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, UINT_MAX));
}

}  // namespace

struct Win32Platform::Impl final : FormHost {
    Impl() : instance(::GetModuleHandleW(nullptr)) {
        Win32Form::RegisterWindowClass(instance);
    }

    void Raise(const Event& event) noexcept override {
        if (sink) sink->OnEvent(event);
    }

    void SystemLoop(bool entered) noexcept override { systemLoops += entered ? 1 : -1; }

    Win32Form& Find(WindowId id, const char* what) {
        for (const auto& form : forms)
            if (form->id() == id) return *form;
        ThrowError(std::string(what) + ": no program window " + HexText(id));
    }

    RECT WindowRect(WindowId id, const char* what) {
        RECT rect{};
        if (!::GetWindowRect(Find(id, what).hwnd(), &rect)) THROW_LAST_ERROR(what);
        return rect;
    }

    void MoveTo(WindowId id, int x, int y, const char* what) {
        if (!::SetWindowPos(Find(id, what).hwnd(), nullptr, x, y, 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
            THROW_LAST_ERROR(what);
    }

    // The box belongs to the window the user is looking at, so it stays
    // above it and the window waits for it.
    HWND MessageOwner() const {
        HWND active = ::GetActiveWindow();
        for (const auto& form : forms)
            if (form->hwnd() == active && ::IsWindowVisible(active)) return active;
        for (const auto& form : forms)
            if (::IsWindowVisible(form->hwnd()) && !::IsIconic(form->hwnd())) return form->hwnd();
        return nullptr;
    }

    void Box(std::string_view text, UINT style) {
        const std::wstring title = Utf8ToWide(kAppTitle);
        const std::wstring body = Utf8ToWide(text);
        HWND owner = MessageOwner();
        // Without an owner, nothing keeps the box above a topmost form.
        style |= MB_SETFOREGROUND | (owner ? 0 : MB_TOPMOST);
        // The box runs a loop of its own, and its Enter and Escape are
        // input: a tick under it must leave them to it.
        SystemLoop(true);
        const int answer = ::MessageBoxW(owner, body.c_str(), title.c_str(), style);
        SystemLoop(false);
        if (answer == 0) THROW_LAST_ERROR("MessageBoxW");
    }

    HINSTANCE instance;
    EventSink* sink = nullptr;
    int systemLoops = 0;  // inside a loop the window system runs: move, menu, box
    FontCatalog fonts;
    std::vector<std::unique_ptr<Win32Form>> forms;  // creation order
    RandomGenerator random;
};

Win32Platform::Win32Platform() : m_impl(std::make_unique<Impl>()) {}

Win32Platform::~Win32Platform() = default;

int Win32Platform::Run() {
    MSG msg;
    for (;;) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) {
            REPORT_LAST_ERROR("GetMessageW");
            return 1;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void Win32Platform::SetEventSink(EventSink* sink) { m_impl->sink = sink; }

// ---- Forms ------------------------------------------------------------------

WindowId Win32Platform::CreateForm(const FormLayout& layout) {
    Picture picture;
    if (layout.pictureId != 0) picture = LoadPicture(m_impl->instance, layout.pictureId);
    auto form = Win32Form::Create(*m_impl, m_impl->instance, layout, std::move(picture), m_impl->fonts);
    const WindowId id = form->id();
    m_impl->forms.push_back(std::move(form));
    return id;
}

void Win32Platform::ShowForm(WindowId form) {
    HWND hwnd = m_impl->Find(form, "ShowForm").hwnd();
    ::ShowWindow(hwnd, SW_SHOW);
    ::UpdateWindow(hwnd);
}

void Win32Platform::HideForm(WindowId form) {
    ::ShowWindow(m_impl->Find(form, "HideForm").hwnd(), SW_HIDE);
}

bool Win32Platform::Visible(WindowId form) {
    return ::IsWindowVisible(m_impl->Find(form, "Visible").hwnd()) != FALSE;
}

void Win32Platform::DestroyForm(WindowId form) {
    auto& forms = m_impl->forms;
    forms.erase(std::remove_if(forms.begin(), forms.end(), [&](const auto& f) { return f->id() == form; }),
                forms.end());
}

std::string Win32Platform::Caption(WindowId form) {
    HWND hwnd = m_impl->Find(form, "Caption").hwnd();
    const int length = ::GetWindowTextLengthW(hwnd);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return WideToUtf8(text);
}

void Win32Platform::SetCaption(WindowId form, std::string_view text) {
    HWND hwnd = m_impl->Find(form, "SetCaption").hwnd();
    if (!::SetWindowTextW(hwnd, Utf8ToWide(text).c_str())) THROW_LAST_ERROR("SetCaption");
}

float Win32Platform::Left(WindowId form) {
    return PixelsToTwips(m_impl->WindowRect(form, "Left").left);
}

float Win32Platform::Top(WindowId form) {
    return PixelsToTwips(m_impl->WindowRect(form, "Top").top);
}

float Win32Platform::Width(WindowId form) {
    const RECT r = m_impl->WindowRect(form, "Width");
    return PixelsToTwips(r.right - r.left);
}

float Win32Platform::Height(WindowId form) {
    const RECT r = m_impl->WindowRect(form, "Height");
    return PixelsToTwips(r.bottom - r.top);
}

void Win32Platform::SetLeft(WindowId form, float twips) {
    const RECT r = m_impl->WindowRect(form, "SetLeft");
    m_impl->MoveTo(form, TwipsToPixels(twips), r.top, "SetLeft");
}

void Win32Platform::SetTop(WindowId form, float twips) {
    const RECT r = m_impl->WindowRect(form, "SetTop");
    m_impl->MoveTo(form, r.left, TwipsToPixels(twips), "SetTop");
}

void Win32Platform::Minimize(WindowId form) {
    ::ShowWindow(m_impl->Find(form, "Minimize").hwnd(), SW_MINIMIZE);
}

float Win32Platform::ScreenWidth() {
    return PixelsToTwips(::GetSystemMetrics(SM_CXSCREEN));
}

float Win32Platform::ScreenHeight() {
    return PixelsToTwips(::GetSystemMetrics(SM_CYSCREEN));
}

// ---- Controls ---------------------------------------------------------------

std::string Win32Platform::ControlText(WindowId form, ControlId control) {
    return m_impl->Find(form, "ControlText").ControlText(control);
}

void Win32Platform::SetControlText(WindowId form, ControlId control, std::string_view text) {
    m_impl->Find(form, "SetControlText").SetControlText(control, text);
}

void Win32Platform::SetControlVisible(WindowId form, ControlId control, bool visible) {
    m_impl->Find(form, "SetControlVisible").SetControlVisible(control, visible);
}

bool Win32Platform::TimerEnabled(WindowId form, ControlId timer) {
    return m_impl->Find(form, "TimerEnabled").TimerEnabled(timer);
}

void Win32Platform::SetTimerEnabled(WindowId form, ControlId timer, bool enabled) {
    m_impl->Find(form, "SetTimerEnabled").SetTimerEnabled(timer, enabled);
}

// ---- Runtime services -------------------------------------------------------

void Win32Platform::ShowMessage(std::string_view text) { m_impl->Box(text, MB_OK); }

void Win32Platform::ShowRuntimeError(std::string_view text) {
    // On the way out: a box that cannot show changes nothing.
    try {
        m_impl->Box(text, MB_OK | MB_ICONERROR);
    } catch (const std::exception& error) {
        ReportError(std::string("showing the runtime error box: ") + error.what());
    }
}

void Win32Platform::PumpMessages() {
    MSG msg;
    // Inside a loop that the window system runs for the program, mouse and
    // keyboard input is that loop's: taken here, the button's release would
    // leave a moved window following the pointer, and a box's Enter would
    // reach its button as a bare key press and leave the box open.
    const UINT filter = m_impl->systemLoops > 0 ? PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE : 0;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | filter)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the loop that owns it.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void Win32Platform::WaitForInput(std::chrono::nanoseconds deadline) {
    const auto left = deadline - Now();
    DWORD ms = 0;
    if (left > std::chrono::nanoseconds::zero()) {
        // Rounded up: waking a little early would only mean another wait.
        const auto rounded = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        ms = static_cast<DWORD>(std::min<long long>(rounded, INFINITE - 1));
    }
    // Input left for the window system's loop must not end the wait at once.
    const DWORD wake = m_impl->systemLoops > 0 ? QS_ALLINPUT & ~QS_INPUT : QS_ALLINPUT;
    ::MsgWaitForMultipleObjectsEx(0, nullptr, ms, wake, MWMO_INPUTAVAILABLE);
}

std::chrono::nanoseconds Win32Platform::Now() {
    // The counter that std::chrono::steady_clock reads too, but without the
    // POSIX clock layer it comes through, which links in clock setting.
    LARGE_INTEGER count{};
    LARGE_INTEGER frequency{};
    ::QueryPerformanceCounter(&count);
    ::QueryPerformanceFrequency(&frequency);
    const long long perSecond = frequency.QuadPart;
    return std::chrono::seconds(count.QuadPart / perSecond) +
           std::chrono::nanoseconds(count.QuadPart % perSecond * 1'000'000'000 / perSecond);
}

double Win32Platform::SecondsSinceMidnight() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

void Win32Platform::End() { ::ExitProcess(0); }

void Win32Platform::Randomize() { m_impl->random.Reseed(SecondsSinceMidnight()); }

float Win32Platform::Rnd() { return m_impl->random.Next(); }

// ---- user32 pass-through ----------------------------------------------------

WindowId Win32Platform::FindWindowA(const char* className) {
    return ToWindowId(::FindWindowA(className, nullptr));
}

WindowId Win32Platform::FindWindowExA(WindowId parent, WindowId childAfter, const char* className) {
    return ToWindowId(::FindWindowExA(ToHwnd(parent), ToHwnd(childAfter), className, nullptr));
}

bool Win32Platform::SendSetText(WindowId target, std::string_view utf8,
                                std::chrono::milliseconds timeout) {
    if (target == kNoWindow) return false;
    const std::string ansi = Utf8ToAnsi(utf8);
    DWORD_PTR result = 0;
    // SMTO_NORMAL, not SMTO_BLOCK: our own windows keep answering sent
    // messages while we wait.
    return ::SendMessageTimeoutA(ToHwnd(target), WM_SETTEXT, 0,
                                 reinterpret_cast<LPARAM>(ansi.c_str()),
                                 SMTO_ABORTIFHUNG | SMTO_NORMAL, TimeoutMs(timeout), &result) != 0;
}

bool Win32Platform::SendChar(WindowId target, unsigned code, std::chrono::milliseconds timeout) {
    if (target == kNoWindow) return false;
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(ToHwnd(target), WM_CHAR, code, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                                 TimeoutMs(timeout), &result) != 0;
}

void Win32Platform::SendSysCommand(WindowId target, unsigned wParam, std::intptr_t lParam) {
    ::SendMessageA(ToHwnd(target), WM_SYSCOMMAND, wParam, lParam);
}

void Win32Platform::SetWindowPos(WindowId window, std::intptr_t insertAfter, int x, int y, int cx,
                                 int cy, unsigned flags) {
    ::SetWindowPos(ToHwnd(window), reinterpret_cast<HWND>(insertAfter), x, y, cx, cy, flags);
}

void Win32Platform::ReleaseCapture() { ::ReleaseCapture(); }

}  // namespace platform::win32
