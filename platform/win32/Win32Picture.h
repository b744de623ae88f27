// Decodes the pictures the program carries as resources into DIB sections.
// Win32 backend only.
#pragma once

#include "platform/win32/Win32Handles.h"

#include <wincodec.h>

namespace platform::win32 {

struct Picture {
    UniqueGdi<HBITMAP> bitmap;  // 32 bpp top-down DIB section
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

    // Declared first: the factory must go before COM does.
    ComApartment m_com;
    ComPtr<IWICImagingFactory> m_factory;
};

}  // namespace platform::win32
