// Win32 backend: text conversions.
#include "platform/win32/Win32Text.h"

#include <windows.h>

#include <climits>

#include "platform/win32/Win32Error.h"

namespace platform::win32 {

namespace {

int CheckedLength(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) ThrowError("text longer than 2 GB");
    return static_cast<int>(size);
}

}  // namespace

std::wstring Utf8ToWide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int inLength = CheckedLength(utf8.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, nullptr, 0);
    if (length <= 0) THROW_LAST_ERROR("MultiByteToWideChar");
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, wide.data(), length);
    return wide;
}

std::string WideToUtf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int inLength = CheckedLength(wide.size());
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) THROW_LAST_ERROR("WideCharToMultiByte");
    std::string utf8(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    const std::wstring wide = Utf8ToWide(utf8);
    if (wide.empty()) return {};
    const int inLength = CheckedLength(wide.size());
    const int length =
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) THROW_LAST_ERROR("WideCharToMultiByte");
    std::string ansi(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), inLength, ansi.data(), length, nullptr, nullptr);
    return ansi;
}

}  // namespace platform::win32
