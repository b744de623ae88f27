// Win32 backend: font creation and face substitution.
#include "platform/win32/Win32Fonts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cwctype>

#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Text.h"

namespace platform::win32 {

namespace {

// The classic faces the layouts name, and what looks closest when they are
// missing (Wine and bare Windows installs lack some of them).
struct StandIns {
    std::wstring_view face;
    BYTE family;
    std::array<std::wstring_view, 5> faces;
};

constexpr std::array kStandIns{
    StandIns{L"MS Serif", FF_ROMAN,
             {L"Times New Roman", L"Liberation Serif", L"DejaVu Serif", L"Nimbus Roman", L""}},
    StandIns{L"Times New Roman", FF_ROMAN,
             {L"Liberation Serif", L"Nimbus Roman", L"DejaVu Serif", L"", L""}},
    StandIns{L"MS Sans Serif", FF_SWISS,
             {L"Microsoft Sans Serif", L"Tahoma", L"Arial", L"Liberation Sans", L"DejaVu Sans"}},
    StandIns{L"Arial", FF_SWISS,
             {L"Liberation Sans", L"DejaVu Sans", L"Nimbus Sans", L"Tahoma", L""}},
};

const platform::Font kDefaultFont{"MS Sans Serif", 8.25f, 400};

bool SameFace(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

const StandIns* FindStandIns(std::wstring_view face) {
    for (const StandIns& entry : kStandIns)
        if (SameFace(entry.face, face)) return &entry;
    return nullptr;
}

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

}  // namespace

int FontPixelHeight(float points) {
    return -static_cast<int>(std::lround(static_cast<double>(points) * 96.0 / 72.0));
}

bool FontCatalog::IsInstalled(const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    if (auto known = m_installed.find(face); known != m_installed.end()) return known->second;

    bool found = false;
    WindowDc screen(nullptr);
    if (screen) {
        LOGFONTW query{};
        query.lfCharSet = DEFAULT_CHARSET;
        face.copy(query.lfFaceName, face.size());
        ::EnumFontFamiliesExW(screen.get(), &query, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
    }
    m_installed.emplace(face, found);
    return found;
}

std::wstring FontCatalog::ResolveFace(std::string_view face) {
    std::wstring wide = Utf8ToWide(face);
    if (IsInstalled(wide)) return wide;
    if (const StandIns* entry = FindStandIns(wide)) {
        for (std::wstring_view standIn : entry->faces) {
            std::wstring candidate(standIn);
            if (IsInstalled(candidate)) return candidate;
        }
    }
    return {};
}

UniqueGdi<HFONT> FontCatalog::Create(const std::optional<platform::Font>& font) {
    const platform::Font& wanted = font ? *font : kDefaultFont;
    const std::wstring face = ResolveFace(wanted.face);
    const StandIns* entry = FindStandIns(Utf8ToWide(wanted.face));

    LOGFONTW lf{};
    lf.lfHeight = FontPixelHeight(wanted.points);
    lf.lfWeight = wanted.weight;
    lf.lfCharSet = ANSI_CHARSET;  // as both windows' layouts ask
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = static_cast<BYTE>(DEFAULT_PITCH | (entry ? entry->family : FF_DONTCARE));
    face.copy(lf.lfFaceName, std::min<std::size_t>(face.size(), LF_FACESIZE - 1));

    UniqueGdi<HFONT> created(::CreateFontIndirectW(&lf));
    if (!created) THROW_LAST_ERROR("CreateFontIndirectW for \"" + wanted.face + "\"");
    return created;
}

}  // namespace platform::win32
