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
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    static platform::FormLayout Layout();

    platform::Window& window() { return m_window; }
    void OnEvent(const platform::Event& event);

    // The handlers keep the layout's names.
    void Form_Load();         // start-up: centre, pin on top
    void Label1_Click();      // the picture: reveal the enter button
    void SSCommand1_Click();  // ENTER: slide away, hand over to the idle window

private:
    Program& m_program;
    platform::Window m_window;

public:
    // Controls in layout order.
    platform::Button SSCommand1{m_window, 0};
    platform::Label Label1{m_window, 1};
};

}  // namespace forms
