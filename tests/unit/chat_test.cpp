// The chat bridge against a simulated client: the tree walk, the two
// messages, and the pause.
#include <gtest/gtest.h>

#include "chat/chat.h"
#include "support.h"

using namespace testing_support;
using platform::sim::SimDesktop;

namespace {

struct ClickRecorder final : platform::EventSink {
    SimDesktop* desk = nullptr;
    std::vector<std::chrono::nanoseconds> times;
    void OnEvent(const platform::Event& event) override {
        if (event.kind == platform::EventKind::Click) times.push_back(desk->Now());
    }
};

// A form with one label, for input that arrives during a pause.
WindowId AddClickableForm(SimDesktop& desk) {
    platform::FormLayout layout;
    layout.clientWidth = 300;
    layout.clientHeight = 300;
    platform::ControlLayout label;
    label.width = 300;
    label.height = 300;
    layout.controls.push_back(label);
    const WindowId form = desk.CreateForm(layout);
    desk.ShowForm(form);
    return form;
}

}  // namespace

TEST(PostChatLine, WithoutARoomSendsNothingNotEvenToAnotherProgramsRichControls) {
    SimDesktop desk;
    desk.AddForeignWindow(0, "RICHCNTL", "their text");
    const WindowId second = desk.AddForeignWindow(0, "RICHCNTL", "their text");
    EXPECT_EQ(chat::LocateChatWindow(desk), 0u);
    desk.ClearRecords();
    chat::PostChatLine(desk, "hello");
    EXPECT_TRUE(desk.Messages().empty());
    EXPECT_EQ(desk.WindowText(second), "their text");
    EXPECT_TRUE(desk.MessageBoxes().empty());
}

TEST(LocateChatWindow, SkipsDocumentsLackingAnyOfTheFourClassesAndTakesTheFirstRoom) {
    SimDesktop desk;
    auto client = ChatClient::Install(desk, 2);  // no RICHCNTL, no _AOL_Listbox, then the room
    EXPECT_EQ(chat::LocateChatWindow(desk), client.room);

    SimDesktop desk2;
    auto client2 = ChatClient::Install(desk2, 4);  // one decoy lacking each class
    ChatClient::AddDocument(desk2, client2.mdi, kNone);
    EXPECT_EQ(chat::LocateChatWindow(desk2), client2.room);
}

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

TEST(LocateChatWindow, MakesAllFourLookupsInOrderUnderEveryDocument) {
    SimDesktop desk;
    auto client = ChatClient::Install(desk, 1);  // the decoy lacks RICHCNTL: lookups go on regardless
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

TEST(PostChatLine, ReplacesTypedTextThenPressesEnterWithExactBytes) {
    SimDesktop desk;
    auto client = ChatClient::Install(desk);
    desk.SetWindowText(client.entry, "half-typed words");
    chat::PostChatLine(desk, "x \u2022\u00F7^\u00B7 \u00B7\u2022\u00A4 v\u00B2");
    ASSERT_EQ(Posted(desk).size(), 1u);
    EXPECT_EQ(Posted(desk)[0], Bytes({'x', ' ', 0x95, 0xF7, '^', 0xB7, ' ', 0xB7, 0x95, 0xA4, ' ', 'v', 0xB2}));
    EXPECT_EQ(desk.EnteredLines()[0].window, client.entry);
    // The transcript, the room's first RICHCNTL, is never typed into.
    for (const auto& message : desk.Messages()) EXPECT_EQ(message.target, client.entry);
    ASSERT_EQ(desk.Messages().size(), 2u);
    EXPECT_EQ(desk.Messages()[0].message, platform::sim::kWmSetText);
    EXPECT_EQ(desk.Messages()[1].message, platform::sim::kWmChar);
    EXPECT_EQ(desk.Messages()[1].wParam, 13u);
}

TEST(PostChatLine, ARoomWithOneRichControlGetsNothing) {
    SimDesktop desk;
    const WindowId frame = desk.AddForeignWindow(0, "AOL Frame25");
    const WindowId mdi = desk.AddForeignWindow(frame, "MDIClient");
    const WindowId room = desk.AddForeignWindow(mdi, "AOL Child");
    const WindowId only = desk.AddForeignWindow(room, "RICHCNTL");
    for (const char* cls : {"_AOL_Listbox", "_AOL_Icon", "_AOL_Static"}) desk.AddForeignWindow(room, cls);
    chat::PostChatLine(desk, "lost");
    EXPECT_TRUE(desk.EnteredLines().empty());
    EXPECT_EQ(desk.WindowText(only), "");
}

TEST(PostChatLine, AHungClientCostsABoundedWaitAndGetsNoEnterOnUndeliveredText) {
    SimDesktop desk;
    auto client = ChatClient::Install(desk);
    desk.SetWindowText(client.entry, "typed by the user");
    desk.HangUntil(client.entry, desk.Now() + 20s);
    const auto before = desk.Now();
    chat::PostChatLine(desk, "undelivered");
    // The text gives up after 3 s (and the lookups' few milliseconds); no Enter follows.
    EXPECT_GE(desk.Now() - before, 3s);
    EXPECT_LT(desk.Now() - before, 3s + 100ms);
    EXPECT_TRUE(desk.EnteredLines().empty());
    for (const auto& message : desk.Messages()) EXPECT_NE(message.message, platform::sim::kWmChar);
    EXPECT_EQ(desk.WindowText(client.entry), "typed by the user");

    // Once the client answers again, posting works.
    desk.RunFor(20s);
    chat::PostChatLine(desk, "delivered");
    EXPECT_EQ(Posted(desk), (std::vector<std::string>{"delivered"}));
}

TEST(PauseSeconds, ZeroOrLessReturnsAtOnceWithoutPumping) {
    SimDesktop desk;
    ClickRecorder recorder;
    recorder.desk = &desk;
    desk.SetEventSink(&recorder);
    const WindowId form = AddClickableForm(desk);
    desk.Click(form, 0);  // already due
    const auto before = desk.Now();
    chat::PauseSeconds(desk, 0);
    chat::PauseSeconds(desk, -1);
    EXPECT_TRUE(recorder.times.empty());
    EXPECT_EQ(desk.Now(), before);
}

TEST(PauseSeconds, HandlesInputThatArrivesMeanwhileAndLastsAtLeastItsDuration) {
    SimDesktop desk;
    ClickRecorder recorder;
    recorder.desk = &desk;
    desk.SetEventSink(&recorder);
    const WindowId form = AddClickableForm(desk);
    const auto start = desk.Now();
    desk.Click(form, 0, 300ms);
    desk.Click(form, 0, 500ms);
    desk.Click(form, 0, 900ms);  // after the pause: left for the loop
    chat::PauseSeconds(desk, 0.8);
    // Each click is handled within a pump's time of its coming.
    ASSERT_EQ(recorder.times.size(), 2u);
    EXPECT_LT(recorder.times[0] - start - 300ms, 1ms);
    EXPECT_LT(recorder.times[1] - start - 500ms, 1ms);
    EXPECT_GE(desk.Now() - start, 800ms);
    EXPECT_LT(desk.Now() - start, 900ms);
}

TEST(PauseSeconds, APauseAcrossMidnightEndsAfterItsDuration) {
    SimDesktop desk;
    desk.SetWallClock(86399.6);  // 0.4 s before midnight
    const auto start = desk.Now();
    chat::PauseSeconds(desk, 0.8);
    EXPECT_GE(desk.Now() - start, 800ms);
    EXPECT_LT(desk.Now() - start, 801ms);
    EXPECT_LT(desk.SecondsSinceMidnight(), 1.0);  // the wall clock did wrap
}
