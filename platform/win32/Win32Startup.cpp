// Win32 backend: process hardening that runs before main, and the stack
// protector's guard and failure handler. Only platform/win32 includes
// <windows.h>.
//
// The compiler's stack protector (-fstack-protector-strong) checks a guard
// value on return from every function with a local array or an addressed
// local. GCC's libssp would supply it, but its guard setup links ADVAPI32
// and, from a static constructor, has the crypto API load a provider DLL,
// before the DLL search could be restricted. This file defines both symbols
// itself; each executable with protected code links it directly (the
// win32_startup object library).
#include <windows.h>

#include <cstdint>

#include <intrin.h>

extern "C" {

// Replaced before main, and before any protected function that is still
// running at that time; until then a fixed value.
std::uintptr_t __stack_chk_guard = static_cast<std::uintptr_t>(0x2f8a9c1e5d3b7046ULL);

// The stack is not to be trusted: end the process at once, running nothing
// else (no unwinding, no handlers, no message box).
[[noreturn]] __attribute__((no_stack_protector)) void __stack_chk_fail() {
    ::TerminateProcess(::GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();
}

}  // extern "C"

namespace {

// DLLs loaded at run time (COM servers, themes, input methods) come only
// from the system folder, never from the current or the program's folder,
// where a planted DLL could wait. Windows 7 without update KB2533623 lacks
// the call and keeps its old search order.
void RestrictDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    const FARPROC proc = kernel32 ? ::GetProcAddress(kernel32, "SetDefaultDllDirectories") : nullptr;
    if (proc)
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(proc))(
            LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// An unpredictable guard from what every Windows since XP has, without
// another DLL: the processor's time stamp counter, the performance counter,
// the tick count, the process and thread, and where address space layout
// randomization put the stack and the image. Each is mixed in through a
// bijection, so that two related readings (the time stamp counter and a
// performance counter built on it) cannot cancel out.
__attribute__((no_stack_protector)) std::uintptr_t UnpredictableGuard() {
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    const std::uint64_t parts[] = {
        __rdtsc(),
        static_cast<std::uint64_t>(counter.QuadPart),
        ::GetTickCount(),
        std::uint64_t(::GetCurrentProcessId()) << 32 | ::GetCurrentThreadId(),
        reinterpret_cast<std::uintptr_t>(&counter),
        reinterpret_cast<std::uintptr_t>(&__stack_chk_guard),
    };
    std::uint64_t x = 0x9e3779b97f4a7c15ULL;
    for (const std::uint64_t part : parts) {
        x ^= part;
        x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
        x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
        x ^= x >> 31;
    }
    return static_cast<std::uintptr_t>(x);
}

// The first static constructor (priority 101 runs before all others), so it
// precedes every other DLL-loading call the program makes. GCC's main calls
// the constructors before it reads the guard itself, so no protected frame
// is live while the guard changes.
__attribute__((constructor(101), no_stack_protector)) void HardenProcess() {
    RestrictDllSearch();
    __stack_chk_guard = UnpredictableGuard();
}

}  // namespace
