// The shared scenarios' desktop on the Win32 backend: the program runs on a
// thread of its own, as its only UI thread, read from outside as the exe
// desk reads its process (real_desk.cpp). Under Wine, without a window
// manager, Wine runs the window-move loop itself.
#include <windows.h>

#include "forms/Program.h"
#include "platform/win32/Win32Platform.h"
#include "tests/scenarios/backend.h"
#include "tests/scenarios/real_desk.h"

namespace scenarios {

namespace {

using namespace std::chrono_literals;
using platform::WindowId;

// The idle window's minute, shortened: three scenarios wait for a tick in
// real time. Long enough that no second tick comes before they look.
constexpr auto kTick = 10s;

// End leaves only the program's thread, whose windows the system then
// destroys, so that the test process goes on to read the outcome.
class ShortMinutePlatform final : public platform::win32::Win32Platform {
public:
    WindowId CreateForm(const platform::FormLayout& layout) override {
        platform::FormLayout shortened = layout;
        for (auto& control : shortened.controls) {
            if (control.kind == platform::ControlKind::Timer && control.intervalMs == 60000)
                control.intervalMs = static_cast<unsigned>(std::chrono::milliseconds(kTick).count());
        }
        return Win32Platform::CreateForm(shortened);
    }
    [[noreturn]] void End() override {
        ended = 1;
        ::ExitThread(0);
    }

    volatile LONG ended = 0;
};

class Win32Desk final : public RealDesk {
public:
    ~Win32Desk() override {
        if (m_thread) {
            if (::WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT) {
                ::PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
                if (::WaitForSingleObject(m_thread, 10000) != WAIT_OBJECT_0) ::TerminateThread(m_thread, 1);
            }
            ::CloseHandle(m_thread);
        }
        // After End the program's windows went with its thread; what the
        // backend held of them stays, as it would at a process's end.
        if (!(m_platform && m_platform->ended)) delete m_platform;
    }

    Kind What() override { return Kind::Backend; }
    void Start(const Client& client) override {
        StartStandin(client);
        m_platform = new ShortMinutePlatform;
        m_thread = ::CreateThread(nullptr, 0, &Win32Desk::ProgramThread, m_platform, 0, &m_threadId);
    }
    nanoseconds Tick() override { return kTick; }
    // Ended through End, whose process exit is ExitProcess(0), and its
    // thread gone with the windows it had.
    std::optional<int> ExitCode() override {
        if (m_platform && m_platform->ended && ::WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0) return 0;
        return std::nullopt;
    }

protected:
    DWORD ProgramPid() override { return m_thread ? ::GetCurrentProcessId() : 0; }

private:
    static DWORD WINAPI ProgramThread(void* param) {
        auto* platform = static_cast<ShortMinutePlatform*>(param);
        forms::Program program(*platform);
        platform->SetEventSink(&program);
        program.Start();
        platform->Run();
        platform->SetEventSink(nullptr);
        return 0;
    }

    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
    ShortMinutePlatform* m_platform = nullptr;
};

class Win32Backend final : public Backend {
public:
    platform::Platform& Platform() override { return m_platform; }
    void RunFor(nanoseconds time) override {
        const nanoseconds end = m_platform.Now() + time;
        while (m_platform.Now() < end) {
            m_platform.WaitForInput(end);
            m_platform.PumpMessages();
        }
    }

private:
    platform::win32::Win32Platform m_platform;
};

}  // namespace

std::unique_ptr<Desk> MakeDesk() { return std::make_unique<Win32Desk>(); }
std::unique_ptr<Backend> MakeBackend() { return std::make_unique<Win32Backend>(); }

}  // namespace scenarios
