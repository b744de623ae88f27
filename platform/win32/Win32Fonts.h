// Fonts for labels and buttons, with stand-ins for faces the system lacks.
// Win32 backend only.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/win32/Win32Handles.h"

namespace platform::win32 {

// Pixel height (negative: character height) of a point size at 96 dpi,
// which the program's layouts assume whatever the display says.
int FontPixelHeight(float points);

class FontCatalog {
public:
    // A font for `font`; nullopt gives the default control font. Throws
    // platform::RuntimeError when GDI cannot make any font.
    UniqueGdi<HFONT> Create(const std::optional<platform::Font>& font);

    // The face Create uses for `face`: itself when installed, else the first
    // installed stand-in, else empty (GDI then picks by family).
    std::wstring ResolveFace(std::string_view face);

    bool IsInstalled(const std::wstring& face);

private:
    std::map<std::wstring, bool> m_installed;
};

}  // namespace platform::win32
