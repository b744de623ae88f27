// GoogleTest's port header for the Windows builds, found ahead of the empty
// one it ships with (cmake/mingw-w64.cmake). It supplies only what the
// toolchain lacks.
//
// NOTE: the win32 threads variant of mingw-w64's GCC 12 has no std::mutex
// or std::condition_variable, and GoogleTest 1.12 builds its Notification
// from them on Windows, so it does not compile there. gtest_disable_pthreads
// changes nothing (GoogleTest never uses pthreads on MinGW), and without its
// thread-safe build (GTEST_IS_THREADSAFE=0) its Windows death tests do not
// compile either. GoogleTest leaves Notification to a port that provides one
// (GTEST_HAS_NOTIFICATION_); this one waits on an atomic flag. Only
// GoogleTest's own thread helper (ThreadWithParam) waits on it, and no
// test uses that helper.
#ifndef KORVO_TESTS_GTEST_PORT_H_
#define KORVO_TESTS_GTEST_PORT_H_

#include <atomic>
#include <thread>

#if !defined(_GLIBCXX_HAS_GTHREADS)
#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { m_notified.store(true); }
    void WaitForNotification() {
        while (!m_notified.load()) std::this_thread::yield();
    }

private:
    std::atomic<bool> m_notified{false};
};

}  // namespace internal
}  // namespace testing
#endif

#endif  // KORVO_TESTS_GTEST_PORT_H_
