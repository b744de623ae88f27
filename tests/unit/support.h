// Shared scenery for the unit tests: a chat client on the simulated desktop
// and readers for what it received.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/sim/SimDesktop.h"

namespace platform::sim {
inline void PrintTo(const Live& live, std::ostream* out) {
    *out << live.windows << " windows, " << live.timers << " timers, " << live.drawingObjects << " drawing objects";
}
}  // namespace platform::sim

namespace testing_support {

using platform::WindowId;
using platform::sim::SimDesktop;
using namespace std::chrono_literals;

// The four child classes that make a document window a chat room.
enum Missing { kNone, kRichCntl, kListbox, kIcon, kStatic };

struct ChatClient {
    WindowId frame = 0, mdi = 0, room = 0, transcript = 0, entry = 0;

    // A client whose documents before the room each lack one of the four
    // classes; the room perhaps with a single "RICHCNTL" (then it has no
    // entry line).
    static ChatClient Install(SimDesktop& desk, const std::vector<Missing>& decoys = {}, bool oneRichCntl = false) {
        ChatClient client;
        client.frame = desk.AddForeignWindow(0, "AOL Frame25", "Chat client");
        client.mdi = desk.AddForeignWindow(client.frame, "MDIClient");
        for (Missing m : decoys) AddDocument(desk, client.mdi, m);
        client.room = AddDocument(desk, client.mdi, kNone, oneRichCntl ? 1 : 2);
        client.transcript = desk.FindWindowExA(client.room, 0, "RICHCNTL");
        client.entry = desk.FindWindowExA(client.room, client.transcript, "RICHCNTL");
        return client;
    }

    static WindowId AddDocument(SimDesktop& desk, WindowId mdi, Missing missing, int richCntls = 2) {
        const WindowId doc = desk.AddForeignWindow(mdi, "AOL Child", "Room");
        for (int i = 0; i < richCntls && missing != kRichCntl; ++i) desk.AddForeignWindow(doc, "RICHCNTL");
        if (missing != kListbox) desk.AddForeignWindow(doc, "_AOL_Listbox");
        if (missing != kIcon) desk.AddForeignWindow(doc, "_AOL_Icon");
        if (missing != kStatic) desk.AddForeignWindow(doc, "_AOL_Static");
        return doc;
    }
};

// The lines the room's entry line sent, as bytes.
inline std::vector<std::string> Posted(const SimDesktop& desk) {
    std::vector<std::string> lines;
    for (const auto& line : desk.EnteredLines()) lines.push_back(line.bytes);
    return lines;
}

inline std::string Bytes(std::initializer_list<unsigned char> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace testing_support
