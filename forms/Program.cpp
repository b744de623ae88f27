// The program object: both windows, created on first use, and the event
// entry point that turns an escaped runtime error into the error box.
#include "forms/Program.h"

#include <exception>

#include "forms/Form1/Form1.h"
#include "forms/Form2/Form2.h"

namespace forms {

Program::Program(platform::Platform& platform) : m_platform(platform) {}

Program::~Program() = default;

template <typename Action>
void Program::Guarded(Action&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        // The error ends the program: from here on no handler runs, also
        // none that the error box's own loop would dispatch.
        m_ending = true;
        m_platform.ShowRuntimeError(error.what());
        m_platform.End();
    }
}

void Program::Start() {
    Guarded([&] { GetForm1().window().Show(); });
}

Form1& Program::GetForm1() {
    if (!m_form1) {
        // The window counts as existing while its load handler runs.
        m_form1 = std::make_unique<Form1>(*this);
        m_form1->Form_Load();
    }
    return *m_form1;
}

Form2& Program::GetForm2() {
    if (!m_form2) {
        m_form2 = std::make_unique<Form2>(m_platform);
        m_form2->Form_Load();
    }
    return *m_form2;
}

void Program::OnEvent(const platform::Event& event) {
    if (m_ending) return;
    if (event.kind == platform::EventKind::Close) {
        // Requests come only between handlers' steps, never between a line's
        // text and its Enter. A farewell under way ends the program itself,
        // after its closing lines.
        if (m_form2 && m_form2->Leaving()) return;
        m_platform.End();
    }
    Guarded([&] {
        if (m_form1 && event.form == m_form1->window().hWnd()) {
            m_form1->OnEvent(event);
        } else if (m_form2 && event.form == m_form2->window().hWnd()) {
            m_form2->OnEvent(event);
        }
    });
}


}  // namespace forms
