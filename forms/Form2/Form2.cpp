// The idle window's layout and handlers. Handlers keep no copies of state:
// every step reads the controls afresh, since clicks and ticks may run nested
// inside another handler's pumps and pauses.
#include "forms/Form2/Form2.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "chat/chat.h"
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

ControlLayout HiddenTextBox(const char* name, float left, float top, const char* text, int tab) {
    ControlLayout c;
    c.name = name;
    c.kind = ControlKind::TextBox;
    c.left = left;
    c.top = top;
    c.width = 855;
    c.height = 285;
    c.text = text;
    c.visible = false;
    c.tabIndex = tab;
    return c;
}

ControlLayout HotSpot(const char* name, float left, float top, float width, float height, int tab) {
    ControlLayout c;
    c.name = name;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.tabIndex = tab;
    c.cursor = Cursor::UpArrow;
    return c;
}

ControlLayout CounterText(const char* name, float left, float top, float width, const char* text,
                          int tab) {
    ControlLayout c;
    c.name = name;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = 255;
    c.text = text;
    c.tabIndex = tab;
    c.font = platform::Font{"MS Serif", 8.25f, 400};
    c.foreColor = platform::Rgb{0, 255, 255};
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

    ControlLayout timer;
    timer.name = "Timer1";
    timer.kind = ControlKind::Timer;
    timer.enabled = false;
    timer.intervalMs = 60000;

    layout.controls = {
        HiddenTextBox("Text4", 1200, 1800, "", 11),
        HiddenTextBox("Text3", 120, 1800, "[ down load here]", 10),
        HiddenTextBox("Text2", 1200, 1440, kDownloadAddress, 9),
        HiddenTextBox("Text1", 120, 1440, "< a href=\"", 8),
        timer,
        HotSpot("Label8", 2640, 120, 255, 375, 7),
        HotSpot("Label7", 120, 120, 375, 375, 6),
        HotSpot("Label6", 120, 960, 855, 255, 5),
        HotSpot("Label5", 120, 600, 855, 255, 4),
        HotSpot("Label4", 840, 120, 1335, 375, 3),
        CounterText("Label3", 2280, 840, 495, "min.", 2),
        CounterText("Label2", 1680, 840, 495, "0", 1),
        CounterText("Label1", 1080, 600, 1335, "Been Idle for:", 0),
    };
    return layout;
}

Form2::Form2(platform::Platform& platform)
    : m_platform(platform), m_window(platform, platform.CreateForm(Layout())) {}

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
