// Win32 backend: error reporting.
#include "platform/win32/Win32Error.h"

#include <windows.h>

#include <iterator>

#include "platform/platform.h"
#include "platform/win32/Win32Text.h"

namespace platform::win32 {

std::string DescribeError(std::string_view what, unsigned long code) {
    // The wide text, in the user's language: the ANSI one would reach the
    // UTF-8 error box garbled on any Windows whose messages are not English.
    wchar_t system[512] = {};
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, code, 0, system, std::size(system), nullptr);
    while (length > 0 && (system[length - 1] == L'\r' || system[length - 1] == L'\n' ||
                          system[length - 1] == L' ' || system[length - 1] == L'.')) {
        --length;
    }
    std::string text(what);
    text += " failed (error ";
    // HRESULTs read best in hex, Win32 error codes in decimal.
    text += (code & 0x80000000UL) ? HexText(code) : std::to_string(code);
    if (length > 0) {
        text += ": ";
        text += WideToUtf8(std::wstring_view(system, length));
    }
    text += ")";
    return text;
}

std::string HexText(unsigned long value) {
    std::string text = "0x00000000";
    for (std::size_t i = text.size(); value != 0; value >>= 4)
        text[--i] = "0123456789ABCDEF"[value & 0xF];
    return text;
}

void ThrowError(std::string_view what, unsigned long code) {
    throw RuntimeError(DescribeError(what, code));
}

void ThrowError(std::string_view what) { throw RuntimeError(std::string(what)); }

namespace {

void Report(std::string_view what, const unsigned long* code) noexcept {
    try {
        const std::string text = (code ? DescribeError(what, *code) : std::string(what)) + "\n";
        ::OutputDebugStringA(text.c_str());
    } catch (...) {
        ::OutputDebugStringA("Korvo: error while reporting an error\n");
    }
}

}  // namespace

void ReportError(std::string_view what, unsigned long code) noexcept { Report(what, &code); }

void ReportError(std::string_view what) noexcept { Report(what, nullptr); }

}  // namespace platform::win32
