// Win32 backend: the program's windows.
#include "platform/win32/Win32Form.h"

#include <windowsx.h>

#include <cmath>
#include <cstdint>

#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Text.h"
#include "resources/resource.h"

namespace platform::win32 {

namespace {

constexpr UINT kTextFormat = DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS;
// A close request, handed to the program at its next pump.
constexpr UINT kCloseRequest = WM_APP + 1;

RECT PixelRect(const platform::ControlLayout& layout) {
    RECT rect;
    rect.left = TwipsToPixels(layout.left);
    rect.top = TwipsToPixels(layout.top);
    rect.right = rect.left + TwipsToPixels(layout.width);
    rect.bottom = rect.top + TwipsToPixels(layout.height);
    return rect;
}

COLORREF ColorOf(const std::optional<platform::Rgb>& color) {
    if (!color) return ::GetSysColor(COLOR_BTNTEXT);
    return RGB(color->r, color->g, color->b);
}

// NOTE: CW_USEDEFAULT places popups at (0, 0). Borrow the position the
// system picks for an overlapped window of the same size instead.
POINT DefaultPosition(HINSTANCE instance, int width, int height) {
    UniqueHwnd probe(::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, CW_USEDEFAULT,
                                       CW_USEDEFAULT, width, height, nullptr, nullptr, instance,
                                       nullptr));
    RECT rect{};
    if (probe && ::GetWindowRect(probe.get(), &rect)) return {rect.left, rect.top};
    return {0, 0};
}

}  // namespace

void Win32Form::RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32Form::WndProc;
    wc.hInstance = instance;
    // Shared icons and cursors belong to the system: nothing to release.
    wc.hIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0, 0,
                                               LR_DEFAULTSIZE | LR_SHARED));
    wc.hIconSm = static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                     ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    // A second backend in the same process finds the class already there.
    if (!::RegisterClassExW(&wc)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_CLASS_ALREADY_EXISTS) ThrowError("RegisterClassExW", error);
    }
}

Win32Form::Win32Form(FormHost& host, std::string name, Picture picture)
    : m_host(host), m_name(std::move(name)), m_picture(std::move(picture)) {}

Win32Form::~Win32Form() {
    // The window outlives the members below it for a moment; stop routing
    // its last messages here.
    if (m_hwnd) ::SetWindowLongPtrW(m_hwnd.get(), GWLP_USERDATA, 0);
}

platform::WindowId Win32Form::id() const noexcept {
    return ToWindowId(m_hwnd.get());
}

std::unique_ptr<Win32Form> Win32Form::Create(FormHost& host, HINSTANCE instance,
                                             const platform::FormLayout& layout, Picture picture,
                                             FontCatalog& fonts) {
    std::unique_ptr<Win32Form> form(new Win32Form(host, layout.name, std::move(picture)));

    form->m_controls.reserve(layout.controls.size());
    for (const platform::ControlLayout& source : layout.controls) {
        ControlState& control = form->m_controls.emplace_back();
        control.kind = source.kind;
        control.name = source.name;
        control.rect = PixelRect(source);
        control.text = source.text;
        control.visible = source.visible;
        control.enabled = source.enabled;
        control.intervalMs = source.intervalMs;
        control.cursor = source.cursor;
        control.color = ColorOf(source.foreColor);
        if (source.kind == platform::ControlKind::Label || source.kind == platform::ControlKind::Button)
            control.font = fonts.Create(source.font);
    }

    const int width = TwipsToPixels(layout.clientWidth);
    const int height = TwipsToPixels(layout.clientHeight);
    POINT at{TwipsToPixels(layout.left), TwipsToPixels(layout.top)};
    if (layout.placement == platform::Placement::PlatformDefault)
        at = DefaultPosition(instance, width, height);

    // No caption and no border, so the window rect is the client rect.
    DWORD style = WS_POPUP | WS_CLIPCHILDREN;
    DWORD exStyle = 0;
    if (layout.taskbarButton) {
        // The system menu and minimize box let the taskbar minimize and
        // restore the window; without a caption they draw nothing.
        style |= WS_SYSMENU | WS_MINIMIZEBOX;
        exStyle |= WS_EX_APPWINDOW;
    } else {
        exStyle |= WS_EX_TOOLWINDOW;
    }
    HWND hwnd = ::CreateWindowExW(exStyle, kClassName, L"", style, at.x, at.y, width, height,
                                  nullptr, nullptr, instance, form.get());
    if (!hwnd) THROW_LAST_ERROR("CreateWindowExW for " + layout.name);

    for (platform::ControlId i = 0; i < static_cast<platform::ControlId>(form->m_controls.size()); ++i) {
        const ControlState& control = form->m_controls[static_cast<std::size_t>(i)];
        if (control.kind == platform::ControlKind::Button) form->CreateButton(instance, i);
        if (control.kind == platform::ControlKind::Timer && control.enabled) form->StartTimer(i);
    }
    return form;
}

void Win32Form::CreateButton(HINSTANCE instance, platform::ControlId control) {
    ControlState& state = m_controls[static_cast<std::size_t>(control)];
    const RECT& r = state.rect;
    const DWORD style = WS_CHILD | BS_PUSHBUTTON | (state.visible ? WS_VISIBLE : 0);
    state.button.reset(::CreateWindowExW(
        0, L"BUTTON", Utf8ToWide(state.text).c_str(), style, r.left, r.top, r.right - r.left,
        r.bottom - r.top, m_hwnd.get(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control + 1)), instance, nullptr));
    if (!state.button) THROW_LAST_ERROR(ControlCall(state, "CreateWindowExW"));
    ::SendMessageW(state.button.get(), WM_SETFONT, reinterpret_cast<WPARAM>(state.font.get()), FALSE);
}

// ---- Controls -------------------------------------------------------------

Win32Form::ControlState& Win32Form::At(platform::ControlId control, const char* what) {
    return const_cast<ControlState&>(std::as_const(*this).At(control, what));
}

const Win32Form::ControlState& Win32Form::At(platform::ControlId control, const char* what) const {
    if (control < 0 || static_cast<std::size_t>(control) >= m_controls.size())
        ThrowError(std::string(what) + ": " + m_name + " has no control " + std::to_string(control));
    return m_controls[static_cast<std::size_t>(control)];
}

void Win32Form::Unsupported(const ControlState& control, const char* what) const {
    ThrowError(std::string(what) + ": " + m_name + "." + control.name + " does not have it");
}

std::string Win32Form::ControlCall(const ControlState& control, const char* call) const {
    return std::string(call) + " for " + m_name + "." + control.name;
}

std::string Win32Form::ControlText(platform::ControlId control) const {
    const ControlState& state = At(control, "ControlText");
    if (state.kind == platform::ControlKind::Timer) Unsupported(state, "ControlText");
    return state.text;
}

void Win32Form::SetControlText(platform::ControlId control, std::string_view text) {
    ControlState& state = At(control, "SetControlText");
    switch (state.kind) {
        case platform::ControlKind::Label:
            if (state.text != text) {
                state.text = text;
                ::InvalidateRect(m_hwnd.get(), &state.rect, FALSE);
            }
            break;
        case platform::ControlKind::TextBox:
            state.text = text;
            break;
        case platform::ControlKind::Button:
            if (!::SetWindowTextW(state.button.get(), Utf8ToWide(text).c_str()))
                THROW_LAST_ERROR(ControlCall(state, "SetWindowTextW"));
            state.text = text;
            break;
        case platform::ControlKind::Timer:
            Unsupported(state, "SetControlText");
    }
}

void Win32Form::SetControlVisible(platform::ControlId control, bool visible) {
    ControlState& state = At(control, "SetControlVisible");
    if (state.kind == platform::ControlKind::Timer) Unsupported(state, "SetControlVisible");
    if (state.visible == visible) return;
    state.visible = visible;
    if (state.kind == platform::ControlKind::Button)
        ::ShowWindow(state.button.get(), visible ? SW_SHOWNA : SW_HIDE);
    else if (state.kind == platform::ControlKind::Label)
        ::InvalidateRect(m_hwnd.get(), &state.rect, FALSE);
}

bool Win32Form::TimerEnabled(platform::ControlId control) const {
    const ControlState& state = At(control, "TimerEnabled");
    if (state.kind != platform::ControlKind::Timer) Unsupported(state, "TimerEnabled");
    return state.enabled;
}

void Win32Form::SetTimerEnabled(platform::ControlId control, bool enabled) {
    ControlState& state = At(control, "SetTimerEnabled");
    if (state.kind != platform::ControlKind::Timer) Unsupported(state, "SetTimerEnabled");
    state.enabled = enabled;
    if (enabled)
        StartTimer(control);  // also restarts a running interval
    else
        ::KillTimer(m_hwnd.get(), static_cast<UINT_PTR>(control + 1));
}

void Win32Form::StartTimer(platform::ControlId control) {
    const ControlState& state = m_controls[static_cast<std::size_t>(control)];
    const auto timerId = static_cast<UINT_PTR>(control + 1);
    // An interval of 0 never fires.
    if (state.intervalMs == 0) {
        ::KillTimer(m_hwnd.get(), timerId);
        return;
    }
    if (!::SetTimer(m_hwnd.get(), timerId, state.intervalMs, nullptr))
        THROW_LAST_ERROR(ControlCall(state, "SetTimer"));
}

// ---- Messages ---------------------------------------------------------------

LRESULT CALLBACK Win32Form::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* form = static_cast<Win32Form*>(create->lpCreateParams);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->m_hwnd.reset(hwnd);
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    auto* form = reinterpret_cast<Win32Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        (void)form->m_hwnd.release();  // already on its way out
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    try {
        return form->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        ReportError(std::string("handling message ") + std::to_string(message) + ": " + error.what());
    } catch (...) {
        ReportError("handling message " + std::to_string(message));
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Win32Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = m_hwnd.get();
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_PRINTCLIENT: {
            RECT client;
            ::GetClientRect(hwnd, &client);
            Paint(reinterpret_cast<HDC>(wParam), client);
            return 0;
        }
        case WM_SETCURSOR:
            if (OnSetCursor(wParam, lParam)) return TRUE;
            break;
        case WM_LBUTTONDOWN:
            OnButtonDown(platform::MouseButton::Left, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_RBUTTONDOWN:
            OnButtonDown(platform::MouseButton::Right, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_MBUTTONDOWN:
            OnButtonDown(platform::MouseButton::Middle, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_LBUTTONUP:
            OnLeftButtonUp({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_CAPTURECHANGED:
            // Someone took the capture (a ReleaseCapture before a system
            // move, a message box): the press no longer ends in a click.
            m_pressed = -1;
            return 0;
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_COMMAND:
            OnCommand(wParam);
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case kCloseRequest:
            Raise(0, platform::EventKind::Close);
            return 0;
        case WM_ENTERSIZEMOVE:
        case WM_ENTERMENULOOP:
            m_host.SystemLoop(true);
            break;
        case WM_EXITSIZEMOVE:
        case WM_EXITMENULOOP:
            m_host.SystemLoop(false);
            break;
        default:
            break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void Win32Form::OnPaint() {
    PaintDc paint(m_hwnd.get());
    if (!paint) return;
    Paint(paint.get(), paint.dirty());
}

void Win32Form::Paint(HDC target, const RECT& area) {
    RECT client;
    ::GetClientRect(m_hwnd.get(), &client);
    // Compose off screen, then copy the dirty part in one go: no flicker.
    UniqueHdc buffer(::CreateCompatibleDC(target));
    UniqueGdi<HBITMAP> canvas(::CreateCompatibleBitmap(target, client.right, client.bottom));
    if (!buffer || !canvas) {
        REPORT_LAST_ERROR("allocating the paint buffer");
        DrawScene(target, client);
        return;
    }
    SelectedObject selected(buffer.get(), canvas.get());
    DrawScene(buffer.get(), client);
    ::BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top,
             buffer.get(), area.left, area.top, SRCCOPY);
}

void Win32Form::DrawScene(HDC dc, const RECT& client) {
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    // At its own size from the top-left; the window clips a larger one.
    if (m_picture.dib) {
        ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(m_picture.width),
                            static_cast<DWORD>(m_picture.height), 0, 0, 0,
                            static_cast<UINT>(m_picture.height), m_picture.dibBits,
                            static_cast<const BITMAPINFO*>(m_picture.dib), DIB_RGB_COLORS);
    } else if (m_picture.bitmap) {
        UniqueHdc source(::CreateCompatibleDC(dc));
        if (source) {
            SelectedObject selected(source.get(), m_picture.bitmap.get());
            ::BitBlt(dc, 0, 0, m_picture.width, m_picture.height, source.get(), 0, 0, SRCCOPY);
        }
    }
    ::SetBkMode(dc, TRANSPARENT);
    // Layout order puts the topmost control first, so draw back to front.
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
        const ControlState& control = *it;
        if (control.kind != platform::ControlKind::Label || !control.visible || control.text.empty())
            continue;
        const std::wstring text = Utf8ToWide(control.text);
        RECT rect = control.rect;
        ::SetTextColor(dc, control.color);
        SelectedObject font(dc, control.font.get());
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, kTextFormat);
    }
}

int Win32Form::LabelAt(POINT at) const {
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        const ControlState& control = m_controls[i];
        if (control.kind == platform::ControlKind::Label && control.visible &&
            ::PtInRect(&control.rect, at))
            return static_cast<int>(i);
    }
    return -1;
}

bool Win32Form::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) != m_hwnd.get() || LOWORD(lParam) != HTCLIENT) return false;
    POINT at;
    if (!::GetCursorPos(&at) || !::ScreenToClient(m_hwnd.get(), &at)) return false;
    const int label = LabelAt(at);
    const bool upArrow =
        label >= 0 && m_controls[static_cast<std::size_t>(label)].cursor == platform::Cursor::UpArrow;
    ::SetCursor(::LoadCursorW(nullptr, upArrow ? IDC_UPARROW : IDC_ARROW));
    return true;
}

void Win32Form::OnButtonDown(platform::MouseButton button, POINT at) {
    const int label = LabelAt(at);
    if (label < 0) return;
    if (button == platform::MouseButton::Left) {
        // Captured first: the handler may release it to start a move.
        ::SetCapture(m_hwnd.get());
        m_pressed = label;
    }
    Raise(label, platform::EventKind::MouseDown, button);
}

void Win32Form::OnLeftButtonUp(POINT at) {
    const int pressed = m_pressed;
    if (pressed < 0) return;
    ::ReleaseCapture();  // WM_CAPTURECHANGED clears m_pressed
    m_pressed = -1;
    const ControlState& control = m_controls[static_cast<std::size_t>(pressed)];
    if (control.visible && ::PtInRect(&control.rect, at)) Raise(pressed, platform::EventKind::Click);
}

void Win32Form::OnTimer(WPARAM timerId) {
    const auto control = static_cast<platform::ControlId>(timerId) - 1;
    if (control < 0 || static_cast<std::size_t>(control) >= m_controls.size()) return;
    const ControlState& state = m_controls[static_cast<std::size_t>(control)];
    // A tick already queued when the timer was switched off is dropped.
    if (state.kind == platform::ControlKind::Timer && state.enabled)
        Raise(control, platform::EventKind::Timer);
}

void Win32Form::OnCommand(WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) return;
    const auto control = static_cast<platform::ControlId>(LOWORD(wParam)) - 1;
    if (control < 0 || static_cast<std::size_t>(control) >= m_controls.size()) return;
    if (m_controls[static_cast<std::size_t>(control)].kind == platform::ControlKind::Button)
        Raise(control, platform::EventKind::Click);
}

void Win32Form::OnClose() {
    // WM_CLOSE can come as a message sent while the program itself waits in
    // a send to the chat client, between a line's text and its Enter. Posted,
    // the request waits for the program's next pump.
    if (!::PostMessageW(m_hwnd.get(), kCloseRequest, 0, 0)) Raise(0, platform::EventKind::Close);
}

void Win32Form::Raise(platform::ControlId control, platform::EventKind kind,
                      platform::MouseButton button) {
    platform::Event event;
    event.form = id();
    event.control = control;
    event.kind = kind;
    event.button = button;
    m_host.Raise(event);
}

}  // namespace platform::win32
