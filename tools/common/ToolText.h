// Text, clock and handle utilities shared by the test tools (never shipped).
// Header-only so each tool stays one translation unit; no program code here.
#pragma once

#include <windows.h>
#include <shellapi.h>  // CommandLineToArgvW, even under WIN32_LEAN_AND_MEAN

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

inline std::wstring ToWide(std::string_view text, UINT codePage = CP_UTF8) {
    if (text.empty()) return {};
    int n =
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

inline std::string FromWide(std::wstring_view text, UINT codePage = CP_UTF8) {
    if (text.empty()) return {};
    int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                  0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                          nullptr, nullptr);
    return out;
}

// Lowercase hex of every byte, "-" for none: an empty field would vanish
// under bash's tab splitting.
inline std::string Hex(std::string_view bytes) {
    if (bytes.empty()) return "-";
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

// Printable ASCII as is, everything else as a C escape, so one record stays
// one line with no tabs in it.
inline std::string Escape(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c >= 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Same as Escape, but keeps UTF-8 sequences whole for readable output.
inline std::string EscapeUtf8(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x80) {
            out += static_cast<char>(c);
        } else {
            out += Escape(std::string_view(reinterpret_cast<const char*>(&c), 1));
        }
    }
    return out;
}

// Milliseconds on the system's monotonic counter: the same clock in every
// process, so logs of the stand-in and of the probes can be merged by time.
inline double MonotonicMs() {
    static const double kTicksPerMs = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / kTicksPerMs;
}

// The command line as UTF-8 words (the tools take non-ASCII arguments).
inline std::vector<std::string> Arguments() {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::string> out;
    for (int i = 0; i < argc; ++i) out.push_back(FromWide(argv[i]));
    ::LocalFree(argv);
    return out;
}

class UniqueFile {
public:
    UniqueFile() = default;
    explicit UniqueFile(HANDLE h) : m_h(h) {}
    UniqueFile(UniqueFile&& o) noexcept : m_h(o.release()) {}
    UniqueFile& operator=(UniqueFile&& o) noexcept {
        reset(o.release());
        return *this;
    }
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;
    ~UniqueFile() { reset(); }

    HANDLE get() const { return m_h; }
    explicit operator bool() const { return m_h != INVALID_HANDLE_VALUE; }
    HANDLE release() {
        HANDLE h = m_h;
        m_h = INVALID_HANDLE_VALUE;
        return h;
    }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (m_h != INVALID_HANDLE_VALUE) ::CloseHandle(m_h);
        m_h = h;
    }

private:
    HANDLE m_h = INVALID_HANDLE_VALUE;
};

// Writes all of `bytes` to stdout and flushes, so a reader on a pipe sees
// each answer at once.
// Reads one line of stdin without its "\n" or "\r\n"; false at the end (an
// unfinished last line is dropped).
inline bool ReadLine(std::string& line) {
    line.clear();
    int c;
    while ((c = std::fgetc(stdin)) != EOF) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        line += static_cast<char>(c);
    }
    return false;
}

inline void WriteOut(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

}  // namespace tools
