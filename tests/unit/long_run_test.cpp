// Two months of idling on the simulated desktop: the counter stays exact and
// the program's memory does not grow with the number of ticks.
#include "program_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime's allocator interface.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

long long AllocatedBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#elif defined(_WIN32)
    // msvcrt keeps no running total: add up the heap's blocks in use.
    long long used = 0;
    _HEAPINFO entry{};
    while (_heapwalk(&entry) == _HEAPOK) {
        if (entry._useflag == _USEDENTRY) used += static_cast<long long>(entry._size);
    }
    return used;
#else
    return static_cast<long long>(mallinfo2().uordblks);
#endif
}

}  // namespace

TEST_F(ProgramTest, AHundredThousandTicksKeepTheCounterExactAndMemoryFlat) {
    client = ChatClient::Install(desk);
    auto& form = LoadForm2();
    desk.Click(form2(), form.Label5.id());
    desk.RunFor(1s);
    desk.SetRecording(false);

    constexpr int kTicks = 100000;
    long long early = 0;
    for (int tick = 1; tick <= kTicks; ++tick) {
        if (tick % 997 == 0) {
            // Clicks in between: a drag press and a Start while already on.
            desk.Drag(form2(), form.Label4.id(), 0, 0, 1s, 10s);
            desk.Click(form2(), form.Label5.id(), 20s);
        }
        desk.RunFor(kMinute);
        if (tick == 1000) early = AllocatedBytes();
    }
    const long long late = AllocatedBytes();

    EXPECT_EQ(form.Label2.Caption(), "100000");
    EXPECT_EQ(desk.Form(form2()).caption, "100000 Min(s)                [qel]");
    EXPECT_EQ(desk.WindowText(client.entry), "");  // every line was sent
    std::printf("allocated after 1,000 ticks: %lld bytes; after %d: %lld bytes (growth %lld)\n", early, kTicks,
                late, late - early);
    // Only the error boxes are kept (one per 997 ticks); nothing grows per tick.
    EXPECT_LT(late - early, 64 * 1024);
    EXPECT_EQ(desk.MessageBoxes().size(), size_t(kTicks / 997));
}
