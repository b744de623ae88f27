// Stand-in for the desktop chat client, used only by the end-to-end tests.
// It rebuilds the client's window tree by class (frame, MDI client, document
// windows, a chat room's controls) and the entry line's reaction to WM_SETTEXT
// and Enter, and logs every arrival so tests can check bytes and order. It
// must not imitate anything else of the client: the tests may only rely on
// what the program itself relies on.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../common/ToolText.h"

namespace {

using tools::Escape;
using tools::Hex;
using tools::ToWide;

constexpr wchar_t kFrameClass[] = L"AOL Frame25";
constexpr wchar_t kDocClass[] = L"AOL Child";
constexpr char kRichClass[] = "RICHCNTL";
constexpr wchar_t kListClass[] = L"_AOL_Listbox";
constexpr wchar_t kIconClass[] = L"_AOL_Icon";
constexpr wchar_t kStaticClass[] = L"_AOL_Static";
constexpr UINT_PTR kControlTimer = 1;
constexpr UINT kControlPollMs = 25;

// Which of a chat room's four child classes a document window has.
enum class DocKind { Room, Single, NoRichcntl, NoListbox, NoIcon, NoStatic };

struct KindName {
    DocKind kind;
    const char* name;
};
constexpr KindName kKindNames[] = {
    {DocKind::Room, "room"},
    {DocKind::Single, "single"},
    {DocKind::NoRichcntl, "no-richcntl"},
    {DocKind::NoListbox, "no-listbox"},
    {DocKind::NoIcon, "no-icon"},
    {DocKind::NoStatic, "no-static"},
};
// Decoys take the missing class in this rotation.
constexpr DocKind kDecoyRotation[] = {DocKind::NoRichcntl, DocKind::NoListbox, DocKind::NoIcon,
                                      DocKind::NoStatic};

const char* KindName(DocKind kind) {
    for (const auto& k : kKindNames)
        if (k.kind == kind) return k.name;
    return "?";
}

bool ParseKind(const std::string& text, DocKind& kind) {
    for (const auto& k : kKindNames) {
        if (text == k.name) {
            kind = k.kind;
            return true;
        }
    }
    return false;
}

bool IsDecoy(DocKind kind) { return kind != DocKind::Room && kind != DocKind::Single; }

std::string HwndText(HWND h) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%lx",
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(h)));
    return buf;
}

// Tab-separated records: time, event, document, detail, hex bytes, escaped
// bytes. Appended one WriteFile each, so a reader never sees half a record.
class Log {
public:
    bool Open(const std::string& path) {
        m_file.reset(::CreateFileW(ToWide(path).c_str(), FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        return static_cast<bool>(m_file);
    }

    void Write(const char* event, const std::string& doc, const std::string& detail,
               const std::string& bytes) {
        Record(event, doc, detail, Hex(bytes), bytes.empty() ? "-" : Escape(bytes));
    }

    // For records whose last two fields are not text bytes.
    void Record(const char* event, const std::string& doc, const std::string& detail,
                const std::string& hexField, const std::string& textField) {
        if (!m_file) return;
        char t[32];
        std::snprintf(t, sizeof t, "%.3f", tools::MonotonicMs());
        std::string line = std::string(t) + '\t' + event + '\t' + Or(doc) + '\t' + Or(detail) +
                           '\t' + Or(hexField) + '\t' + Or(textField) + '\n';
        DWORD written = 0;
        ::WriteFile(m_file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }

private:
    static std::string Or(const std::string& s) { return s.empty() ? "-" : s; }
    tools::UniqueFile m_file;
};

struct Doc {
    std::string name;
    DocKind kind = DocKind::Room;
    HWND hwnd = nullptr;
    HWND transcript = nullptr;  // first "RICHCNTL"
    HWND entry = nullptr;       // second "RICHCNTL"
    HWND listbox = nullptr;
    HWND icon = nullptr;
    HWND label = nullptr;
};

struct Options {
    std::string logPath;
    std::string controlPath;
    std::vector<DocKind> layout;
    std::string typed;  // UTF-8
    double hangOnSetText = 0;
    std::wstring title = L"Stand-in chat client";
    int strays = 0;  // top-level "RICHCNTL" windows of another program, no client
    int x = 10, y = 10, width = 900, height = 660;
};

class StandIn;
StandIn* g_app = nullptr;
WNDPROC g_richBase = nullptr;

class StandIn {
public:
    explicit StandIn(Options options) : m_options(std::move(options)) {}

    bool Run(HINSTANCE instance) {
        m_instance = instance;
        if (!m_options.logPath.empty() && !m_log.Open(m_options.logPath)) {
            std::fprintf(stderr, "standin: cannot open log %s\n", m_options.logPath.c_str());
            return false;
        }
        if (!RegisterClasses()) return false;
        m_frame =
            ::CreateWindowExW(0, FrameClass(), m_options.title.c_str(),
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, m_options.x, m_options.y,
                              m_options.width, m_options.height, nullptr, nullptr, instance, this);
        if (!m_frame) return false;
        m_log.Record("start", "-", std::to_string(::GetCurrentProcessId()), HwndText(m_frame),
                     HwndText(m_mdi));
        for (DocKind kind : m_options.layout) OpenDoc(kind);
        Restack();
        for (int i = 1; i <= m_options.strays; ++i) OpenStray(i);
        if (!m_options.typed.empty()) TypeIntoRoom(m_options.typed);
        m_hangNextSetText = m_options.hangOnSetText;
        ::ShowWindow(m_frame, SW_SHOWNORMAL);
        ::UpdateWindow(m_frame);
        if (!m_options.controlPath.empty())
            ::SetTimer(m_frame, kControlTimer, kControlPollMs, nullptr);
        m_log.Record("ready", "-", "-", HwndText(m_frame), "-");

        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (m_mdi && ::TranslateMDISysAccel(m_mdi, &msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        m_log.Record("quit", "-", "-", "-", "-");
        return true;
    }

    // ---- The entry line and transcript ("RICHCNTL") ----

    // Returns true when the message is fully handled here.
    bool OnRichMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg != WM_SETTEXT && msg != WM_CHAR) return false;
        Doc* doc = DocOf(h);
        if (!doc) return false;
        const char* role = h == doc->entry ? "entry" : "transcript";
        if (msg == WM_SETTEXT) {
            const char* text = reinterpret_cast<const char*>(lp);
            m_log.Write("settext", doc->name, role, text ? text : "");
            if (m_hangNextSetText > 0) {
                double seconds = m_hangNextSetText;
                m_hangNextSetText = 0;
                Hang(seconds);
            }
            return false;
        }
        if (msg == WM_CHAR) {
            if (wp != 13) {
                m_log.Write("char", doc->name, role, std::string(1, static_cast<char>(wp)));
                return false;
            }
            std::string line = RichText(h);
            m_log.Write("enter", doc->name, role, line);
            if (h == doc->entry) {
                AppendToTranscript(*doc, line);
                ::CallWindowProcA(g_richBase, h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
            }
            // NOTE: the CR is eaten, or the rich edit would start a new paragraph.
            return true;
        }
        return false;
    }

private:
    // ---- Classes ----

    const wchar_t* FrameClass() const {
        return m_options.strays ? L"StandInOtherProgram" : kFrameClass;
    }

    bool RegisterClasses() {
        WNDCLASSEXW frame{};
        frame.cbSize = sizeof frame;
        frame.lpfnWndProc = FrameProc;
        frame.hInstance = m_instance;
        frame.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        frame.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
        frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        // As another program, the frame must not pass for the client's.
        frame.lpszClassName = FrameClass();
        if (!::RegisterClassExW(&frame)) return false;

        WNDCLASSEXW doc = frame;
        doc.lpfnWndProc = DocProc;
        doc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        doc.lpszClassName = kDocClass;
        if (!::RegisterClassExW(&doc)) return false;

        if (!::LoadLibraryW(L"riched20.dll")) return false;
        // NOTE: the entry line is an ANSI window, as in the real client, so a
        // WM_SETTEXT arrives here as the exact bytes the sender's code page gave.
        WNDCLASSEXA rich{};
        rich.cbSize = sizeof rich;
        if (!::GetClassInfoExA(nullptr, "RichEdit20A", &rich)) return false;
        g_richBase = rich.lpfnWndProc;
        rich.lpfnWndProc = RichProc;
        rich.hInstance = m_instance;
        rich.style &= ~CS_GLOBALCLASS;
        rich.lpszClassName = kRichClass;
        if (!::RegisterClassExA(&rich)) return false;

        return Superclass(L"LISTBOX", kListClass) && Superclass(L"BUTTON", kIconClass) &&
               Superclass(L"STATIC", kStaticClass);
    }

    // Same behaviour as the system class, under the client's class name.
    bool Superclass(const wchar_t* base, const wchar_t* name) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        if (!::GetClassInfoExW(nullptr, base, &wc)) return false;
        wc.hInstance = m_instance;
        wc.style &= ~CS_GLOBALCLASS;
        wc.lpszClassName = name;
        return ::RegisterClassExW(&wc) != 0;
    }

    static LRESULT CALLBACK FrameProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE) {
            auto* self =
                static_cast<StandIn*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
            ::SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<StandIn*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
        HWND mdi = self ? self->m_mdi : nullptr;
        switch (msg) {
            case WM_CREATE:
                return self->OnFrameCreate(h) ? 0 : -1;
            case WM_TIMER:
                if (wp == kControlTimer) {
                    self->PollControl();
                    return 0;
                }
                break;
            case WM_DESTROY:
                ::PostQuitMessage(0);
                return 0;
            case WM_NCDESTROY:
                ::SetWindowLongPtrW(h, GWLP_USERDATA, 0);
                break;
        }
        return ::DefFrameProcW(h, mdi, msg, wp, lp);
    }

    bool OnFrameCreate(HWND frame) {
        CLIENTCREATESTRUCT ccs = {};
        ccs.idFirstChild = 1000;
        m_mdi = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"MDIClient", nullptr,
                                  WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE,
                                  0, 0, 0, 0, frame, nullptr, m_instance, &ccs);
        return m_mdi != nullptr;
    }

    static LRESULT CALLBACK DocProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        switch (msg) {
            case WM_CREATE: {
                auto* mcs = reinterpret_cast<MDICREATESTRUCTW*>(
                    reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
                auto* doc = reinterpret_cast<Doc*>(mcs->lParam);
                doc->hwnd = h;
                g_app->CreateDocControls(*doc);
                return 0;
            }
            case WM_SIZE:
                if (Doc* doc = g_app->DocOf(h)) g_app->LayoutDoc(*doc);
                break;  // DefMDIChildProc must see WM_SIZE too
            case WM_DESTROY:
                g_app->OnDocDestroyed(h);
                break;
        }
        return ::DefMDIChildProcW(h, msg, wp, lp);
    }

    static LRESULT CALLBACK RichProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (g_app && g_app->OnRichMessage(h, msg, wp, lp)) return 0;
        return ::CallWindowProcA(g_richBase, h, msg, wp, lp);
    }

    // ---- Documents ----

    Doc* DocOf(HWND h) {
        for (auto& d : m_docs)
            if (d->hwnd == h || d->transcript == h || d->entry == h) return d.get();
        return nullptr;
    }

    void OpenDoc(DocKind kind) {
        auto doc = std::make_unique<Doc>();
        doc->kind = kind;
        doc->name = IsDecoy(kind) ? "Decoy" + std::to_string(++m_decoyCount)
                                  : "Room" + std::to_string(++m_roomCount);
        // Rooms fill the left, decoys stack small at the right, so a screenshot
        // shows the room whatever the stacking.
        int x = 0, y = 0, cx = 600, cy = 420;
        if (IsDecoy(kind)) {
            int i = m_decoyCount - 1;
            x = 610 + (i / 16) * 12;
            y = (i % 16) * 26;
            cx = 250;
            cy = 140;
        } else {
            x = y = (m_roomCount - 1) % 6 * 30;
        }
        std::wstring title = ToWide(doc->name);
        MDICREATESTRUCTW mcs = {};
        mcs.szClass = kDocClass;
        mcs.szTitle = title.c_str();
        mcs.hOwner = m_instance;
        mcs.x = x;
        mcs.y = y;
        mcs.cx = cx;
        mcs.cy = cy;
        mcs.lParam = reinterpret_cast<LPARAM>(doc.get());
        Doc* raw = doc.get();
        m_docs.push_back(std::move(doc));
        HWND h = reinterpret_cast<HWND>(
            ::SendMessageW(m_mdi, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
        if (!h) {
            m_log.Record("error", raw->name, "mdicreate", "-", "-");
            m_docs.pop_back();
            return;
        }
        m_log.Record("doc-open", raw->name, KindName(kind), HwndText(h), HwndText(raw->entry));
    }

    // A top-level "RICHCNTL" window of another program, logged like an
    // entry line: nothing the program posts may ever reach it.
    void OpenStray(int i) {
        auto doc = std::make_unique<Doc>();
        doc->name = "Stray" + std::to_string(i);
        doc->hwnd = doc->entry = ::CreateWindowExA(
            WS_EX_TOOLWINDOW, kRichClass, doc->name.c_str(), WS_POPUP | WS_BORDER | WS_VISIBLE,
            m_options.x, m_options.y + m_options.height + 10 + (i - 1) * 40, 300, 30, nullptr,
            nullptr, m_instance, nullptr);
        if (!doc->hwnd) {
            m_log.Record("error", doc->name, "create", "-", "-");
            return;
        }
        m_log.Record("doc-open", doc->name, "stray", HwndText(doc->hwnd), HwndText(doc->entry));
        m_docs.push_back(std::move(doc));
    }

    void CreateDocControls(Doc& doc) {
        DocKind k = doc.kind;
        HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style) {
            HWND c = ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10,
                                       doc.hwnd, nullptr, m_instance, nullptr);
            ::SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            return c;
        };
        auto makeRich = [&](DWORD style) {
            HWND c = ::CreateWindowExA(WS_EX_CLIENTEDGE, kRichClass, nullptr,
                                       WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, doc.hwnd,
                                       nullptr, m_instance, nullptr);
            ::SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            return c;
        };
        // Creation order is the child order the program searches in.
        if (k != DocKind::NoRichcntl) {
            doc.transcript = makeRich(ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL);
            if (k != DocKind::Single) doc.entry = makeRich(ES_AUTOHSCROLL);
        }
        if (k != DocKind::NoListbox) {
            doc.listbox = make(kListClass, nullptr, WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT);
            for (const wchar_t* who : {L"qel", L"Guest 1", L"Guest 2"})
                ::SendMessageW(doc.listbox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(who));
        }
        if (k != DocKind::NoIcon) doc.icon = make(kIconClass, L"Send", BS_PUSHBUTTON);
        if (k != DocKind::NoStatic) doc.label = make(kStaticClass, L"3 people here", SS_LEFT);
        LayoutDoc(doc);
    }

    void LayoutDoc(Doc& doc) {
        RECT rc;
        ::GetClientRect(doc.hwnd, &rc);
        const int pad = 6, side = 110, line = 24;
        int w = rc.right, h = rc.bottom;
        int mainW = w - side - 3 * pad;
        auto place = [](HWND c, int x, int y, int cx, int cy) {
            if (c) ::MoveWindow(c, x, y, cx < 1 ? 1 : cx, cy < 1 ? 1 : cy, TRUE);
        };
        place(doc.transcript, pad, pad, mainW, h - line - 3 * pad);
        place(doc.entry, pad, h - line - pad, mainW, line);
        place(doc.label, w - side - pad, pad, side, 18);
        place(doc.listbox, w - side - pad, pad + 22, side, h - line - 22 - 3 * pad);
        place(doc.icon, w - side - pad, h - line - pad, side, line);
    }

    void OnDocDestroyed(HWND h) {
        for (auto it = m_docs.begin(); it != m_docs.end(); ++it) {
            if ((*it)->hwnd == h) {
                m_log.Record("doc-close", (*it)->name, KindName((*it)->kind), HwndText(h), "-");
                m_docs.erase(it);
                return;
            }
        }
    }

    // MDI brings an activated document to the top; the tests need the child
    // order to be the order the documents were opened in.
    void Restack() {
        for (auto& d : m_docs)
            ::SetWindowPos(d->hwnd, HWND_BOTTOM, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        std::string order;
        for (HWND c = ::GetWindow(m_mdi, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            Doc* d = nullptr;
            for (auto& x : m_docs)
                if (x->hwnd == c) d = x.get();
            if (!d) continue;  // e.g. icon titles of minimized documents
            if (!order.empty()) order += ',';
            order += d->name;
        }
        m_log.Record("order", "-", std::to_string(m_docs.size()), "-", order);
    }

    Doc* FirstRoom() {
        for (auto& d : m_docs)
            if (d->kind == DocKind::Room) return d.get();
        return nullptr;
    }

    static std::string RichText(HWND h) {
        auto n = ::CallWindowProcA(g_richBase, h, WM_GETTEXTLENGTH, 0, 0);
        std::string text(static_cast<size_t>(n) + 1, '\0');
        auto got = ::CallWindowProcA(g_richBase, h, WM_GETTEXT, text.size(),
                                     reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(got));
        return text;
    }

    void AppendToTranscript(Doc& doc, const std::string& bytes) {
        if (!doc.transcript) return;
        std::string add = ::GetWindowTextLengthA(doc.transcript) > 0 ? "\r\n" : "";
        add += "qel: " + bytes;
        ::SendMessageA(doc.transcript, EM_SETSEL, static_cast<WPARAM>(-1), -1);
        ::SendMessageA(doc.transcript, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(add.c_str()));
        ::SendMessageA(doc.transcript, EM_SCROLLCARET, 0, 0);
    }

    // As if the user had typed: the text bypasses the WM_SETTEXT log.
    void TypeIntoRoom(const std::string& utf8) {
        Doc* room = FirstRoom();
        if (!room || !room->entry) return;
        std::string bytes = tools::FromWide(ToWide(utf8), CP_ACP);
        ::CallWindowProcA(g_richBase, room->entry, WM_SETTEXT, 0,
                          reinterpret_cast<LPARAM>(bytes.c_str()));
        m_log.Write("typed", room->name, "entry", RichText(room->entry));
    }

    void Hang(double seconds) {
        char s[32];
        std::snprintf(s, sizeof s, "%g", seconds);
        m_log.Record("hang-begin", "-", s, "-", "-");
        ::Sleep(static_cast<DWORD>(seconds * 1000));
        m_log.Record("hang-end", "-", s, "-", "-");
    }

    // ---- Control file: one command per line, appended by the tests ----

    void PollControl() {
        tools::UniqueFile f(::CreateFileW(ToWide(m_options.controlPath).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!f) return;
        LARGE_INTEGER at;
        at.QuadPart = m_controlOffset;
        ::SetFilePointerEx(f.get(), at, nullptr, FILE_BEGIN);
        char buf[4096];
        DWORD got = 0;
        while (::ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) {
            m_controlBuffer.append(buf, got);
            m_controlOffset += got;
        }
        f.reset();
        // A command runs only once its whole line is there; a partial line
        // waits in the buffer for the next poll.
        size_t nl;
        while ((nl = m_controlBuffer.find('\n')) != std::string::npos) {
            std::string line = m_controlBuffer.substr(0, nl);
            m_controlBuffer.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) RunCommand(line);
            if (!::IsWindow(m_frame)) return;
        }
    }

    void RunCommand(const std::string& line) {
        m_log.Write("cmd", "-", "-", line);
        size_t sp = line.find(' ');
        std::string verb = line.substr(0, sp);
        std::string arg = sp == std::string::npos ? "" : line.substr(sp + 1);
        if (verb == "close-room") {
            Doc* target = nullptr;
            for (auto& d : m_docs)
                if (arg.empty() ? d->kind == DocKind::Room : d->name == arg) {
                    target = d.get();
                    break;
                }
            if (!target) {
                m_log.Record("error", arg, "no-such-doc", "-", "-");
            } else {
                ::SendMessageW(m_mdi, WM_MDIDESTROY, reinterpret_cast<WPARAM>(target->hwnd), 0);
                Restack();
            }
        } else if (verb == "open-room") {
            DocKind kind = DocKind::Room;
            if (!arg.empty() && !ParseKind(arg, kind)) {
                m_log.Record("error", "-", "bad-kind", "-", Escape(arg));
            } else {
                OpenDoc(kind);
                Restack();
            }
        } else if (verb == "hang") {
            Hang(std::atof(arg.c_str()));
        } else if (verb == "arm-hang") {
            m_hangNextSetText = std::atof(arg.c_str());
        } else if (verb == "type") {
            TypeIntoRoom(arg);
        } else if (verb == "quit") {
            m_log.Write("done", "-", "-", line);
            ::DestroyWindow(m_frame);
            return;
        } else {
            m_log.Record("error", "-", "bad-command", "-", Escape(line));
        }
        m_log.Write("done", "-", "-", line);
    }

    Options m_options;
    Log m_log;
    HINSTANCE m_instance = nullptr;
    HWND m_frame = nullptr;
    HWND m_mdi = nullptr;
    std::vector<std::unique_ptr<Doc>> m_docs;  // in child order
    int m_roomCount = 0;
    int m_decoyCount = 0;
    double m_hangNextSetText = 0;
    LONGLONG m_controlOffset = 0;
    std::string m_controlBuffer;
};

bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error) {
    int decoys = 0;
    bool single = false, noRoom = false, haveLayout = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--log") {
            if (!value(o.logPath)) return false;
        } else if (a == "--control") {
            if (!value(o.controlPath)) return false;
        } else if (a == "--decoys") {
            if (!value(v)) return false;
            decoys = std::atoi(v.c_str());
        } else if (a == "--single-richcntl") {
            single = true;
        } else if (a == "--no-room") {
            noRoom = true;
        } else if (a == "--stray-richcntl") {
            if (!value(v)) return false;
            o.strays = std::atoi(v.c_str());
            noRoom = true;
        } else if (a == "--layout") {
            if (!value(v)) return false;
            haveLayout = true;
            size_t start = 0;
            while (start <= v.size()) {
                size_t comma = v.find(',', start);
                std::string word =
                    v.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                DocKind kind;
                if (!word.empty()) {
                    if (!ParseKind(word, kind)) {
                        error = "unknown document kind: " + word;
                        return false;
                    }
                    o.layout.push_back(kind);
                }
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (a == "--typed") {
            if (!value(o.typed)) return false;
        } else if (a == "--hang-on-settext") {
            if (!value(v)) return false;
            o.hangOnSetText = std::atof(v.c_str());
        } else if (a == "--title") {
            if (!value(v)) return false;
            o.title = ToWide(v);
        } else if (a == "--geometry") {
            if (!value(v)) return false;
            if (std::sscanf(v.c_str(), "%d,%d,%d,%d", &o.x, &o.y, &o.width, &o.height) != 4) {
                error = "--geometry wants X,Y,W,H";
                return false;
            }
        } else {
            error = "unknown option: " + a;
            return false;
        }
    }
    if (o.strays && (haveLayout || decoys)) {
        error = "--stray-richcntl stands for another program: no documents with it";
        return false;
    }
    if (!haveLayout) {
        for (int i = 0; i < decoys; ++i) o.layout.push_back(kDecoyRotation[i % 4]);
        if (!noRoom) o.layout.push_back(single ? DocKind::Single : DocKind::Room);
    }
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Options options;
    std::string error;
    if (!ParseOptions(tools::Arguments(), options, error)) {
        std::fprintf(stderr, "standin: %s\n", error.c_str());
        return 2;
    }
    StandIn app(std::move(options));
    g_app = &app;
    bool ok = app.Run(instance);
    g_app = nullptr;
    return ok ? 0 : 1;
}
