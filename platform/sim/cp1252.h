// UTF-8 to Windows-1252, the ANSI code page the program is built for. The
// simulated desktop hands text over with it, as the real system does with
// its ANSI code page, so byte-exactness is tested natively.
#pragma once

#include <string>
#include <string_view>

namespace platform::sim {

// Characters without a Windows-1252 byte, and malformed UTF-8, become '?'.
std::string Utf8ToWindows1252(std::string_view utf8);

}  // namespace platform::sim
