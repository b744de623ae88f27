// The Win32 handle types, one per release call, built on UniqueHandle, and
// the conversions between window handles and the seam's window ids.
// Win32 backend only: includes <windows.h>.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/win32/UniqueHandle.h"

namespace platform::win32 {

// Window handles carry 32 significant bits; 64-bit Windows widens them with
// their sign, as it does a handle passed from 32-bit code. An id keeps the
// low 32 bits.
inline HWND ToHwnd(WindowId id) noexcept {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(id)));
}

inline WindowId ToWindowId(HWND hwnd) noexcept {
    return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(hwnd));
}

struct HwndTraits {
    using pointer = HWND;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer h) noexcept { ::DestroyWindow(h); }
};
using UniqueHwnd = UniqueHandle<HwndTraits>;

template <typename T>
struct GdiTraits {
    using pointer = T;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer h) noexcept { ::DeleteObject(h); }
};
template <typename T>
using UniqueGdi = UniqueHandle<GdiTraits<T>>;

// A DC from CreateCompatibleDC / CreateDC.
struct HdcTraits {
    using pointer = HDC;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer h) noexcept { ::DeleteDC(h); }
};
using UniqueHdc = UniqueHandle<HdcTraits>;

// A DLL from LoadLibrary.
struct ModuleTraits {
    using pointer = HMODULE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer h) noexcept { ::FreeLibrary(h); }
};
using UniqueModule = UniqueHandle<ModuleTraits>;

template <typename T>
struct ComTraits {
    using pointer = T*;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer p) noexcept { p->Release(); }
};
template <typename T>
using ComPtr = UniqueHandle<ComTraits<T>>;

// A DC from GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) noexcept : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (m_dc) ::ReleaseDC(m_hwnd, m_dc);
    }
    HDC get() const noexcept { return m_dc; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// BeginPaint / EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) noexcept : m_hwnd(hwnd), m_dc(::BeginPaint(hwnd, &m_ps)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() {
        if (m_dc) ::EndPaint(m_hwnd, &m_ps);
    }
    HDC get() const noexcept { return m_dc; }
    const RECT& dirty() const noexcept { return m_ps.rcPaint; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};

// Selects an object into a DC and puts the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_old(::SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (m_old && m_old != HGDI_ERROR) ::SelectObject(m_dc, m_old);
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

}  // namespace platform::win32
