// The program's only contact with the chat client: find its open chat room by
// walking the client's window tree by class, type a line into the room's entry
// line, and pause between lines while keeping the program's windows alive.
#pragma once

#include <string>

#include "platform/platform.h"

namespace chat {

// The chat room window ("AOL Child" with all four child classes), or 0.
platform::WindowId LocateChatWindow(platform::Platform& platform);

// Replaces the room's entry line with `line` (UTF-8; handed over in the ANSI
// code page) and presses Enter there. Lost silently when there is no room.
void PostChatLine(platform::Platform& platform, const std::string& line);

// Waits `seconds`, handling the program's events meanwhile.
void PauseSeconds(platform::Platform& platform, double seconds);

}  // namespace chat
