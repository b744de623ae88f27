// The idle window: its layout, the idle counter, the chat lines and the
// farewell. All state lives in the controls: the switch is Timer1's enabled
// flag and the count is Label2's caption.
#pragma once

#include <string>

#include "platform/platform.h"

namespace forms {

class Form2 {
public:
    // Creates the window, hidden; the caller runs Form_Load.
    explicit Form2(platform::Platform& platform);
    ~Form2();
    Form2(const Form2&) = delete;
    Form2& operator=(const Form2&) = delete;

    static platform::FormLayout Layout();

    platform::Window& window() { return m_window; }
    void OnEvent(const platform::Event& event);

    // The handlers keep the layout's names.
    void Form_Load();                                      // hand-over: caption, pin, centre, two lines
    void Label4_MouseDown(platform::MouseButton button);  // title strip: drag the window
    void Label5_Click();                                   // Start: switch the idler on
    void Label6_Click();                                   // Stop: switch it off, count back to 0
    void Label7_Click();                                   // the dash: minimize
    void Label8_Click();                                   // the x: farewell, then the program ends
    void Timer1_Timer();                                   // a minute: count, caption, minute line

    // The farewell has begun: it ends the program itself.
    bool Leaving() const { return m_leaving; }

private:
    // The lines the window posts.
    static std::string TitleLine();
    static std::string OnLine();
    static std::string OffLine();
    static std::string MinuteLine(const std::string& count);
    std::string LinkLine() const;

    platform::Platform& m_platform;
    platform::Window m_window;
    bool m_leaving = false;

public:
    // Controls in layout order.
    platform::TextBox Text4{m_window, 0};
    platform::TextBox Text3{m_window, 1};
    platform::TextBox Text2{m_window, 2};
    platform::TextBox Text1{m_window, 3};
    platform::Timer Timer1{m_window, 4};
    platform::Label Label8{m_window, 5};
    platform::Label Label7{m_window, 6};
    platform::Label Label6{m_window, 7};
    platform::Label Label5{m_window, 8};
    platform::Label Label4{m_window, 9};
    platform::Label Label3{m_window, 10};
    platform::Label Label2{m_window, 11};
    platform::Label Label1{m_window, 12};
};

}  // namespace forms
