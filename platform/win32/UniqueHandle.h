// Move-only owner of an OS handle that closes it exactly once. Free of
// <windows.h> so it is tested natively; Win32Handles.h names the concrete
// handle types.
#pragma once

#include <type_traits>
#include <utility>

namespace platform::win32 {

// Traits describe one kind of handle and its one release call:
//   using pointer = ...;
//   static pointer Invalid() noexcept;      // the value that owns nothing
//   static void Close(pointer) noexcept;
template <typename Traits>
class UniqueHandle {
public:
    using pointer = typename Traits::pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer value) noexcept : m_value(value) {}
    UniqueHandle(UniqueHandle&& other) noexcept : m_value(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    pointer get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return m_value != Traits::Invalid(); }

    // Closes what is held, then owns `value`.
    void reset(pointer value = Traits::Invalid()) noexcept {
        const pointer old = std::exchange(m_value, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

    // Gives up ownership without closing.
    [[nodiscard]] pointer release() noexcept { return std::exchange(m_value, Traits::Invalid()); }

    // Address for an out-parameter; what was held is closed first.
    pointer* put() noexcept {
        reset();
        return &m_value;
    }

    // Member access for interface pointers (COM).
    pointer operator->() const noexcept
        requires std::is_pointer_v<pointer> && std::is_class_v<std::remove_pointer_t<pointer>>
    {
        return m_value;
    }

private:
    pointer m_value = Traits::Invalid();
};

}  // namespace platform::win32
