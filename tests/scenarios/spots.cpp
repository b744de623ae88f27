// The spots the scenarios click, as the two windows' layouts place them.
#include <algorithm>

#include "forms/Form1/Form1.h"
#include "forms/Form2/Form2.h"
#include "tests/scenarios/desk.h"

namespace scenarios {

SpotControl ControlOf(Spot spot) {
    const bool intro = spot == Spot::Picture || spot == Spot::Enter;
    const char* names[] = {"Label1", "SSCommand1", "Label5", "Label6", "Label7", "Label8", "Label4"};
    const auto layout = intro ? forms::Form1::Layout() : forms::Form2::Layout();
    const auto it = std::find_if(layout.controls.begin(), layout.controls.end(),
                                 [&](const auto& c) { return c.name == names[int(spot)]; });
    return {intro ? Window::Intro : Window::Idle, platform::ControlId(it - layout.controls.begin()), *it};
}

}  // namespace scenarios
