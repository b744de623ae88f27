// The real backend: the program's windows on the Win32 desktop. This header
// stays free of <windows.h>; only platform/win32 sources include it.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace platform::win32 {

class Win32Platform : public platform::Platform {
public:
    // For the running executable's module. Throws platform::RuntimeError
    // when the window class cannot be registered.
    Win32Platform();
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    // The message loop. The program ends through End(), so this returns only
    // on WM_QUIT, with its exit code.
    int Run();

    void SetEventSink(EventSink* sink) override;

    WindowId CreateForm(const FormLayout& layout) override;
    void ShowForm(WindowId form) override;
    void HideForm(WindowId form) override;
    bool Visible(WindowId form) override;
    void DestroyForm(WindowId form) override;
    std::string Caption(WindowId form) override;
    void SetCaption(WindowId form, std::string_view text) override;
    float Left(WindowId form) override;
    float Top(WindowId form) override;
    float Width(WindowId form) override;
    float Height(WindowId form) override;
    void SetLeft(WindowId form, float twips) override;
    void SetTop(WindowId form, float twips) override;
    void Minimize(WindowId form) override;
    float ScreenWidth() override;
    float ScreenHeight() override;

    std::string ControlText(WindowId form, ControlId control) override;
    void SetControlText(WindowId form, ControlId control, std::string_view text) override;
    void SetControlVisible(WindowId form, ControlId control, bool visible) override;
    bool TimerEnabled(WindowId form, ControlId timer) override;
    void SetTimerEnabled(WindowId form, ControlId timer, bool enabled) override;

    void ShowMessage(std::string_view text) override;
    void ShowRuntimeError(std::string_view text) override;
    void PumpMessages() override;
    void WaitForInput(std::chrono::nanoseconds deadline) override;
    std::chrono::nanoseconds Now() override;
    double SecondsSinceMidnight() override;
    [[noreturn]] void End() override;
    void Randomize() override;
    float Rnd() override;

    WindowId FindWindowA(const char* className) override;
    WindowId FindWindowExA(WindowId parent, WindowId childAfter, const char* className) override;
    bool SendSetText(WindowId target, std::string_view utf8,
                     std::chrono::milliseconds timeout) override;
    bool SendChar(WindowId target, unsigned code, std::chrono::milliseconds timeout) override;
    void SendSysCommand(WindowId target, unsigned wParam, std::intptr_t lParam) override;
    void SetWindowPos(WindowId window, std::intptr_t insertAfter, int x, int y, int cx, int cy,
                      unsigned flags) override;
    void ReleaseCapture() override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace platform::win32
