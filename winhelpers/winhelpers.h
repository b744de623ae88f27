// Placement and window-state helpers, and the intro window's departure slide.
// Each takes the window by reference and reads what it needs afresh.
#pragma once

#include "platform/platform.h"

namespace winhelpers {

void CenterOnScreen(platform::Window& window);
void PinOnTop(platform::Window& window);
void BeginWindowDrag(platform::Window& window);
void MinimizeWindow(platform::Window& window);
void SlideAroundScreen(platform::Window& window);

}  // namespace winhelpers
