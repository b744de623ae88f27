// What only the shipped executable has: its DLL search and its farewell on
// a screen wider than 16-bit coordinates reach (exe_scenarios runs it on one
// when tests/e2e/wide_screen.sh brings one up).
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/scenarios/real_desk.h"
#include "tests/scenarios/texts.h"

using namespace scenarios;
using namespace std::chrono_literals;
using namespace texts;

namespace {

using Lines = std::vector<std::string>;

Lines Bytes(const std::vector<Line>& lines) {
    Lines bytes;
    for (const Line& line : lines) bytes.push_back(line.bytes);
    return bytes;
}

void HandOver(Desk& desk) {
    desk.Start();
    ASSERT_TRUE(desk.RunUntil([&] { return desk.Seen(Window::Intro); }, 30s));
    desk.RunUntil([&] { return desk.Now() - desk.Path(Window::Intro).back().time >= 300ms; }, 5s);
    desk.Click(Spot::Picture);
    ASSERT_TRUE(desk.RunUntil([&] { return desk.EnterShown(); }, 10s));
    desk.Click(Spot::Enter);
    ASSERT_TRUE(desk.RunUntil([&] { return desk.Seen(Window::Idle); }, 30s));
}

void Farewell(Desk& desk) {
    desk.Click(Spot::Exit);
    ASSERT_TRUE(desk.RunUntil([&] { return desk.Ended(); }, 30s));
    EXPECT_EQ(desk.ExitCode(), 0);
    EXPECT_EQ(Bytes(desk.Room()), (Lines{kTitle, kLink, kTitle, kLink}));
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

// Disabled: under Wine the copy from that folder did not hand over (not yet
// understood); reliability.sh keeps this check meanwhile.
// Started from a Downloads folder where another download left a DLL named
// after one loaded when the first window is made (the theme's): the program
// takes the system's copy and works, and the planted one, which would leave
// a file beside itself, never runs. Wine prefers its builtin DLL to one
// beside the program: with native first, the search order alone decides.
TEST(Shipped, DISABLED_NeverRunsADllPlantedBesideIt) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"Downloads" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    const std::wstring program = folder + L"Korvo Idle v2 by qel.exe", ran = folder + L"uxtheme.dll.ran";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(Beside(L"..\\..\\app\\Korvo Idle v2 by qel.exe").c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(Beside(L"..\\..\\tools\\minimal.exe").c_str(), (folder + L"minimal.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(Beside(L"..\\..\\tools\\planted.dll").c_str(), (folder + L"uxtheme.dll").c_str(), FALSE));
    // Native first for both programs, by their names, as Wine's per-program
    // settings allow; taken back at the end.
    const wchar_t* kApps[] = {L"minimal.exe", L"Korvo Idle v2 by qel.exe"};
    for (const wchar_t* app : kApps) {
        const std::wstring key = std::wstring(L"Software\\Wine\\AppDefaults\\") + app + L"\\DllOverrides";
        const wchar_t kNativeFirst[] = L"native,builtin";
        ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"uxtheme", REG_SZ, kNativeFirst, sizeof kNativeFirst);
    }
    // Beside a program that leaves the search alone, it runs: else this
    // would prove nothing.
    std::wstring command = L"\"" + folder + L"minimal.exe\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION minimal{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                                 &minimal));
    const auto end = Clock() + 30s;
    while (!Exists(ran) && Clock() < end) ::WaitForSingleObject(minimal.hProcess, 20);
    EXPECT_TRUE(Exists(ran)) << "the planted DLL runs beside minimal.exe";
    ::TerminateProcess(minimal.hProcess, 0);
    ::WaitForSingleObject(minimal.hProcess, 10000);
    ::CloseHandle(minimal.hProcess);
    ::CloseHandle(minimal.hThread);
    ::DeleteFileW(ran.c_str());

    ::SetEnvironmentVariableW(L"KORVO_PROGRAM", program.c_str());
    auto desk = MakeDesk();
    HandOver(*desk);
    Farewell(*desk);
    EXPECT_FALSE(Exists(ran));
    ::SetEnvironmentVariableW(L"KORVO_PROGRAM", nullptr);
    for (const wchar_t* app : kApps)
        ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Wine\\AppDefaults\\") + app).c_str());
}

// Jumps past 32,767 twips (2,184 pixels) occur, none lies past the screen
// width less 200 twips, and the farewell completes.
TEST(Shipped, TheFarewellCompletesOnAWideScreen) {
    auto desk = MakeDesk();
    if (desk->Screen().first < 3000) GTEST_SKIP() << "on a screen 3,000 pixels wide or more";
    HandOver(*desk);
    const auto [width, height] = desk->Screen();
    EXPECT_EQ(desk->Path(Window::Intro).front().left, (width - 480) / 2);
    Farewell(*desk);
    int farthest = 0;
    for (const Place& place : desk->Path(Window::Idle)) farthest = std::max({farthest, place.left, place.top});
    RecordProperty("farthest", farthest);
    EXPECT_GT(farthest, 2184);
    EXPECT_LE(farthest, (width * 15 - 200) / 15);
}
