// The executable: the program on the Win32 backend. Knows nothing of Win32
// itself; -mwindows makes it a GUI program with a plain main(). By the time
// main runs, the backend has restricted the DLL search and set the stack
// guard (platform/win32/Win32Startup.cpp).
#include "forms/Program.h"
#include "platform/win32/Win32Platform.h"

int main() {
    platform::win32::Win32Platform platform;
    forms::Program program(platform);
    platform.SetEventSink(&program);
    program.Start();
    return platform.Run();
}
