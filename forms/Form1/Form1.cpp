// The intro window's layout and handlers.
#include "forms/Form1/Form1.h"

#include "forms/ControlRow.h"
#include "forms/Form2/Form2.h"
#include "forms/Program.h"
#include "resources/resource.h"
#include "winhelpers/winhelpers.h"

namespace forms {

namespace {

// What a control of the intro window is for, which gives its kind and look.
enum class Role { EnterButton, Picture };

// The picture covers all but the bottom 105 twips, one pixel past the right
// edge.
constexpr ControlRow<Role> kControls[] = {
    {Role::EnterButton, "SSCommand1", 5040, 4560, 1815, 375, "-- E N T E R --"},
    {Role::Picture, "Label1", 0, 0, 7215, 5295, ""},
};

platform::ControlLayout FromRow(const ControlRow<Role>& row) {
    platform::ControlLayout c = Placed(row);
    switch (row.role) {
    case Role::EnterButton:
        c.kind = platform::ControlKind::Button;
        c.visible = false;  // until the picture is clicked
        c.font = platform::Font{"Arial", 12, 700};
        break;
    case Role::Picture:
        break;
    }
    return c;
}

}  // namespace

platform::FormLayout Form1::Layout() {
    platform::FormLayout layout;
    layout.name = "Form1";
    layout.clientWidth = 7200;
    layout.clientHeight = 5400;
    layout.taskbarButton = false;
    layout.placement = platform::Placement::PlatformDefault;
    layout.pictureId = IDR_INTRO_PICTURE;

    for (const auto& row : kControls) layout.controls.push_back(FromRow(row));
    return layout;
}

Form1::Form1(Program& program)
    : m_program(program), m_window(program.platform(), program.platform().CreateForm(Layout())) {}

Form1::~Form1() { m_window.platform().DestroyForm(m_window.hWnd()); }

void Form1::OnEvent(const platform::Event& event) {
    if (event.kind != platform::EventKind::Click) return;
    if (event.control == Label1.id()) {
        Label1_Click();
    } else if (event.control == SSCommand1.id()) {
        SSCommand1_Click();
    }
}

void Form1::Form_Load() {
    winhelpers::CenterOnScreen(m_window);
    winhelpers::PinOnTop(m_window);
}

void Form1::Label1_Click() { SSCommand1.SetVisible(true); }

void Form1::SSCommand1_Click() {
    // A press that waited in the queue while the window slid reaches the
    // button only once the window is hidden: the hand-over happens once.
    if (!m_window.Visible()) return;
    winhelpers::SlideAroundScreen(m_window);
    m_window.Hide();
    // The first reference creates the idle window and runs its load handler,
    // which posts the start-up lines before the window becomes visible.
    m_program.GetForm2().window().Show();
}

}  // namespace forms
