// Failures at the Win32 boundary: one place turns an error code into the
// message the program sees. Win32 backend only.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// "what failed (error N: system text)". `code` is a GetLastError value or an
// HRESULT; read it right at the failing call.
std::string DescribeError(std::string_view what, unsigned long code);

// "0x0000ABCD", as handles and HRESULTs are written.
std::string HexText(unsigned long value);

// Throws platform::RuntimeError. Only from platform calls, never from a
// window procedure.
[[noreturn]] void ThrowError(std::string_view what, unsigned long code);
[[noreturn]] void ThrowError(std::string_view what);

// For failures where nothing may throw (window procedures): logged to the
// debugger, and the caller carries on.
void ReportError(std::string_view what, unsigned long code) noexcept;

}  // namespace platform::win32
