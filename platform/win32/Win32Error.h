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
void ReportError(std::string_view what) noexcept;

}  // namespace platform::win32

// The failure of the Win32 call just made, with the thread's last error. The
// code is read before `what` is built: building it may allocate, and an
// allocation may change the code. Used right after the failing call.
#define THROW_LAST_ERROR(what)                                  \
    do {                                                        \
        const unsigned long lastError_ = ::GetLastError();      \
        ::platform::win32::ThrowError((what), lastError_);      \
    } while (false)
#define REPORT_LAST_ERROR(what)                                 \
    do {                                                        \
        const unsigned long lastError_ = ::GetLastError();      \
        ::platform::win32::ReportError((what), lastError_);     \
    } while (false)
