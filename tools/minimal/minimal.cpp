// The smallest Win32 program with a window: one frameless 480 x 360 popup,
// centred, that closes on a click or WM_CLOSE. The benchmark's yardstick for
// start-up time and memory (never shipped); built like the other tools.
//
// `minimal moves N`: a click moves the window N times instead, one pixel
// each, without pumping messages in between (as the program's slide does
// after its click), and prints "moves N US" (microseconds in all) on stdout:
// the yardstick for one window move. No C stdio, so the baseline stays as
// small as it can be.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 360;
int g_moves = 0;  // moves per click; 0: a click closes the window

double NowMs() {
    LARGE_INTEGER frequency, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Each move reads the rect first, as the slide does before each step.
void MoveRepeatedly(HWND hwnd, int moves) {
    const double start = NowMs();
    for (int i = 0; i < moves; ++i) {
        RECT r;
        ::GetWindowRect(hwnd, &r);
        const int step = i % 2 == 0 ? 1 : -1;
        ::SetWindowPos(hwnd, nullptr, r.left + step, r.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    char line[64];
    const int n = ::wsprintfA(line, "moves\t%d\t%d\n", moves,
                              static_cast<int>((NowMs() - start) * 1000.0));
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(n), &written, nullptr);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONUP:
            if (g_moves > 0) {
                MoveRepeatedly(hwnd, g_moves);
                return 0;
            }
            ::DestroyWindow(hwnd);
            return 0;
        case WM_CLOSE:
            ::DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"MinimalWindow";
    if (!::RegisterClassExW(&wc)) return 1;

    const int x = (::GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"minimal", WS_POPUP, x, y, kWidth, kHeight,
                                  nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    if (__argc == 3 && std::strcmp(__argv[1], "moves") == 0) g_moves = std::atoi(__argv[2]);
    ::ShowWindow(hwnd, SW_SHOW);
    ::UpdateWindow(hwnd);

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
