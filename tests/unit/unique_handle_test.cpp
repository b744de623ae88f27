// The handle owner behind every Win32 wrapper, checked natively with a fake
// handle whose close calls are counted.
#include "platform/win32/UniqueHandle.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace {

using platform::win32::UniqueHandle;

std::map<int, int> g_closed;  // handle value -> close calls

struct FakeTraits {
    using pointer = int;
    static pointer Invalid() noexcept { return -1; }
    static void Close(pointer h) noexcept { ++g_closed[h]; }
};
using FakeHandle = UniqueHandle<FakeTraits>;

class UniqueHandleTest : public ::testing::Test {
protected:
    void SetUp() override { g_closed.clear(); }
};

TEST_F(UniqueHandleTest, closesEachHandleExactlyOnce) {
    {
        FakeHandle h(5);
        EXPECT_TRUE(h);
        EXPECT_EQ(h.get(), 5);
    }
    EXPECT_EQ(g_closed[5], 1);

    FakeHandle twice(6);
    twice.reset();
    twice.reset();
    EXPECT_EQ(g_closed[6], 1);
    EXPECT_FALSE(twice);

    FakeHandle replaced(7);
    replaced.reset(8);
    EXPECT_EQ(g_closed[7], 1);
    EXPECT_EQ(g_closed.count(8), 0u);
    replaced = FakeHandle(9);
    EXPECT_EQ(g_closed[8], 1);
    EXPECT_EQ(replaced.get(), 9);

    // The zero handle is a real one here; only Invalid() means "nothing".
    { FakeHandle zero(0); }
    EXPECT_EQ(g_closed[0], 1);
    { FakeHandle none; }
    EXPECT_EQ(g_closed.count(-1), 0u);
}

TEST_F(UniqueHandleTest, releaseAndMoveHandOverWithoutClosing) {
    FakeHandle h(3);
    const int raw = h.release();
    EXPECT_EQ(raw, 3);
    EXPECT_FALSE(h);
    h.reset();
    EXPECT_EQ(g_closed.count(3), 0u);

    FakeHandle from(4);
    FakeHandle to(std::move(from));
    EXPECT_FALSE(from);
    EXPECT_EQ(to.get(), 4);
    from.reset();
    EXPECT_EQ(g_closed.count(4), 0u);

    FakeHandle target(10);
    target = std::move(to);
    EXPECT_EQ(g_closed[10], 1);
    EXPECT_EQ(target.get(), 4);

    // Self-move keeps the handle open.
    FakeHandle& alias = target;
    target = std::move(alias);
    EXPECT_EQ(target.get(), 4);
    EXPECT_EQ(g_closed.count(4), 0u);
}

TEST_F(UniqueHandleTest, putClosesTheOldValueBeforeHandingOutTheSlot) {
    FakeHandle h(11);
    int* slot = h.put();
    EXPECT_EQ(g_closed[11], 1);
    EXPECT_EQ(*slot, -1);
    *slot = 12;  // as an out-parameter API would
    EXPECT_EQ(h.get(), 12);
    h.reset();
    EXPECT_EQ(g_closed[12], 1);
}

}  // namespace
