// The intro window: the program's first window. A click on its picture
// reveals the enter button; the button slides the window away and hands over
// to the idle window.
#pragma once

#include "platform/platform.h"

namespace forms {

class Program;

class Form1 {
public:
    // Creates the window, hidden; the caller runs Form_Load.
    explicit Form1(Program& program);

    static platform::FormLayout Layout();

    platform::Window& window() { return m_window; }
    void OnEvent(const platform::Event& event);

    void Form_Load();
    void Label1_Click();
    void SSCommand1_Click();

private:
    Program& m_program;
    platform::Window m_window;

public:
    // Controls in layout order.
    platform::Button SSCommand1{m_window, 0};
    platform::Label Label1{m_window, 1};
};

}  // namespace forms
