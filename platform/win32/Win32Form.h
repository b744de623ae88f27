// One program window: a frameless popup showing its picture, with windowless
// labels drawn over it, hidden text holders, timers and push buttons.
// Win32 backend only. The window procedure decodes messages into Events and
// hands them to the host; it never lets an exception out.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/Win32Fonts.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Picture.h"

namespace platform::win32 {

class FormHost {
public:
    virtual void Raise(const platform::Event& event) noexcept = 0;
    // A loop that the window system runs for one of the windows (moving
    // it, its system menu) began or ended.
    virtual void SystemLoop(bool entered) noexcept = 0;

protected:
    ~FormHost() = default;
};

class Win32Form {
public:
    static constexpr const wchar_t* kClassName = L"KorvoForm";
    // Once per process, before the first Create. Throws on failure.
    static void RegisterWindowClass(HINSTANCE instance);

    // The hidden window with its controls. Throws platform::RuntimeError.
    static std::unique_ptr<Win32Form> Create(FormHost& host, HINSTANCE instance,
                                             const platform::FormLayout& layout, Picture picture,
                                             FontCatalog& fonts);
    ~Win32Form();
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    HWND hwnd() const noexcept { return m_hwnd.get(); }
    platform::WindowId id() const noexcept;

    std::string ControlText(platform::ControlId control) const;
    void SetControlText(platform::ControlId control, std::string_view text);
    void SetControlVisible(platform::ControlId control, bool visible);
    bool TimerEnabled(platform::ControlId control) const;
    void SetTimerEnabled(platform::ControlId control, bool enabled);

private:
    struct ControlState {
        platform::ControlKind kind = platform::ControlKind::Label;
        std::string name;
        RECT rect{};  // pixels, client coordinates
        std::string text;
        bool visible = true;
        bool enabled = true;  // timers
        unsigned intervalMs = 0;
        platform::Cursor cursor = platform::Cursor::Arrow;
        COLORREF color = 0;
        UniqueGdi<HFONT> font;  // labels and buttons; outlives the button below
        UniqueHwnd button;      // buttons
    };

    Win32Form(FormHost& host, std::string name, Picture picture);

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void OnPaint();
    void Paint(HDC target, const RECT& area);
    void DrawScene(HDC dc, const RECT& client);
    bool OnSetCursor(WPARAM wParam, LPARAM lParam);
    void OnButtonDown(platform::MouseButton button, POINT at);
    void OnLeftButtonUp(POINT at);
    void OnTimer(WPARAM timerId);
    void OnCommand(WPARAM wParam);
    void OnClose();

    int LabelAt(POINT at) const;
    void Raise(platform::ControlId control, platform::EventKind kind,
               platform::MouseButton button = platform::MouseButton::Left);
    void StartTimer(platform::ControlId control);
    void CreateButton(HINSTANCE instance, platform::ControlId control);

    ControlState& At(platform::ControlId control, const char* what);
    const ControlState& At(platform::ControlId control, const char* what) const;
    [[noreturn]] void Unsupported(const ControlState& control, const char* what) const;
    // "call for Form.Control", what a failing call on a control reports.
    std::string ControlCall(const ControlState& control, const char* call) const;

    FormHost& m_host;
    std::string m_name;
    // Order matters: destruction runs upwards, so buttons and fonts go
    // before the window that parents them.
    UniqueHwnd m_hwnd;
    Picture m_picture;
    std::vector<ControlState> m_controls;
    platform::ControlId m_pressed = -1;  // label holding the capture after a left press
};

}  // namespace platform::win32
