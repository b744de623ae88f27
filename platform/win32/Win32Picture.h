// The pictures the program carries as resources: a BMP is drawn straight from
// the module's resource memory, anything else is decoded through WIC into a
// DIB section. Win32 backend only.
#pragma once

#include "platform/win32/Win32Handles.h"

#include <wincodec.h>

#include <optional>

namespace platform::win32 {

struct Picture {
    // A BMP resource: its header and pixels, mapped with the module. Drawn
    // from there, it costs no private memory and needs neither COM nor WIC.
    const void* dib = nullptr;  // the BITMAPINFO
    const void* dibBits = nullptr;
    UniqueGdi<HBITMAP> bitmap;  // otherwise: a 32 bpp top-down DIB section
    int width = 0;
    int height = 0;
};

class PictureLoader {
public:
    PictureLoader() = default;
    PictureLoader(const PictureLoader&) = delete;
    PictureLoader& operator=(const PictureLoader&) = delete;

    // The RCDATA resource `id` of `module`, a BMP or a (progressive) JPEG.
    // Throws platform::RuntimeError when it is missing or undecodable.
    Picture Load(HINSTANCE module, int id);

private:
    IWICImagingFactory& Factory();

    // Entered on the first decode only: a BMP needs no COM. Declared first,
    // so the factory goes before COM does.
    std::optional<ComApartment> m_com;
    ComPtr<IWICImagingFactory> m_factory;
};

}  // namespace platform::win32
