// Placement and window-state helpers. Each reads the window and the screen
// afresh at every call and keeps nothing between calls.
#include "winhelpers/winhelpers.h"

namespace winhelpers {

namespace {
constexpr unsigned kScDragMove = 0xF012;  // SC_MOVE | HTCAPTION: move as if the caption were grabbed
}

void CenterOnScreen(platform::Window& window) {
    // The left is written before the height is read; no rounding, no clamping.
    const double width = window.Width();
    const double screenWidth = window.ScreenWidth();
    window.SetLeft(static_cast<float>((screenWidth - width) / 2));
    const double height = window.Height();
    const double screenHeight = window.ScreenHeight();
    window.SetTop(static_cast<float>((screenHeight - height) / 2));
}

void PinOnTop(platform::Window& window) {
    window.platform().SetWindowPos(window.hWnd(), platform::kHwndTopmost, 0, 0, 0, 0,
                                   platform::kSwpNoSize | platform::kSwpNoMove);
}

void BeginWindowDrag(platform::Window& window) {
    // The press gave the program the mouse capture; let it go so the window
    // system can take over the mouse.
    window.platform().ReleaseCapture();
    window.platform().SendSysCommand(window.hWnd(), kScDragMove, 0);
}

void MinimizeWindow(platform::Window& window) { window.Minimize(); }

}  // namespace winhelpers
