// Reads an executable's identity back the way Windows sees it: the version
// resource through the version API, and every icon group's images. Used by
// the end-to-end tests only; prints one "key<TAB>value" record per line.
#include <windows.h>

#include <cstdio>
#include <string>

#include "../common/ToolText.h"

namespace {

constexpr const wchar_t* kStrings[] = {L"CompanyName",      L"FileDescription", L"FileVersion",
                                       L"InternalName",     L"OriginalFilename", L"ProductName",
                                       L"ProductVersion",   L"LegalCopyright"};

void Print(const std::string& key, const std::string& value) {
    tools::WriteOut(key + "\t" + (value.empty() ? "-" : value) + "\n");
}

bool PrintVersion(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return false;
    std::string block(size, '\0');
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return false;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
        char text[64];
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned(HIWORD(fixed->dwFileVersionMS)),
                      unsigned(LOWORD(fixed->dwFileVersionMS)), unsigned(HIWORD(fixed->dwFileVersionLS)),
                      unsigned(LOWORD(fixed->dwFileVersionLS)));
        Print("fixed-file-version", text);
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned(HIWORD(fixed->dwProductVersionMS)),
                      unsigned(LOWORD(fixed->dwProductVersionMS)), unsigned(HIWORD(fixed->dwProductVersionLS)),
                      unsigned(LOWORD(fixed->dwProductVersionLS)));
        Print("fixed-product-version", text);
    }

    struct Translation {
        WORD language;
        WORD codePage;
    }* translations = nullptr;
    if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                          reinterpret_cast<void**>(&translations), &length)) {
        return false;
    }
    for (UINT i = 0; i < length / sizeof(Translation); ++i) {
        wchar_t sub[64];
        std::swprintf(sub, 64, L"%04x%04x", translations[i].language, translations[i].codePage);
        Print("translation", tools::FromWide(sub));
        for (const wchar_t* name : kStrings) {
            const std::wstring query = std::wstring(L"\\StringFileInfo\\") + sub + L"\\" + name;
            wchar_t* value = nullptr;
            UINT chars = 0;
            if (::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars) &&
                value) {
                Print(tools::FromWide(name), tools::FromWide(value));
            }
        }
    }
    return true;
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
struct GroupIconDir {
    WORD reserved;
    WORD type;
    WORD count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

BOOL CALLBACK PrintIconGroup(HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR) {
    HRSRC info = ::FindResourceW(module, name, RT_GROUP_ICON);
    HGLOBAL data = info ? ::LoadResource(module, info) : nullptr;
    const auto* dir = data ? static_cast<const GroupIconDir*>(::LockResource(data)) : nullptr;
    if (!dir) return TRUE;
    Print("icon-group-images", std::to_string(dir->count));
    for (WORD i = 0; i < dir->count; ++i) {
        const GroupIconEntry& e = dir->entries[i];
        // The colour count says 2 or 16 for palette images; the bit count is
        // what the image really holds.
        const int width = e.width == 0 ? 256 : e.width;
        const int height = e.height == 0 ? 256 : e.height;
        HRSRC imageInfo = ::FindResourceW(module, MAKEINTRESOURCEW(e.id), RT_ICON);
        HGLOBAL imageData = imageInfo ? ::LoadResource(module, imageInfo) : nullptr;
        const auto* header = imageData ? static_cast<const BITMAPINFOHEADER*>(::LockResource(imageData)) : nullptr;
        const int bits = header ? header->biBitCount : e.bitCount;
        Print("icon", std::to_string(width) + "x" + std::to_string(height) + " " + std::to_string(1 << bits) +
                          " colours");
    }
    return TRUE;
}

}  // namespace

int main() {
    const auto args = tools::Arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: exeinfo PATH-TO-EXE\n");
        return 2;
    }
    const std::wstring path = tools::ToWide(args[1]);
    if (!PrintVersion(path)) Print("error", "no version resource");
    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        Print("error", "cannot load");
        return 1;
    }
    ::EnumResourceNamesW(module, RT_GROUP_ICON, PrintIconGroup, 0);
    ::FreeLibrary(module);
    return 0;
}
