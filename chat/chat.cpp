// Chat bridge: the window-tree walk, the line sender and the pause.
// Nothing is cached: every post searches the tree afresh, so a room that is
// opened, closed or replaced between two posts is found or missed anew.
#include "chat/chat.h"

#include <array>
#include <chrono>

namespace chat {

using platform::WindowId;

namespace {

// A client that stops answering must not freeze the program: each message
// gives up after this long.
constexpr std::chrono::milliseconds kSendTimeout{3000};
constexpr unsigned kEnter = 13;

constexpr std::array<const char*, 4> kRoomChildClasses = {"RICHCNTL", "_AOL_Listbox", "_AOL_Icon",
                                                          "_AOL_Static"};

bool IsChatRoom(platform::Platform& platform, WindowId child) {
    // All four lookups are always made, in this order, then tested together.
    std::array<WindowId, kRoomChildClasses.size()> found{};
    for (std::size_t i = 0; i < kRoomChildClasses.size(); ++i) {
        found[i] = platform.FindWindowExA(child, platform::kNoWindow, kRoomChildClasses[i]);
    }
    for (WindowId id : found) {
        if (id == platform::kNoWindow) return false;
    }
    return true;
}

}  // namespace

WindowId LocateChatWindow(platform::Platform& platform) {
    // A 0 frame or client area is passed on as it is: the window system then
    // searches the top-level windows, which yields nothing without a client.
    const WindowId frame = platform.FindWindowA("AOL Frame25");
    const WindowId mdi = platform.FindWindowExA(frame, platform::kNoWindow, "MDIClient");
    WindowId child = platform.FindWindowExA(mdi, platform::kNoWindow, "AOL Child");
    for (;;) {
        if (IsChatRoom(platform, child)) return child;
        if (child == platform::kNoWindow) return platform::kNoWindow;
        child = platform.FindWindowExA(mdi, child, "AOL Child");
    }
}

void PostChatLine(platform::Platform& platform, const std::string& line) {
    const WindowId room = LocateChatWindow(platform);
    // Under window 0 the lookups below would search the top-level windows
    // and type into another program's "RICHCNTL" window.
    if (room == platform::kNoWindow) return;
    const WindowId first = platform.FindWindowExA(room, platform::kNoWindow, "RICHCNTL");
    const WindowId entry = platform.FindWindowExA(room, first, "RICHCNTL");
    // Enter goes only after text that arrived: otherwise it would send
    // whatever the user had typed in the room's entry line.
    if (platform.SendSetText(entry, line, kSendTimeout)) {
        platform.SendChar(entry, kEnter, kSendTimeout);
    }
}

void PauseSeconds(platform::Platform& platform, double seconds) {
    // Monotonic clock, so a pause across midnight still ends on time. Waits
    // for input or the deadline instead of spinning the processor.
    const auto start = platform.Now();
    const auto duration = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::duration<double>(seconds));
    const auto deadline = start + duration;
    while (platform.Now() - start < duration) {
        platform.WaitForInput(deadline);
        platform.PumpMessages();
    }
}

}  // namespace chat
