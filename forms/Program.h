// The program: its two windows, reached by name and created on first use,
// and the one entry point through which the backend delivers events.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace forms {

class Form1;
class Form2;

class Program final : public platform::EventSink {
public:
    explicit Program(platform::Platform& platform);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Creates the intro window (its load handler runs) and shows it. An error
    // on the way ends the program like one in a handler.
    void Start();

    // The windows by name; the first reference creates the window and runs
    // its load handler.
    Form1& GetForm1();
    Form2& GetForm2();

    platform::Platform& platform() const { return m_platform; }

    // Dispatches one event to its handler. An error that escapes a handler
    // shows the runtime's error box and ends the program.
    void OnEvent(const platform::Event& event) override;

private:
    // Nothing below the program catches errors: one that escapes shows the
    // runtime's error box and ends the program.
    template <typename Action>
    void Guarded(Action&& action);

    platform::Platform& m_platform;
    bool m_ending = false;  // a runtime error's box is up
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<Form2> m_form2;
};

}  // namespace forms
