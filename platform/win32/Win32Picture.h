// The pictures the program carries as resources: a BMP is drawn straight from
// the module's resource memory, anything else is decoded by the system's OLE
// picture loader (OleLoadPicture) into a DIB section, with COM entered and
// oleaut32 loaded for that decode only. Win32 backend only.
#pragma once

#include "platform/win32/Win32Handles.h"

namespace platform::win32 {

struct Picture {
    // A BMP resource: its header and pixels, mapped with the module. Drawn
    // from there, it costs no private memory and needs no decoder.
    const void* dib = nullptr;  // the BITMAPINFO
    const void* dibBits = nullptr;
    UniqueGdi<HBITMAP> bitmap;  // otherwise: a 32 bpp top-down DIB section
    int width = 0;
    int height = 0;
};

// The RCDATA resource `id` of `module`, a BMP or a (progressive) JPEG.
// Throws platform::RuntimeError when it is missing or undecodable.
Picture LoadPicture(HINSTANCE module, int id);

}  // namespace platform::win32
