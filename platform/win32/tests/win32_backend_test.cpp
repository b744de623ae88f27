// The Win32 backend on a real desktop (under Wine and a virtual X display in
// the cross build): the window, control, event and pass-through behaviour the
// program relies on, and how the program's own two windows draw their texts.
// GoogleTest; a few measured figures go to the XML report as properties.
#include <windows.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
using platform::kNoWindow;
using platform::win32::Win32Platform;
namespace w32 = platform::win32;

using platform::win32::ToHwnd;

// Edges of a rectangle (left, top, right, bottom), and a form's outer place
// in twips (left, top, width, height), compared whole.
using Edges = std::array<LONG, 4>;
Edges EdgesOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
using Place = std::array<float, 4>;
Place PlaceOf(Win32Platform& p, WindowId form) { return {p.Left(form), p.Top(form), p.Width(form), p.Height(form)}; }

// What `act` throws as the runtime error; a marker when it throws nothing.
template <typename Act>
std::string RuntimeErrorOf(Act&& act) {
    try {
        act();
    } catch (const RuntimeError& error) {
        return error.what();
    }
    return "(no runtime error)";
}

struct Recorder final : platform::EventSink {
    std::vector<Event> events;
    void OnEvent(const Event& event) noexcept override { events.push_back(event); }
    // Each event as "Click 0", "MouseDown Left 1": what, where, and which
    // button pressed.
    std::vector<std::string> Seen() const {
        std::vector<std::string> seen;
        for (const Event& e : events) {
            static const char* const kButtons[] = {"Left", "Right", "Middle"};
            const std::string control = std::to_string(e.control);
            switch (e.kind) {
                case EventKind::Click: seen.push_back("Click " + control); break;
                case EventKind::MouseDown:
                    seen.push_back(std::string("MouseDown ") + kButtons[static_cast<int>(e.button)] + " " + control);
                    break;
                case EventKind::Timer: seen.push_back("Timer " + control); break;
                case EventKind::Close: seen.push_back("Close"); break;
            }
        }
        return seen;
    }
};
using Seen = std::vector<std::string>;

// Layout pieces, in pixels for readability.
constexpr float kPx = platform::PixelsToTwips(1);

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
Snapshot Render(WindowId form) { return Render(ToHwnd(form)); }

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


// Every test's backend is gone by its end, and its windows with it.
class Win32Backend : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(TopLevelFormCount(), 0) << "windows left behind"; }
};

// ---- Tests --------------------------------------------------------------------

TEST_F(Win32Backend, FormsAreHiddenFramelessPopupsPlacedInTwips) {
    Win32Platform p;
    WindowId tool = p.CreateForm(Form("Tool", 200, 100));
    HWND h = ToHwnd(tool);
    wchar_t cls[32] = {};
    ::GetClassNameW(h, cls, 32);
    EXPECT_STREQ(cls, L"KorvoForm");
    EXPECT_FALSE(::IsWindowVisible(h));
    const LONG style = ::GetWindowLongW(h, GWL_STYLE);
    const LONG exStyle = ::GetWindowLongW(h, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);

    RECT window{}, client{};
    ::GetWindowRect(h, &window);
    ::GetClientRect(h, &client);
    EXPECT_EQ(EdgesOf(window), (Edges{40, 30, 240, 130}));
    EXPECT_EQ(EdgesOf(client), (Edges{0, 0, 200, 100}));
    EXPECT_EQ(PlaceOf(p, tool), (Place{600, 450, 3000, 1500}));

    // Writes snap to the nearest pixel and read back at once.
    p.SetLeft(tool, 1507.4f);
    EXPECT_EQ(p.Left(tool), 1500);
    p.SetLeft(tool, 1508.0f);
    EXPECT_EQ(p.Left(tool), 1515);
    EXPECT_EQ(p.Top(tool), 450);
    p.SetTop(tool, -750);
    EXPECT_EQ(PlaceOf(p, tool), (Place{1515, -750, 3000, 1500}));

    FormLayout withButton = Form("Taskbar", 50, 50);
    withButton.taskbarButton = true;
    WindowId app = p.CreateForm(withButton);
    EXPECT_TRUE(::GetWindowLongW(ToHwnd(app), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_FALSE(::GetWindowLongW(ToHwnd(app), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(::GetWindowLongW(ToHwnd(app), GWL_STYLE) & WS_MINIMIZEBOX);

    FormLayout placed = Form("Default", 50, 50);
    placed.placement = platform::Placement::PlatformDefault;
    WindowId byDefault = p.CreateForm(placed);
    EXPECT_EQ(p.Width(byDefault), 750);
    EXPECT_FALSE(::IsWindowVisible(ToHwnd(byDefault)));
}

// Controls of the wrong kind: the backends' agreement test.
TEST_F(Win32Backend, BadIdsThrow) {
    Win32Platform p;
    FormLayout layout = Form("Ids", 50, 50);
    layout.controls = {Label("Label1", 0, 0, 10, 10)};
    WindowId form = p.CreateForm(layout);
    EXPECT_THROW(p.Left(12345), RuntimeError);
    EXPECT_THROW(p.ShowForm(kNoWindow), RuntimeError);
    EXPECT_THROW(p.SetCaption(12345, "x"), RuntimeError);
    EXPECT_THROW(p.ControlText(form, 1), RuntimeError);
    EXPECT_THROW(p.ControlText(form, -1), RuntimeError);
    EXPECT_EQ(RuntimeErrorOf([&] { p.Left(0xABC); }), "Left: no program window 0x00000ABC");

    // A picture that does not decode, or is not there, leaves no window.
    const int before = TopLevelFormCount();
    const std::string broken = RuntimeErrorOf([&] { p.CreateForm(Form("Broken", 50, 50, 900)); });
    RecordProperty("broken picture", broken);
    EXPECT_NE(broken.find("picture 900"), std::string::npos) << broken;
    EXPECT_THROW(p.CreateForm(Form("Missing", 50, 50, 901)), RuntimeError);
    EXPECT_EQ(TopLevelFormCount(), before);
}

TEST_F(Win32Backend, ErrorTextsGiveHresultsInHexAndWin32CodesInDecimal) {
    const std::string hresult = w32::DescribeError("x", 0x80004005UL);
    const std::string win32 = w32::DescribeError("x", ERROR_ACCESS_DENIED);
    EXPECT_TRUE(hresult.starts_with("x failed (error 0x80004005: ")) << hresult;
    EXPECT_TRUE(win32.starts_with("x failed (error 5: ")) << win32;
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

// Each picture as another decoder reads the same file: the intro picture, a
// plain BMP, exactly, in a window of its size and clipped in a smaller one;
// the idle picture, a 200 x 90 progressive JPEG, to within what JPEG
// decoders round differently (a shifted, flipped or channel-swapped picture
// is off by far more), with the form colour in the rest of a larger window.
TEST_F(Win32Backend, PicturesAreDrawnOneToOneFromTheTopLeft) {
    Win32Platform p;
    const std::uint32_t face = ToRgb(::GetSysColor(COLOR_BTNFACE));
    struct Case {
        int id;
        UINT width, height;  // the picture's
        int windowWidth, windowHeight, tolerance;
    };
    for (const Case& c : {Case{IDR_INTRO_PICTURE, 480, 360, 480, 360, 0}, Case{IDR_INTRO_PICTURE, 480, 360, 200, 100, 0},
                          Case{IDR_IDLE_PICTURE, 200, 90, 220, 100, 2}}) {
        SCOPED_TRACE(c.id);
        const std::vector<std::uint32_t> decoded = WicPixels(c.id, c.width, c.height);
        ASSERT_FALSE(decoded.empty()) << "WIC decodes the picture";
        const Snapshot shot = Render(p.CreateForm(Form("Picture", c.windowWidth, c.windowHeight, c.id)));
        ASSERT_EQ(std::make_pair(shot.width, shot.height), std::make_pair(c.windowWidth, c.windowHeight));
        int worst = 0;
        bool marginIsFace = true;
        for (int y = 0; y < shot.height; ++y)
            for (int x = 0; x < shot.width; ++x)
                if (x >= int(c.width) || y >= int(c.height))
                    marginIsFace &= shot.At(x, y) == face;
                else
                    worst = std::max(worst, ChannelDistance(shot.At(x, y), decoded[std::size_t(y) * c.width + x]));
        RecordProperty("picture " + std::to_string(c.id) + ": largest channel difference from WIC's decode", worst);
        EXPECT_LE(worst, c.tolerance);
        EXPECT_TRUE(marginIsFace);
    }
}

TEST_F(Win32Backend, MousePressesOnLabelsBecomeEvents) {
    Win32Platform p;
    Recorder sink;
    p.SetEventSink(&sink);
    FormLayout layout = Form("Mouse", 300, 200);
    // Label0 lies over Label1 where they overlap (x 50..99).
    layout.controls = {Label("Label0", 0, 0, 100, 50, "top", Cursor::UpArrow),
                       Label("Label1", 50, 0, 100, 50, "under")};
    WindowId form = p.CreateForm(layout);
    HWND h = ToHwnd(form);
    auto send = [&](UINT message, int x, int y) {
        ::SendMessageW(h, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
    };

    send(WM_LBUTTONDOWN, 60, 10);
    EXPECT_EQ(sink.Seen(), (Seen{"MouseDown Left 0"}));
    EXPECT_EQ(::GetCapture(), h);
    send(WM_LBUTTONUP, 70, 20);
    EXPECT_EQ(sink.Seen(), (Seen{"MouseDown Left 0", "Click 0"}));
    EXPECT_EQ(::GetCapture(), nullptr);

    // Released off the label: no click.
    send(WM_LBUTTONDOWN, 120, 10);
    send(WM_LBUTTONUP, static_cast<WORD>(-5), 10);
    // The capture taken away (as before a system move): no click either.
    send(WM_LBUTTONDOWN, 10, 10);
    p.ReleaseCapture();
    send(WM_LBUTTONUP, 10, 10);
    // The other buttons press too, and never click.
    send(WM_RBUTTONDOWN, 10, 10);
    send(WM_RBUTTONUP, 10, 10);
    send(WM_MBUTTONDOWN, 140, 10);
    const Seen pressed{"MouseDown Left 0", "Click 0",          "MouseDown Left 1",
                       "MouseDown Left 0", "MouseDown Right 0", "MouseDown Middle 1"};
    EXPECT_EQ(sink.Seen(), pressed);

    // Nothing under the pointer, or a hidden label: no event.
    send(WM_LBUTTONDOWN, 200, 150);
    send(WM_LBUTTONUP, 200, 150);
    p.SetControlVisible(form, 1, false);
    send(WM_RBUTTONDOWN, 140, 10);
    EXPECT_EQ(sink.Seen(), pressed);
    p.SetControlVisible(form, 1, true);
    EXPECT_EQ(std::count_if(sink.events.begin(), sink.events.end(), [&](const Event& e) { return e.form != form; }), 0);

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
    EXPECT_EQ(cursorAt(20, 20), upArrow);
    EXPECT_EQ(cursorAt(70, 20), upArrow);
    EXPECT_EQ(cursorAt(120, 20), arrow);
    EXPECT_EQ(cursorAt(250, 150), arrow);
    p.HideForm(form);
    p.SetEventSink(nullptr);
}

// The idle window as the program creates it. Its labels are drawn by the
// window itself, so each is judged by its ink: the pixels its text changes.
// That ink must be cyan, lie inside the label, and be exactly what GDI draws
// for the text in the counter font, "MS Serif" (or its stand-in) at 8.25
// points, 11 pixels at 96 dpi, normal weight: the picture shows between the
// letters, and a count too long for its label is cut at its edge. Hidden, a
// label leaves the picture as it was.
TEST_F(Win32Backend, TheIdleWindowsTextsAreCyanInTheCounterFontInsideTheirLabels) {
    Win32Platform p;
    const FormLayout layout = forms::Form2::Layout();
    const WindowId form = p.CreateForm(layout);
    LOGFONTW lf{};
    lf.lfHeight = -11;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = ANSI_CHARSET;
    w32::FontCatalog fonts;
    const std::wstring face = fonts.ResolveFace("MS Serif");
    ASSERT_TRUE(fonts.IsInstalled(face)) << "MS Serif falls back to an installed face";
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    const w32::UniqueGdi<HFONT> counterFont(::CreateFontIndirectW(&lf));

    int checked = 0;
    for (ControlId id = 0; id < static_cast<ControlId>(layout.controls.size()); ++id) {
        const ControlLayout& label = layout.controls[static_cast<std::size_t>(id)];
        if (label.name != "Label1" && label.name != "Label2" && label.name != "Label3") continue;
        ++checked;
        const RECT rect{static_cast<LONG>(label.left / kPx), static_cast<LONG>(label.top / kPx),
                        static_cast<LONG>((label.left + label.width) / kPx),
                        static_cast<LONG>((label.top + label.height) / kPx)};
        const std::string own = p.ControlText(form, id);
        p.SetControlText(form, id, "");
        const Snapshot bare = Render(form);
        for (const std::string& text : {own, std::string(40, '9')}) {
            SCOPED_TRACE(label.name + " \"" + text + "\"");
            p.SetControlText(form, id, text);
            EXPECT_EQ(p.ControlText(form, id), text);
            const Snapshot drawn = Render(form);
            const Snapshot expected =
                TextAlone(drawn.width, drawn.height, rect, w32::Utf8ToWide(text), counterFont.get());
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
            RecordProperty(label.name + " \"" + text + "\"", std::to_string(ink) + " pixels on rows " +
                                                                std::to_string(top) + " to " + std::to_string(bottom));
            EXPECT_GT(ink, 0);
            EXPECT_EQ(outside, 0);
            EXPECT_EQ(notCyan, 0);
            EXPECT_EQ(unlike, 0) << "pixels unlike the counter font";
        }
        p.SetControlVisible(form, id, false);
        EXPECT_TRUE(Render(form).pixels == bare.pixels) << "a hidden label leaves the picture as it was";
        p.SetControlVisible(form, id, true);
        p.SetControlText(form, id, own);
    }
    EXPECT_EQ(checked, 3);
}

// The intro window as the program creates it: ENTER's text and place, its
// font read back is 12-point bold, and the button draws its text with
// thicker strokes than the same button in that font at normal weight. Shown,
// hidden and clicked, it is the scenarios' ENTER.
TEST_F(Win32Backend, TheEnterButtonIsBoldInItsPlace) {
    Win32Platform p;
    const WindowId form = p.CreateForm(forms::Form1::Layout());
    HWND button = ToHwnd(p.FindWindowExA(form, 0, "Button"));
    ASSERT_NE(button, nullptr);
    RECT place{};
    ::GetWindowRect(button, &place);
    ::MapWindowPoints(nullptr, ToHwnd(form), reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(EdgesOf(place), (Edges{336, 304, 336 + 121, 304 + 25}));
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(button, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_EQ(font.lfHeight, -16);

    font.lfWeight = FW_NORMAL;
    const w32::UniqueGdi<HFONT> normalFont(::CreateFontIndirectW(&font));
    RECT r{};
    ::GetClientRect(button, &r);
    wchar_t text[32] = {};
    ::GetWindowTextW(button, text, 32);
    EXPECT_STREQ(text, L"-- E N T E R --");
    const w32::UniqueHwnd normal(::CreateWindowExW(0, L"BUTTON", text, WS_POPUP | BS_PUSHBUTTON, 0, 0, r.right,
                                                   r.bottom, nullptr, nullptr, nullptr, nullptr));
    ::SendMessageW(normal.get(), WM_SETFONT, reinterpret_cast<WPARAM>(normalFont.get()), FALSE);
    const std::uint32_t ink = ToRgb(::GetSysColor(COLOR_BTNTEXT));
    const int bold = Render(button).Count(ink), regular = Render(normal.get()).Count(ink);
    RecordProperty("ENTER: text pixels in bold", bold);
    RecordProperty("ENTER: text pixels at normal weight", regular);
    EXPECT_GT(regular, 0);
    EXPECT_GE(bold, regular * 5 / 4);
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

TEST_F(Win32Backend, MessageBoxesCarryTheProgramTitle) {
    Win32Platform p;
    WindowId form = p.CreateForm(Form("Owner", 100, 100));
    p.ShowForm(form);
    const UINT_PTR poll = ::SetTimer(nullptr, 0, 30, PollForBox);

    g_box = {};
    p.ShowMessage("You have been idle \xE2\x80\x93 Ok?");
    EXPECT_EQ(g_box.title, L"Korvo Idle v2 by qel");
    EXPECT_EQ(g_box.text, L"You have been idle \u2013 Ok?");
    EXPECT_EQ(g_box.owner, ToHwnd(form));
    EXPECT_FALSE(g_box.icon);

    g_box = {};
    p.ShowRuntimeError("Run-time error");
    EXPECT_EQ(g_box.title, L"Korvo Idle v2 by qel");
    EXPECT_TRUE(g_box.icon);

    // With no window showing, the box still comes and goes.
    p.HideForm(form);
    g_box = {};
    p.ShowMessage("alone");
    EXPECT_EQ(g_box.text, L"alone");
    EXPECT_EQ(g_box.owner, nullptr);
    ::KillTimer(nullptr, poll);
}

TEST_F(Win32Backend, PumpingAndWaitingReturnWhenTheyShould) {
    Win32Platform p;
    WindowId form = p.CreateForm(Form("Pump", 10, 10));
    ::PostQuitMessage(3);
    p.PumpMessages();  // returns with the quit still queued for the outer loop
    MSG msg{};
    EXPECT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);

    p.WaitForInput(p.Now() - 1s);
    ::PostMessageW(ToHwnd(form), WM_NULL, 0, 0);
    const auto deadline = p.Now() + 60s;
    p.WaitForInput(deadline);
    EXPECT_LT(p.Now(), deadline);
    p.PumpMessages();
    const bool queued = ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    EXPECT_FALSE(queued && msg.message == WM_NULL) << "the pump left the posted message queued";
}

// A close request, also one sent while the program waits in a send of its
// own, reaches the program as a Close event at its next pump: never between
// a line's text and its Enter.
TEST_F(Win32Backend, ACloseRequestComesAsAnEventAtTheNextPump) {
    Win32Platform p;
    Recorder recorder;
    p.SetEventSink(&recorder);
    WindowId form = p.CreateForm(Form("Closing", 50, 50));
    p.ShowForm(form);
    ::SendMessageW(ToHwnd(form), WM_CLOSE, 0, 0);
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_TRUE(::IsWindow(ToHwnd(form)));
    p.PumpMessages();
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.events[0].kind, EventKind::Close);
    EXPECT_EQ(recorder.events[0].form, form);
    p.DestroyForm(form);
    EXPECT_FALSE(::IsWindow(ToHwnd(form)));
}

}  // namespace

int main(int argc, char** argv) {
    // A system error text as the error box would show it, for a run in
    // another language (tests/e2e/backend.sh).
    if (argc > 1 && std::strcmp(argv[1], "--error-text") == 0) {
        std::printf("%s\n", w32::DescribeError("x", ERROR_ACCESS_DENIED).c_str());
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
