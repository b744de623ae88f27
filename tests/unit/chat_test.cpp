// The chat bridge where the program's sessions cannot reach it: a client
// with no frame, the lookups a client watching its windows sees, and the
// pause's edges. Which room gets which bytes is the model's.
#include <gtest/gtest.h>

#include "chat/chat.h"
#include "support.h"

using namespace testing_support;

TEST(LocateChatWindow, PassesAMissingFrameOrClientAreaOnAsTheDesktop) {
    // No frame: the client area is looked for among the top-level windows.
    SimDesktop desk;
    const WindowId room = ChatClient::AddDocument(desk, desk.AddForeignWindow(0, "MDIClient"), kNone);
    EXPECT_EQ(chat::LocateChatWindow(desk), room);
    // No frame and no client area: so are the documents.
    SimDesktop bare;
    const WindowId stray = ChatClient::AddDocument(bare, 0, kNone);
    EXPECT_EQ(chat::LocateChatWindow(bare), stray);
}

// The client sees every lookup: all four under each document, in order.
TEST(LocateChatWindow, MakesAllFourLookupsInOrderUnderEveryDocument) {
    SimDesktop desk;
    auto client = ChatClient::Install(desk, {kRichCntl});  // lookups go on after the first that fails
    desk.ClearRecords();
    chat::LocateChatWindow(desk);
    std::vector<std::string> ops;
    for (const auto& call : desk.Calls()) ops.push_back(call.op);
    const std::vector<std::string> expected = {
        "FindWindowA AOL Frame25",    "FindWindowExA MDIClient",     "FindWindowExA AOL Child",
        "FindWindowExA RICHCNTL",     "FindWindowExA _AOL_Listbox",  "FindWindowExA _AOL_Icon",
        "FindWindowExA _AOL_Static",  "FindWindowExA AOL Child",     "FindWindowExA RICHCNTL",
        "FindWindowExA _AOL_Listbox", "FindWindowExA _AOL_Icon",     "FindWindowExA _AOL_Static"};
    EXPECT_EQ(ops, expected);
    EXPECT_EQ(desk.Calls().back().window, client.room);
}

TEST(PauseSeconds, ZeroOrLessReturnsAtOnceWithoutPumping) {
    SimDesktop desk;
    chat::PauseSeconds(desk, 0);
    chat::PauseSeconds(desk, -1);
    EXPECT_EQ(desk.Pumps(), 0);
    EXPECT_EQ(desk.Now(), std::chrono::nanoseconds{});
}

TEST(PauseSeconds, APauseAcrossMidnightEndsAfterItsDuration) {
    SimDesktop desk;
    desk.SetWallClock(86399.6);  // 0.4 s before midnight
    chat::PauseSeconds(desk, 0.8);
    EXPECT_GE(desk.Now(), 800ms);
    EXPECT_LT(desk.Now(), 801ms);
    EXPECT_LT(desk.SecondsSinceMidnight(), 1.0);  // the wall clock did wrap
}
