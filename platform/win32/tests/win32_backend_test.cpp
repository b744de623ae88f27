// The Win32 backend on a real desktop (under Wine and a virtual X display in
// the cross build): the window, control, event and pass-through behaviour the
// program relies on, and how the program's own two windows draw their texts.
// Prints one line per check group; exits 1 on a failure.
#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "forms/Form1/Form1.h"
#include "forms/Form2/Form2.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Fonts.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"
#include "resources/resource.h"

namespace {

using namespace std::chrono_literals;
using platform::ControlId;
using platform::ControlKind;
using platform::ControlLayout;
using platform::Cursor;
using platform::Event;
using platform::EventKind;
using platform::FormLayout;
using platform::MouseButton;
using platform::RuntimeError;
using platform::WindowId;
using platform::win32::Win32Platform;
namespace w32 = platform::win32;

// A process or thread handle.
struct KernelHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer h) noexcept { ::CloseHandle(h); }
};
using UniqueKernelHandle = w32::UniqueHandle<KernelHandleTraits>;

int g_failures = 0;

void Check(bool ok, const char* what, int line) {
    if (ok) return;
    ++g_failures;
    std::printf("    line %d: %s\n", line, what);
}
#define CHECK(expr) Check(static_cast<bool>(expr), #expr, __LINE__)
#define CHECK_THROWS(expr)                                       \
    do {                                                         \
        bool thrown = false;                                     \
        try {                                                    \
            (void)(expr);                                        \
        } catch (const RuntimeError&) {                          \
            thrown = true;                                       \
        }                                                        \
        Check(thrown, "RuntimeError from " #expr, __LINE__);     \
    } while (0)

HWND H(WindowId id) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id)); }
WindowId Id(HWND hwnd) { return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(hwnd)); }

struct Recorder final : platform::EventSink {
    std::vector<Event> events;
    void OnEvent(const Event& event) noexcept override { events.push_back(event); }
    int Count(ControlId control, EventKind kind) const {
        return static_cast<int>(std::count_if(events.begin(), events.end(), [&](const Event& e) {
            return e.control == control && e.kind == kind;
        }));
    }
};

// Pumps until `done` holds; false when `limit` runs out first.
bool PumpUntil(Win32Platform& p, const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
    const auto deadline = p.Now() + limit;
    for (;;) {
        p.PumpMessages();
        if (done()) return true;
        if (p.Now() >= deadline) return false;
        p.WaitForInput(deadline);
    }
}

// Layout pieces, in pixels for readability (15 twips each).
constexpr float kPx = 15.0f;

FormLayout Form(const char* name, int width, int height, int picture = 0) {
    FormLayout layout;
    layout.name = name;
    layout.clientWidth = width * kPx;
    layout.clientHeight = height * kPx;
    layout.placement = platform::Placement::Manual;
    layout.left = 40 * kPx;
    layout.top = 30 * kPx;
    layout.pictureId = picture;
    return layout;
}

ControlLayout Label(const char* name, int x, int y, int width, int height, const char* text = "",
                    Cursor cursor = Cursor::Arrow) {
    ControlLayout c;
    c.name = name;
    c.kind = ControlKind::Label;
    c.left = x * kPx;
    c.top = y * kPx;
    c.width = width * kPx;
    c.height = height * kPx;
    c.text = text;
    c.cursor = cursor;
    c.font = platform::Font{"MS Serif", 8.25f, 400};
    c.foreColor = platform::Rgb{0, 255, 255};
    return c;
}

ControlLayout Timer(const char* name, unsigned intervalMs, bool enabled) {
    ControlLayout c;
    c.name = name;
    c.kind = ControlKind::Timer;
    c.intervalMs = intervalMs;
    c.enabled = enabled;
    return c;
}

// The client area as the window paints it, as 0xRRGGBB values.
struct Snapshot {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)] & 0xFFFFFF; }
    int Count(std::uint32_t rgb) const {
        return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [&](auto p) { return (p & 0xFFFFFF) == rgb; }));
    }
};

// What `draw` draws on a black canvas of the given size: a 32-bit top-down
// DIB section selected into a memory DC.
template <typename Draw>
Snapshot Drawn(int width, int height, Draw&& draw) {
    Snapshot shot;
    shot.width = width;
    shot.height = height;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    w32::UniqueHdc dc(::CreateCompatibleDC(nullptr));
    w32::UniqueGdi<HBITMAP> dib(::CreateDIBSection(dc.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !dib) return shot;
    w32::SelectedObject selected(dc.get(), dib.get());
    draw(dc.get());
    ::GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    shot.pixels.assign(p, p + width * height);
    return shot;
}

Snapshot Render(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    return Drawn(client.right, client.bottom, [&](HDC dc) {
        ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}
Snapshot Render(WindowId form) { return Render(H(form)); }

// `text` alone, white on black, drawn by GDI in `font` from the top-left of
// `rect` and clipped to it, on a canvas of the given size.
Snapshot TextAlone(int width, int height, const RECT& rect, const std::wstring& text, HFONT font) {
    return Drawn(width, height, [&](HDC dc) {
        w32::SelectedObject selectedFont(dc, font);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(255, 255, 255));
        RECT clip = rect;
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &clip, DT_LEFT | DT_TOP | DT_NOPREFIX);
    });
}

std::uint32_t ToRgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

int TopLevelFormCount() {
    int count = 0;
    for (HWND h = ::FindWindowExW(nullptr, nullptr, L"KorvoForm", nullptr); h;
         h = ::FindWindowExW(nullptr, h, L"KorvoForm", nullptr))
        ++count;
    return count;
}

// ---- Checks -------------------------------------------------------------------

void FormsAreHiddenFramelessPopupsPlacedInTwips() {
    Win32Platform p;
    WindowId tool = p.CreateForm(Form("Tool", 200, 100));
    HWND h = H(tool);
    wchar_t cls[32] = {};
    ::GetClassNameW(h, cls, 32);
    CHECK(std::wcscmp(cls, L"KorvoForm") == 0);
    CHECK(!::IsWindowVisible(h));
    const LONG style = ::GetWindowLongW(h, GWL_STYLE);
    const LONG exStyle = ::GetWindowLongW(h, GWL_EXSTYLE);
    CHECK(style & WS_POPUP);
    CHECK(!(style & (WS_CAPTION | WS_THICKFRAME)));
    CHECK(exStyle & WS_EX_TOOLWINDOW);
    CHECK(!(exStyle & WS_EX_APPWINDOW));

    RECT window{}, client{};
    ::GetWindowRect(h, &window);
    ::GetClientRect(h, &client);
    CHECK(window.left == 40 && window.top == 30 && window.right == 240 && window.bottom == 130);
    CHECK(client.right == 200 && client.bottom == 100);
    CHECK(p.Left(tool) == 600 && p.Top(tool) == 450 && p.Width(tool) == 3000 && p.Height(tool) == 1500);

    // Writes snap to the nearest pixel and read back at once.
    p.SetLeft(tool, 1507.4f);
    CHECK(p.Left(tool) == 1500);
    p.SetLeft(tool, 1508.0f);
    CHECK(p.Left(tool) == 1515);
    CHECK(p.Top(tool) == 450);
    p.SetTop(tool, -750);
    CHECK(p.Top(tool) == -750);
    CHECK(p.Left(tool) == 1515 && p.Width(tool) == 3000);

    FormLayout withButton = Form("Taskbar", 50, 50);
    withButton.taskbarButton = true;
    WindowId app = p.CreateForm(withButton);
    CHECK(::GetWindowLongW(H(app), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    CHECK(!(::GetWindowLongW(H(app), GWL_EXSTYLE) & WS_EX_TOOLWINDOW));
    CHECK(::GetWindowLongW(H(app), GWL_STYLE) & WS_MINIMIZEBOX);

    p.ShowForm(app);
    CHECK(::IsWindowVisible(H(app)));
    p.Minimize(app);
    CHECK(::IsIconic(H(app)));
    ::ShowWindow(H(app), SW_RESTORE);
    p.HideForm(app);
    CHECK(!::IsWindowVisible(H(app)) && ::IsWindow(H(app)));

    FormLayout placed = Form("Default", 50, 50);
    placed.placement = platform::Placement::PlatformDefault;
    WindowId byDefault = p.CreateForm(placed);
    CHECK(p.Width(byDefault) == 750 && !::IsWindowVisible(H(byDefault)));
}

void CaptionsRoundTripAnyText() {
    Win32Platform p;
    WindowId form = p.CreateForm(Form("Captions", 50, 50));
    CHECK(p.Caption(form).empty());
    const std::string text = "0 Min(s) \xE2\x80\x93 \xC3\x89t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";
    p.SetCaption(form, text);
    CHECK(p.Caption(form) == text);
    wchar_t wide[64] = {};
    ::GetWindowTextW(H(form), wide, 64);
    CHECK(std::wcscmp(wide, L"0 Min(s) \u2013 \u00C9t\u00E9 \u65E5\u672C \U0001F600") == 0);
    const std::string longText(3000, 'x');
    p.SetCaption(form, longText);
    CHECK(p.Caption(form) == longText);
    p.SetCaption(form, "");
    CHECK(p.Caption(form).empty());
}

void BadIdsAndWrongKindsThrow() {
    Win32Platform p;
    FormLayout layout = Form("Kinds", 50, 50);
    layout.controls = {Label("Label1", 0, 0, 10, 10), Timer("Timer1", 100, false)};
    WindowId form = p.CreateForm(layout);
    CHECK_THROWS(p.Left(12345));
    CHECK_THROWS(p.ShowForm(platform::kNoWindow));
    CHECK_THROWS(p.SetCaption(12345, "x"));
    CHECK_THROWS(p.ControlText(form, 2));
    CHECK_THROWS(p.ControlText(form, -1));
    CHECK_THROWS(p.TimerEnabled(form, 0));
    CHECK_THROWS(p.SetTimerEnabled(form, 0, true));
    CHECK_THROWS(p.ControlText(form, 1));
    CHECK_THROWS(p.SetControlText(form, 1, "x"));
    CHECK_THROWS(p.SetControlVisible(form, 1, true));

    const int before = TopLevelFormCount();
    CHECK_THROWS(p.CreateForm(Form("Broken", 50, 50, 900)));
    CHECK_THROWS(p.CreateForm(Form("Missing", 50, 50, 901)));
    CHECK(TopLevelFormCount() == before);
    try {
        p.CreateForm(Form("Broken", 50, 50, 900));
    } catch (const RuntimeError& error) {
        std::printf("    broken picture: %s\n", error.what());
        CHECK(std::strstr(error.what(), "picture 900") != nullptr);
    }
    try {
        p.Left(0xABC);
    } catch (const RuntimeError& error) {
        CHECK(std::strcmp(error.what(), "Left: no program window 0x00000ABC") == 0);
    }
    // HRESULTs in hex, Win32 error codes in decimal.
    CHECK(w32::DescribeError("x", 0x80004005UL).rfind("x failed (error 0x80004005: ", 0) == 0);
    CHECK(w32::DescribeError("x", ERROR_ACCESS_DENIED).rfind("x failed (error 5: ", 0) == 0);
}

// The intro picture is a plain BMP, so the expected pixels are read straight
// from the resource, independently of the decoder.
std::uint32_t BmpPixel(int x, int y) {
    HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_INTRO_PICTURE), RT_RCDATA);
    const auto* bytes = static_cast<const std::uint8_t*>(::LockResource(::LoadResource(nullptr, info)));
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER header;
    std::memcpy(&file, bytes, sizeof file);
    std::memcpy(&header, bytes + sizeof file, sizeof header);
    const int stride = (static_cast<int>(header.biWidth) * 3 + 3) & ~3;
    const std::uint8_t* px = bytes + file.bfOffBits + (header.biHeight - 1 - y) * stride + x * 3;
    return (px[2] << 16) | (px[1] << 8) | px[0];
}

// The picture resource `id` as WIC decodes it, a decoder of its own,
// independent of the backend's: 0xRRGGBB values, top row first. Empty unless
// it is `width` x `height`.
std::vector<std::uint32_t> WicPixels(int id, UINT width, UINT height) {
    HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_RCDATA);
    auto* bytes = static_cast<BYTE*>(::LockResource(::LoadResource(nullptr, info)));
    const HRESULT entered = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<std::uint32_t> pixels;
    {
        w32::ComPtr<IWICImagingFactory> factory;
        w32::ComPtr<IWICStream> stream;
        w32::ComPtr<IWICBitmapDecoder> decoder;
        w32::ComPtr<IWICBitmapFrameDecode> frame;
        w32::ComPtr<IWICFormatConverter> converter;
        UINT w = 0, h = 0;
        std::vector<std::uint32_t> bgr(std::size_t(width) * height);
        if (bytes &&
            SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put()))) &&
            SUCCEEDED(factory->CreateStream(stream.put())) &&
            SUCCEEDED(stream->InitializeFromMemory(bytes, ::SizeofResource(nullptr, info))) &&
            SUCCEEDED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                       decoder.put())) &&
            SUCCEEDED(decoder->GetFrame(0, frame.put())) &&
            SUCCEEDED(factory->CreateFormatConverter(converter.put())) &&
            SUCCEEDED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                            nullptr, 0.0, WICBitmapPaletteTypeCustom)) &&
            SUCCEEDED(converter->GetSize(&w, &h)) && w == width && h == height &&
            SUCCEEDED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                            reinterpret_cast<BYTE*>(bgr.data())))) {
            for (std::uint32_t& px : bgr) px &= 0xFFFFFF;
            pixels = std::move(bgr);
        }
    }
    if (SUCCEEDED(entered)) ::CoUninitialize();
    return pixels;
}

// The largest difference between two 0xRRGGBB colours in any channel.
int ChannelDistance(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return worst;
}

void PicturesAreDrawnOneToOneFromTheTopLeft() {
    Win32Platform p;
    const std::uint32_t face = ToRgb(::GetSysColor(COLOR_BTNFACE));

    Snapshot intro = Render(p.CreateForm(Form("Intro", 480, 360, IDR_INTRO_PICTURE)));
    CHECK(intro.width == 480 && intro.height == 360);
    int mismatches = 0;
    for (int y = 0; y < 360; y += 7)
        for (int x = 0; x < 480; x += 5) mismatches += intro.At(x, y) != BmpPixel(x, y);
    CHECK(mismatches == 0);
    CHECK(intro.At(479, 359) == BmpPixel(479, 359));

    // A smaller window clips the picture instead of shrinking it.
    Snapshot clipped = Render(p.CreateForm(Form("Clipped", 200, 100, IDR_INTRO_PICTURE)));
    CHECK(clipped.At(199, 99) == BmpPixel(199, 99) && clipped.At(100, 50) == BmpPixel(100, 50));

    // The idle picture is a 200 x 90 progressive JPEG, drawn as another
    // decoder reads the same file; the rest of a larger window shows the
    // form colour.
    const std::vector<std::uint32_t> decoded = WicPixels(IDR_IDLE_PICTURE, 200, 90);
    Snapshot idle = Render(p.CreateForm(Form("Idle", 220, 100, IDR_IDLE_PICTURE)));
    int worst = decoded.empty() ? 256 : 0;
    bool marginIsFace = true;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 220; ++x)
            if (x >= 200 || y >= 90)
                marginIsFace &= idle.At(x, y) == face;
            else if (!decoded.empty())
                worst = std::max(worst, ChannelDistance(idle.At(x, y), decoded[std::size_t(y * 200 + x)]));
    std::printf("    idle picture: every channel within %d of WIC's decode\n", worst);
    // JPEG decoders may round differently; a shifted, flipped or
    // channel-swapped picture is off by far more.
    CHECK(worst <= 2);
    CHECK(marginIsFace);
}

void LabelsDrawTransparentClippedText() {
    Win32Platform p;
    FormLayout layout = Form("Labels", 480, 360, IDR_INTRO_PICTURE);
    ControlLayout top = Label("Label1", 250, 100, 60, 20);
    top.foreColor = platform::Rgb{255, 0, 0};
    ControlLayout under = Label("Label2", 250, 100, 60, 20);
    under.foreColor = platform::Rgb{0, 255, 0};
    layout.controls = {Label("Label0", 40, 40, 100, 20), top, under};
    WindowId form = p.CreateForm(layout);
    const Snapshot empty = Render(form);

    p.SetControlText(form, 0, "Been Idle for: WWWWWWWWWWWWWW and much more text than fits in the label");
    CHECK(p.ControlText(form, 0).rfind("Been Idle for:", 0) == 0);
    const Snapshot drawn = Render(form);
    int changedInside = 0, changedOutside = 0, cyan = 0;
    for (int y = 0; y < 360; ++y) {
        for (int x = 0; x < 480; ++x) {
            if (drawn.At(x, y) == empty.At(x, y)) continue;
            const bool inside = x >= 40 && x < 140 && y >= 40 && y < 60;
            (inside ? changedInside : changedOutside)++;
            cyan += drawn.At(x, y) == 0x00FFFF;
        }
    }
    CHECK(cyan > 20);
    CHECK(changedOutside == 0);
    CHECK(changedInside < 100 * 20 / 2);  // the picture shows between the letters
    std::printf("    label: %d pixels changed, %d of them cyan\n", changedInside, cyan);

    p.SetControlVisible(form, 0, false);
    CHECK(Render(form).pixels == empty.pixels);

    // Same place, same text: the one first in layout order is on top.
    p.SetControlText(form, 2, "MMMMMM");
    p.SetControlText(form, 1, "MMMMMM");
    const Snapshot stacked = Render(form);
    int red = 0, green = 0;
    for (int y = 100; y < 120; ++y)
        for (int x = 250; x < 310; ++x) {
            red += stacked.At(x, y) == 0xFF0000;
            green += stacked.At(x, y) == 0x00FF00;
        }
    CHECK(red > 0 && green == 0);
}

void MousePressesOnLabelsBecomeEvents() {
    Win32Platform p;
    Recorder sink;
    p.SetEventSink(&sink);
    FormLayout layout = Form("Mouse", 300, 200);
    // Label0 lies over Label1 where they overlap (x 50..99).
    layout.controls = {Label("Label0", 0, 0, 100, 50, "top", Cursor::UpArrow),
                       Label("Label1", 50, 0, 100, 50, "under")};
    WindowId form = p.CreateForm(layout);
    HWND h = H(form);
    auto send = [&](UINT message, int x, int y) {
        ::SendMessageW(h, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
    };
    auto last = [&] { return sink.events.empty() ? Event{} : sink.events.back(); };

    send(WM_LBUTTONDOWN, 60, 10);
    CHECK(sink.events.size() == 1 && last().kind == EventKind::MouseDown && last().control == 0 &&
          last().button == MouseButton::Left && last().form == form);
    CHECK(::GetCapture() == h);
    send(WM_LBUTTONUP, 70, 20);
    CHECK(sink.events.size() == 2 && last().kind == EventKind::Click && last().control == 0);
    CHECK(::GetCapture() == nullptr);

    // Released off the label: no click.
    send(WM_LBUTTONDOWN, 120, 10);
    CHECK(last().kind == EventKind::MouseDown && last().control == 1);
    send(WM_LBUTTONUP, static_cast<WORD>(-5), 10);
    CHECK(sink.events.size() == 3);

    // The capture taken away (as before a system move): no click either.
    send(WM_LBUTTONDOWN, 10, 10);
    p.ReleaseCapture();
    send(WM_LBUTTONUP, 10, 10);
    CHECK(sink.events.size() == 4 && last().kind == EventKind::MouseDown);

    send(WM_RBUTTONDOWN, 10, 10);
    CHECK(last().kind == EventKind::MouseDown && last().button == MouseButton::Right);
    send(WM_RBUTTONUP, 10, 10);
    send(WM_MBUTTONDOWN, 140, 10);
    CHECK(last().kind == EventKind::MouseDown && last().button == MouseButton::Middle &&
          last().control == 1);
    CHECK(sink.events.size() == 6);

    // Nothing under the pointer, or a hidden label: no event.
    send(WM_LBUTTONDOWN, 200, 150);
    send(WM_LBUTTONUP, 200, 150);
    p.SetControlVisible(form, 1, false);
    send(WM_RBUTTONDOWN, 140, 10);
    CHECK(sink.events.size() == 6);
    p.SetControlVisible(form, 1, true);

    // The cursor follows the topmost label under the pointer.
    p.ShowForm(form);
    RECT window{};
    ::GetWindowRect(h, &window);
    auto cursorAt = [&](int x, int y) {
        ::SetCursorPos(window.left + x, window.top + y);
        ::SendMessageW(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return ::GetCursor();
    };
    HCURSOR upArrow = ::LoadCursorW(nullptr, IDC_UPARROW);
    HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    CHECK(cursorAt(20, 20) == upArrow);
    CHECK(cursorAt(70, 20) == upArrow);
    CHECK(cursorAt(120, 20) == arrow);
    CHECK(cursorAt(250, 150) == arrow);
    p.HideForm(form);
    p.SetEventSink(nullptr);
}

void TimersTickOnlyWhileEnabled() {
    Win32Platform p;
    Recorder sink;
    p.SetEventSink(&sink);
    FormLayout layout = Form("Timers", 50, 50);
    layout.controls = {Timer("Timer0", 20, true), Timer("Timer1", 20, false), Timer("Timer2", 0, true)};
    WindowId form = p.CreateForm(layout);
    CHECK(p.TimerEnabled(form, 0) && !p.TimerEnabled(form, 1) && p.TimerEnabled(form, 2));

    // Ticks come while the window is hidden too.
    CHECK(PumpUntil(p, [&] { return sink.Count(0, EventKind::Timer) >= 3; }));
    CHECK(sink.Count(1, EventKind::Timer) == 0 && sink.Count(2, EventKind::Timer) == 0);
    for (const Event& e : sink.events) CHECK(e.form == form);

    p.SetTimerEnabled(form, 0, false);
    CHECK(!p.TimerEnabled(form, 0));
    const int ticks = sink.Count(0, EventKind::Timer);
    p.SetTimerEnabled(form, 1, true);
    CHECK(PumpUntil(p, [&] { return sink.Count(1, EventKind::Timer) >= 5; }));
    CHECK(sink.Count(0, EventKind::Timer) == ticks);
    CHECK(sink.Count(2, EventKind::Timer) == 0);
    p.SetEventSink(nullptr);
}

void ButtonsArePushButtonsAboveTheLabels() {
    Win32Platform p;
    Recorder sink;
    p.SetEventSink(&sink);
    FormLayout layout = Form("Buttons", 480, 360, IDR_INTRO_PICTURE);
    ControlLayout button;
    button.name = "SSCommand1";
    button.kind = ControlKind::Button;
    button.left = 5040;
    button.top = 4560;
    button.width = 1815;
    button.height = 375;
    button.text = "-- E N T E R --";
    button.visible = false;
    button.font = platform::Font{"Arial", 12, 700};
    layout.controls = {button, Label("Label1", 0, 0, 481, 353)};
    WindowId form = p.CreateForm(layout);
    p.ShowForm(form);

    HWND child = H(p.FindWindowExA(form, 0, "Button"));
    CHECK(child != nullptr);
    CHECK(!(::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE));
    wchar_t text[32] = {};
    ::GetWindowTextW(child, text, 32);
    CHECK(std::wcscmp(text, L"-- E N T E R --") == 0);
    CHECK(p.ControlText(form, 0) == "-- E N T E R --");
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)), sizeof font, &font);
    CHECK(font.lfHeight == -16 && font.lfWeight == 700);
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, H(form), reinterpret_cast<POINT*>(&r), 2);
    CHECK(r.left == 336 && r.top == 304 && r.right - r.left == 121 && r.bottom - r.top == 25);

    p.SetControlVisible(form, 0, true);
    CHECK(::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE);
    ::SendMessageW(child, BM_CLICK, 0, 0);
    CHECK(PumpUntil(p, [&] { return sink.Count(0, EventKind::Click) == 1; }));
    CHECK(sink.Count(1, EventKind::Click) == 0);
    // Clicking it never reaches the label beneath.
    CHECK(sink.Count(1, EventKind::MouseDown) == 0);

    p.SetControlText(form, 0, "Go \xE2\x86\x92");
    ::GetWindowTextW(child, text, 32);
    CHECK(std::wcscmp(text, L"Go \u2192") == 0);
    p.HideForm(form);
    p.SetEventSink(nullptr);
}

// The idle window as the program creates it. Its labels are drawn by the
// window itself, so each is judged by its ink: the pixels its text changes.
// That ink must be cyan, lie inside the label, and be exactly what GDI draws
// for the text in the counter font, "MS Serif" (or its stand-in) at 8.25
// points, 11 pixels at 96 dpi, normal weight.
void TheIdleWindowsTextsAreCyanInTheCounterFontInsideTheirLabels() {
    Win32Platform p;
    const FormLayout layout = forms::Form2::Layout();
    const WindowId form = p.CreateForm(layout);
    const Snapshot drawn = Render(form);
    LOGFONTW lf{};
    lf.lfHeight = -11;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = ANSI_CHARSET;
    const std::wstring face = w32::FontCatalog().ResolveFace("MS Serif");
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    const w32::UniqueGdi<HFONT> counterFont(::CreateFontIndirectW(&lf));

    int checked = 0;
    for (ControlId id = 0; id < static_cast<ControlId>(layout.controls.size()); ++id) {
        const ControlLayout& label = layout.controls[static_cast<std::size_t>(id)];
        if (label.name != "Label1" && label.name != "Label2" && label.name != "Label3") continue;
        ++checked;
        const std::string text = p.ControlText(form, id);
        p.SetControlText(form, id, "");
        const Snapshot bare = Render(form);
        p.SetControlText(form, id, text);
        const RECT rect{static_cast<LONG>(label.left / kPx), static_cast<LONG>(label.top / kPx),
                        static_cast<LONG>((label.left + label.width) / kPx),
                        static_cast<LONG>((label.top + label.height) / kPx)};
        const Snapshot expected = TextAlone(drawn.width, drawn.height, rect, w32::Utf8ToWide(text), counterFont.get());
        int ink = 0, outside = 0, notCyan = 0, unlike = 0, top = drawn.height, bottom = -1;
        for (int y = 0; y < drawn.height; ++y) {
            for (int x = 0; x < drawn.width; ++x) {
                const bool inked = drawn.At(x, y) != bare.At(x, y);
                ink += inked;
                outside += inked && !::PtInRect(&rect, POINT{x, y});
                notCyan += inked && drawn.At(x, y) != 0x00FFFF;
                unlike += inked != (expected.At(x, y) != 0);
                if (inked) top = std::min(top, y), bottom = std::max(bottom, y);
            }
        }
        std::printf("    %s \"%s\": %d pixels on rows %d to %d; %d outside, %d not cyan, %d unlike the counter font\n",
                    label.name.c_str(), text.c_str(), ink, top, bottom, outside, notCyan, unlike);
        CHECK(ink > 0 && outside == 0 && notCyan == 0 && unlike == 0);
    }
    CHECK(checked == 3);
}

// The intro window as the program creates it: the font read back from the
// ENTER button is 12-point bold, and the button draws its text with thicker
// strokes than the same button in that font at normal weight.
void TheEnterButtonsTextIsBold() {
    Win32Platform p;
    const WindowId form = p.CreateForm(forms::Form1::Layout());
    HWND button = H(p.FindWindowExA(form, 0, "Button"));
    CHECK(button != nullptr);
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(button, WM_GETFONT, 0, 0)), sizeof font, &font);
    CHECK(font.lfWeight == FW_BOLD && font.lfHeight == -16);

    font.lfWeight = FW_NORMAL;
    const w32::UniqueGdi<HFONT> normalFont(::CreateFontIndirectW(&font));
    RECT r{};
    ::GetClientRect(button, &r);
    wchar_t text[32] = {};
    ::GetWindowTextW(button, text, 32);
    const w32::UniqueHwnd normal(::CreateWindowExW(0, L"BUTTON", text, WS_POPUP | BS_PUSHBUTTON, 0, 0, r.right,
                                                   r.bottom, nullptr, nullptr, nullptr, nullptr));
    ::SendMessageW(normal.get(), WM_SETFONT, reinterpret_cast<WPARAM>(normalFont.get()), FALSE);
    const std::uint32_t ink = ToRgb(::GetSysColor(COLOR_BTNTEXT));
    const int bold = Render(button).Count(ink), regular = Render(normal.get()).Count(ink);
    std::printf("    ENTER: %d text pixels in bold, %d at normal weight\n", bold, regular);
    CHECK(regular > 0 && bold >= regular * 5 / 4);
}

void FontsFallBackToInstalledFaces() {
    w32::FontCatalog fonts;
    for (const char* face : {"MS Serif", "Arial", "MS Sans Serif"}) {
        const std::wstring resolved = fonts.ResolveFace(face);
        CHECK(!resolved.empty() && fonts.IsInstalled(resolved));
        std::printf("    %s -> %ls\n", face, resolved.c_str());
    }
    CHECK(fonts.ResolveFace("No Such Face At All").empty());
    CHECK(w32::FontPixelHeight(8.25f) == -11 && w32::FontPixelHeight(12) == -16);
    // Even an unknown face gives a usable font.
    const auto font = fonts.Create(platform::Font{"No Such Face At All", 10, 400});
    CHECK(static_cast<bool>(font));
    LOGFONTW asked{};
    CHECK(::GetObjectW(font.get(), sizeof asked, &asked) == sizeof asked && asked.lfCharSet == ANSI_CHARSET);
}

void TextGoesToForeignWindowsInTheAnsiCodePage() {
    Win32Platform p;
    w32::UniqueHwnd edit(::CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                           nullptr, nullptr));
    const WindowId target = Id(edit.get());
    CHECK(p.SendSetText(target, "Caf\xC3\xA9 \xC3\xBC \xE2\x82\xAC", 1s));
    char bytes[64] = {};
    ::GetWindowTextA(edit.get(), bytes, sizeof bytes);
    // The program is built for Windows-1252: a machine with another ANSI
    // code page cannot check these bytes, so it fails instead of skipping.
    CHECK(::GetACP() == 1252);
    CHECK(std::strcmp(bytes, "Caf\xE9 \xFC \x80") == 0);
    ::SendMessageA(edit.get(), EM_SETSEL, 3, 3);
    CHECK(p.SendChar(target, 'x', 1s));
    ::GetWindowTextA(edit.get(), bytes, sizeof bytes);
    CHECK(std::strncmp(bytes, "Cafx", 4) == 0);
    CHECK(p.SendSetText(target, "", 1s));
    CHECK(::GetWindowTextLengthA(edit.get()) == 0);

    CHECK(!p.SendSetText(platform::kNoWindow, "lost", 1s));
    edit.reset();
    CHECK(!p.SendSetText(target, "lost", 1s));
    CHECK(!p.SendChar(target, 13, 1s));

    WindowId form = p.CreateForm(Form("Findable", 10, 10));
    CHECK(p.FindWindowA("KorvoForm") != 0);
    CHECK(p.FindWindowA("NoSuchClassAnywhere") == 0);
    CHECK(p.FindWindowExA(0, 0, "KorvoForm") != 0);
    CHECK(p.FindWindowExA(form, 0, "Button") == 0);
}

struct BoxSeen {
    std::wstring title, text;
    HWND owner = nullptr;
    bool icon = false;
    int polls = 0;
};
BoxSeen g_box;

BOOL CALLBACK FindBox(HWND hwnd, LPARAM) {
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    if (std::wcscmp(cls, L"#32770") != 0 || !::IsWindowVisible(hwnd)) return TRUE;
    wchar_t buffer[256] = {};
    ::GetWindowTextW(hwnd, buffer, 256);
    g_box.title = buffer;
    ::GetDlgItemTextW(hwnd, 0xFFFF, buffer, 256);
    g_box.text = buffer;
    g_box.owner = ::GetWindow(hwnd, GW_OWNER);
    // Windows names the icon static 20, Wine 0x440.
    for (int id : {20, 0x440}) {
        HWND icon = ::GetDlgItem(hwnd, id);
        if (icon && ::IsWindowVisible(icon) && ::SendMessageW(icon, STM_GETICON, 0, 0)) g_box.icon = true;
    }
    ::PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    return FALSE;
}

void CALLBACK PollForBox(HWND, UINT, UINT_PTR, DWORD) {
    ++g_box.polls;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindBox, 0);
}

void MessageBoxesCarryTheProgramTitle() {
    Win32Platform p;
    WindowId form = p.CreateForm(Form("Owner", 100, 100));
    p.ShowForm(form);
    const UINT_PTR poll = ::SetTimer(nullptr, 0, 30, PollForBox);

    g_box = {};
    p.ShowMessage("You have been idle \xE2\x80\x93 Ok?");
    CHECK(g_box.title == L"Korvo Idle v2 by qel");
    CHECK(g_box.text == L"You have been idle \u2013 Ok?");
    CHECK(g_box.owner == H(form));
    CHECK(!g_box.icon);

    g_box = {};
    p.ShowRuntimeError("Run-time error");
    CHECK(g_box.title == L"Korvo Idle v2 by qel");
    CHECK(g_box.icon);

    // With no window showing, the box still comes and goes.
    p.HideForm(form);
    g_box = {};
    p.ShowMessage("alone");
    CHECK(g_box.text == L"alone" && g_box.owner == nullptr);
    ::KillTimer(nullptr, poll);
}

void PumpingAndWaitingReturnWhenTheyShould() {
    Win32Platform p;
    WindowId form = p.CreateForm(Form("Pump", 10, 10));
    ::PostQuitMessage(3);
    p.PumpMessages();  // returns with the quit still queued for the outer loop
    MSG msg;
    CHECK(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && msg.wParam == 3);

    p.WaitForInput(p.Now() - 1s);
    ::PostMessageW(H(form), WM_NULL, 0, 0);
    const auto deadline = p.Now() + 60s;
    p.WaitForInput(deadline);
    CHECK(p.Now() < deadline);
    p.PumpMessages();
    CHECK(!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) || msg.message != WM_NULL);
}

// In a child process: a close request ends the program with code 0.
int CloseChild() {
    Win32Platform p;
    WindowId form = p.CreateForm(Form("Closing", 50, 50));
    p.ShowForm(form);
    ::PostMessageW(H(form), WM_CLOSE, 0, 0);
    p.Run();
    return 7;  // Run came back: the close request did not end the program
}

void ClosingAFormEndsTheProgram() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(path) + L"\" --close-child";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    CHECK(::CreateProcessW(path, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    UniqueKernelHandle process(pi.hProcess);
    UniqueKernelHandle thread(pi.hThread);
    if (!process) return;
    const bool ended = ::WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0;
    CHECK(ended);
    DWORD code = 99;
    ::GetExitCodeProcess(process.get(), &code);
    CHECK(code == 0);
    if (!ended) ::TerminateProcess(process.get(), 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--close-child") == 0) return CloseChild();
    // A system error text as the error box would show it, for a run in
    // another language.
    if (argc > 1 && std::strcmp(argv[1], "--error-text") == 0) {
        std::printf("%s\n", w32::DescribeError("x", ERROR_ACCESS_DENIED).c_str());
        return 0;
    }

    const struct {
        const char* name;
        void (*run)();
    } groups[] = {
        {"formsAreHiddenFramelessPopupsPlacedInTwips", FormsAreHiddenFramelessPopupsPlacedInTwips},
        {"captionsRoundTripAnyText", CaptionsRoundTripAnyText},
        {"badIdsAndWrongKindsThrow", BadIdsAndWrongKindsThrow},
        {"picturesAreDrawnOneToOneFromTheTopLeft", PicturesAreDrawnOneToOneFromTheTopLeft},
        {"labelsDrawTransparentClippedText", LabelsDrawTransparentClippedText},
        {"mousePressesOnLabelsBecomeEvents", MousePressesOnLabelsBecomeEvents},
        {"timersTickOnlyWhileEnabled", TimersTickOnlyWhileEnabled},
        {"buttonsArePushButtonsAboveTheLabels", ButtonsArePushButtonsAboveTheLabels},
        {"theIdleWindowsTextsAreCyanInTheCounterFontInsideTheirLabels",
         TheIdleWindowsTextsAreCyanInTheCounterFontInsideTheirLabels},
        {"theEnterButtonsTextIsBold", TheEnterButtonsTextIsBold},
        {"fontsFallBackToInstalledFaces", FontsFallBackToInstalledFaces},
        {"textGoesToForeignWindowsInTheAnsiCodePage", TextGoesToForeignWindowsInTheAnsiCodePage},
        {"messageBoxesCarryTheProgramTitle", MessageBoxesCarryTheProgramTitle},
        {"pumpingAndWaitingReturnWhenTheyShould", PumpingAndWaitingReturnWhenTheyShould},
        {"closingAFormEndsTheProgram", ClosingAFormEndsTheProgram},
    };
    int failedGroups = 0;
    for (const auto& group : groups) {
        const int before = g_failures;
        try {
            group.run();
        } catch (const std::exception& error) {
            ++g_failures;
            std::printf("    unexpected exception: %s\n", error.what());
        }
        // Every backend is gone by now, and its windows with it.
        if (TopLevelFormCount() != 0) {
            ++g_failures;
            std::printf("    windows left behind\n");
        }
        const bool ok = g_failures == before;
        failedGroups += !ok;
        std::printf("[%s] %s\n", ok ? " OK " : "FAIL", group.name);
        std::fflush(stdout);
    }
    std::printf("%d of %zu groups failed\n", failedGroups, std::size(groups));
    return failedGroups == 0 ? 0 : 1;
}
