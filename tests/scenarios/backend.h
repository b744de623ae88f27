// A backend for the tests that both backends must pass alike: the platform,
// and a way to let its time pass with events delivered.
#pragma once

#include <chrono>
#include <memory>

#include "platform/platform.h"

namespace scenarios {

class Backend {
public:
    virtual ~Backend() = default;
    virtual platform::Platform& Platform() = 0;
    // Delivers events for this long: virtual time on the simulated desktop,
    // real time on Win32.
    virtual void RunFor(std::chrono::nanoseconds time) = 0;
};

std::unique_ptr<Backend> MakeBackend();

}  // namespace scenarios
