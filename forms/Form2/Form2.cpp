// The idle window's layout and handlers. Handlers keep no copies of state:
// every step reads the controls afresh, since clicks and ticks may run nested
// inside another handler's pumps and pauses.
#include "forms/Form2/Form2.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "chat/chat.h"
#include "forms/ControlRow.h"
#include "resources/resource.h"
#include "winhelpers/winhelpers.h"

namespace forms {

using platform::ControlKind;
using platform::ControlLayout;
using platform::Cursor;

namespace {

constexpr const char* kLinePrefix =
    "<font color=\"#808888\"><font face=\"arial narrow\">\u2022\u00F7^\u00B7 \u00B7\u2022\u00A4 ";
constexpr const char* kBrand = "<b>K</b>oarvo <b>I</b>dle v\u00B2 by <b>q</b>el";
constexpr const char* kLoadSuffix = " Min(s)            [qel]";
constexpr const char* kTickSuffix = " Min(s)                [qel]";
constexpr const char* kAlreadyOn = "ERROR.   Koarvo idle is already activated.";
constexpr const char* kAlreadyOff = "ERROR.   Koarvo idle is already deactivated.";
// The program has no site yet; a reserved example domain points nowhere real.
constexpr const char* kDownloadAddress = "http://korvoidle.example.com";

// A line from its pieces.
std::string Joined(std::initializer_list<std::string_view> pieces) {
    std::string line;
    for (const std::string_view piece : pieces) line += piece;
    return line;
}

constexpr int kFarewellPasses = 35;
constexpr float kFarewellMargin = 200;

// What a control of the idle window is for, which gives its kind and look.
enum class Role { LinkPiece, Timer, HotSpot, CounterText };

// The link pieces are hidden text boxes, read and never written.
constexpr ControlRow<Role> kControls[] = {
    {Role::LinkPiece, "Text4", 1200, 1800, 855, 285, ""},
    {Role::LinkPiece, "Text3", 120, 1800, 855, 285, "[ down load here]"},
    {Role::LinkPiece, "Text2", 1200, 1440, 855, 285, kDownloadAddress},
    {Role::LinkPiece, "Text1", 120, 1440, 855, 285, "< a href=\""},
    {Role::Timer, "Timer1", 0, 0, 0, 0, ""},
    {Role::HotSpot, "Label8", 2640, 120, 255, 375, ""},
    {Role::HotSpot, "Label7", 120, 120, 375, 375, ""},
    {Role::HotSpot, "Label6", 120, 960, 855, 255, ""},
    {Role::HotSpot, "Label5", 120, 600, 855, 255, ""},
    {Role::HotSpot, "Label4", 840, 120, 1335, 375, ""},
    {Role::CounterText, "Label3", 2280, 840, 495, 255, "min."},
    {Role::CounterText, "Label2", 1680, 840, 495, 255, "0"},
    {Role::CounterText, "Label1", 1080, 600, 1335, 255, "Been Idle for:"},
};

ControlLayout FromRow(const ControlRow<Role>& row) {
    ControlLayout c = Placed(row);
    switch (row.role) {
    case Role::LinkPiece:
        c.kind = ControlKind::TextBox;
        c.visible = false;
        break;
    case Role::Timer:
        c.kind = ControlKind::Timer;
        c.enabled = false;
        c.intervalMs = 60000;
        break;
    case Role::HotSpot:
        c.cursor = Cursor::UpArrow;
        break;
    case Role::CounterText:
        c.font = platform::Font{"MS Serif", 8.25f, 400};
        c.foreColor = platform::Rgb{0, 255, 255};
        break;
    }
    return c;
}

// A pass's coordinate: whole twips from 1 to W - 200. Held in 32 bits, so a
// wide screen cannot overflow it.
std::int32_t DrawCoordinate(platform::Platform& platform) {
    const float r = platform.Rnd();
    const float span = platform.ScreenWidth() - kFarewellMargin;
    return static_cast<std::int32_t>(std::floor(double(r) * double(span) + 1));
}

}  // namespace

platform::FormLayout Form2::Layout() {
    platform::FormLayout layout;
    layout.name = "Form2";
    layout.clientWidth = 2970;
    layout.clientHeight = 1335;
    layout.taskbarButton = true;
    layout.placement = platform::Placement::Manual;
    layout.left = 0;
    layout.top = 0;
    layout.pictureId = IDR_IDLE_PICTURE;

    for (const auto& row : kControls) layout.controls.push_back(FromRow(row));
    return layout;
}

Form2::Form2(platform::Platform& platform)
    : m_platform(platform), m_window(platform, platform.CreateForm(Layout())) {}

Form2::~Form2() { m_platform.DestroyForm(m_window.hWnd()); }

std::string Form2::TitleLine() {
    return Joined({kLinePrefix, "<b>K</b>orvao <b>I</b>dle v\u00B2 by <b>q</b>el"});
}

std::string Form2::OnLine() { return Joined({kLinePrefix, kBrand, " [<b>o</b>n]"}); }

std::string Form2::OffLine() { return Joined({kLinePrefix, kBrand, " [<b>o</b>ff]"}); }

std::string Form2::MinuteLine(const std::string& count) {
    return Joined({kLinePrefix, kBrand, " [", count, " <b>M</b>in(s)]"});
}

std::string Form2::LinkLine() const {
    // Read in this order: Text1, Text2, Text4, Text3.
    const std::string opening = Text1.Text();
    const std::string address = Text2.Text();
    const std::string after = Text4.Text();
    const std::string shown = Text3.Text();
    return Joined({kLinePrefix, opening, address, ">", after, shown, "</a>"});
}

void Form2::OnEvent(const platform::Event& event) {
    using platform::EventKind;
    const int id = event.control;
    if (event.kind == EventKind::Timer && id == Timer1.id()) {
        Timer1_Timer();
    } else if (event.kind == EventKind::MouseDown && id == Label4.id()) {
        Label4_MouseDown(event.button);
    } else if (event.kind == EventKind::Click) {
        if (id == Label5.id()) Label5_Click();
        else if (id == Label6.id()) Label6_Click();
        else if (id == Label7.id()) Label7_Click();
        else if (id == Label8.id()) Label8_Click();
    }
}

void Form2::Form_Load() {
    m_window.SetCaption(Label2.Caption() + kLoadSuffix);
    winhelpers::PinOnTop(m_window);
    winhelpers::CenterOnScreen(m_window);
    chat::PostChatLine(m_platform, TitleLine());
    chat::PauseSeconds(m_platform, 0.6);
    chat::PostChatLine(m_platform, LinkLine());
}

void Form2::Label4_MouseDown(platform::MouseButton /*any button drags*/) {
    winhelpers::BeginWindowDrag(m_window);
}

void Form2::Label5_Click() {
    if (Timer1.Enabled()) {
        m_platform.ShowMessage(kAlreadyOn);
        return;
    }
    chat::PostChatLine(m_platform, OnLine());
    chat::PauseSeconds(m_platform, 0.8);
    Timer1.SetEnabled(true);
}

void Form2::Label6_Click() {
    if (!Timer1.Enabled()) {
        m_platform.ShowMessage(kAlreadyOff);
        return;
    }
    chat::PostChatLine(m_platform, OffLine());
    chat::PauseSeconds(m_platform, 0.8);
    Timer1.SetEnabled(false);
    Label2.SetCaption("0");
}

void Form2::Label7_Click() { winhelpers::MinimizeWindow(m_window); }

void Form2::Timer1_Timer() {
    m_platform.PumpMessages();
    Label2.SetCaption(platform::NextCount(Label2.Caption()));
    m_window.SetCaption(Label2.Caption() + kTickSuffix);
    chat::PostChatLine(m_platform, MinuteLine(Label2.Caption()));
    chat::PauseSeconds(m_platform, 0.8);
}

void Form2::Label8_Click() {
    m_leaving = true;
    for (int pass = 1; pass <= kFarewellPasses; ++pass) {
        m_platform.Randomize();
        m_platform.PumpMessages();
        const std::int32_t x = DrawCoordinate(m_platform);
        m_platform.Randomize();
        m_platform.PumpMessages();
        const std::int32_t y = DrawCoordinate(m_platform);
        m_platform.PumpMessages();
        m_window.SetLeft(static_cast<float>(x));
        m_window.SetTop(static_cast<float>(y));
        m_platform.PumpMessages();
    }
    chat::PostChatLine(m_platform, TitleLine());
    chat::PostChatLine(m_platform, LinkLine());
    m_platform.End();
}

}  // namespace forms
