// Text conversions between the program's UTF-8 and the Win32 encodings.
// Win32 backend only.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// Invalid UTF-8 becomes U+FFFD. A text over 2 GB, or a conversion the
// system refuses, raises the runtime error.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
// Into the ANSI code page, as a foreign A-window expects it; characters the
// code page lacks become its default character.
std::string Utf8ToAnsi(std::string_view utf8);

}  // namespace platform::win32
