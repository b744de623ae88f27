// A form's controls as a table: one row per control, in layout order, which
// the control ids follow. Each form names its own roles, which give a
// control its kind and look.
#pragma once

#include "platform/platform.h"

namespace forms {

template <typename Role>
struct ControlRow {
    Role role;
    const char* name;
    float left, top, width, height;  // twips
    const char* text;
};

// A row's name, place and text; the form adds what its role gives.
template <typename Role>
platform::ControlLayout Placed(const ControlRow<Role>& row) {
    platform::ControlLayout c;
    c.name = row.name;
    c.left = row.left;
    c.top = row.top;
    c.width = row.width;
    c.height = row.height;
    c.text = row.text;
    return c;
}

}  // namespace forms
