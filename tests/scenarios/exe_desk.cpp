// The shared scenarios' desktop on the shipped executable: its own process
// beside the stand-in chat client, driven by real mouse input and read from
// outside (real_desk.cpp), its end read from the process. KORVO_PROGRAM and
// KORVO_STANDIN name another executable or stand-in (the other build's).
#include <windows.h>

#include "tests/scenarios/real_desk.h"

namespace scenarios {

namespace {

using namespace std::chrono_literals;

class ExeDesk final : public RealDesk {
public:
    ~ExeDesk() override {
        if (!m_program.hProcess) return;
        if (!Ended()) ::TerminateProcess(m_program.hProcess, 1);
        ::WaitForSingleObject(m_program.hProcess, 10000);
        ::CloseHandle(m_program.hProcess);
    }

    Kind What() override { return Kind::Shipped; }
    void Start(const Client& client) override {
        StartStandin(client);
        const std::wstring exe = Setting(L"KORVO_PROGRAM", Beside(L"..\\..\\app\\Korvo Idle v2 by qel.exe"));
        std::wstring command = L"\"" + exe + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                             &m_program))
            ::CloseHandle(m_program.hThread);
    }
    nanoseconds Tick() override { return 60s; }
    std::optional<int> ExitCode() override {
        DWORD code = 0;
        if (!m_program.hProcess || ::WaitForSingleObject(m_program.hProcess, 0) != WAIT_OBJECT_0 ||
            !::GetExitCodeProcess(m_program.hProcess, &code))
            return std::nullopt;
        return static_cast<int>(code);
    }

protected:
    DWORD ProgramPid() override { return m_program.dwProcessId; }

private:
    PROCESS_INFORMATION m_program{};
};

}  // namespace

std::unique_ptr<Desk> MakeDesk() { return std::make_unique<ExeDesk>(); }

}  // namespace scenarios
