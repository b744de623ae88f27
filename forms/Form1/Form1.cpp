// The intro window's layout and handlers.
#include "forms/Form1/Form1.h"

#include "forms/Form2/Form2.h"
#include "forms/Program.h"
#include "resources/resource.h"
#include "winhelpers/winhelpers.h"

namespace forms {

platform::FormLayout Form1::Layout() {
    platform::FormLayout layout;
    layout.name = "Form1";
    layout.clientWidth = 7200;
    layout.clientHeight = 5400;
    layout.taskbarButton = false;
    layout.placement = platform::Placement::PlatformDefault;
    layout.pictureId = IDR_INTRO_PICTURE;

    // In layout order, which the control ids follow.
    layout.controls.resize(2);
    platform::ControlLayout& button = layout.controls[0];
    button.name = "SSCommand1";
    button.kind = platform::ControlKind::Button;
    button.left = 5040;
    button.top = 4560;
    button.width = 1815;
    button.height = 375;
    button.text = "-- E N T E R --";
    button.visible = false;
    button.tabIndex = 1;
    button.font = platform::Font{"Arial", 12, 700};

    // Covers all but the bottom 105 twips; one pixel past the right edge.
    platform::ControlLayout& label = layout.controls[1];
    label.name = "Label1";
    label.left = 0;
    label.top = 0;
    label.width = 7215;
    label.height = 5295;
    label.tabIndex = 0;
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
