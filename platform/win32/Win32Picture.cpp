// Win32 backend: pictures from resources, a BMP in place, others through the
// system's OLE picture loader (oleaut32), which every Windows since the late
// 1990s has and which reads JPEG.
#include "platform/win32/Win32Picture.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include <objbase.h>
#include <olectl.h>

#include "platform/win32/Win32Error.h"

namespace platform::win32 {

namespace {

void Check(HRESULT hr, const std::string& picture, const char* what) {
    if (FAILED(hr)) ThrowError(picture + ": " + what, static_cast<unsigned long>(hr));
}

// An uncompressed bottom-up BMP of 24 or 32 bits per pixel whose pixels lie
// wholly inside the resource; anything else goes to the decoder.
bool UseBmpInPlace(const BYTE* bytes, DWORD size, Picture& picture) {
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    if (size < sizeof file + sizeof info) return false;
    std::memcpy(&file, bytes, sizeof file);
    std::memcpy(&info, bytes + sizeof file, sizeof info);
    if (file.bfType != 0x4D42 || info.biSize < sizeof info || info.biPlanes != 1 ||
        info.biCompression != BI_RGB || (info.biBitCount != 24 && info.biBitCount != 32) ||
        info.biWidth <= 0 || info.biWidth > 16384 || info.biHeight <= 0 || info.biHeight > 16384)
        return false;
    const std::uint64_t stride = (std::uint64_t(info.biWidth) * info.biBitCount + 31) / 32 * 4;
    if (file.bfOffBits < sizeof file + info.biSize ||
        std::uint64_t(file.bfOffBits) + stride * std::uint64_t(info.biHeight) > size)
        return false;
    // NOTE: after the 14-byte file header, the info header and the pixels
    // stand at 2 bytes past a 4-byte boundary. GDI reads a packed DIB at any
    // offset (as with a BMP file read into memory); only GDI reads them here.
    picture.dib = bytes + sizeof file;
    picture.dibBits = bytes + file.bfOffBits;
    picture.width = info.biWidth;
    picture.height = info.biHeight;
    return true;
}

// A DLL of the system folder, loaded by its full path so that no other folder
// is searched, on Windows XP too, which lacks SetDefaultDllDirectories.
// Loaded for one decode, freed after it.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* name) {
        wchar_t folder[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) {
            m_error = length == 0 ? ::GetLastError() : ERROR_INSUFFICIENT_BUFFER;
            return;
        }
        std::wstring path(folder, length);
        path += L'\\';
        path += name;
        m_module.reset(::LoadLibraryW(path.c_str()));
        if (!m_module) m_error = ::GetLastError();
    }

    explicit operator bool() const noexcept { return static_cast<bool>(m_module); }
    unsigned long error() const noexcept { return m_error; }

    // The exported function `name`, as the type F; null when missing.
    template <typename F>
    F Function(const char* name) const noexcept {
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(m_module.get(), name)));
    }

private:
    UniqueModule m_module;
    unsigned long m_error = ERROR_SUCCESS;
};

// COM for this thread while the object lives, and the stream a picture is
// read from, from ole32 loaded for it. The program decodes one picture, at
// the hand-over: it need not load COM at start, and lets it go again after
// the decode.
class ComApartment {
public:
    ComApartment() : m_ole32(L"ole32.dll") {
        if (!m_ole32) {
            m_hr = HRESULT_FROM_WIN32(m_ole32.error());
            return;
        }
        const auto initialize = m_ole32.Function<decltype(&::CoInitializeEx)>("CoInitializeEx");
        const auto uninitialize = m_ole32.Function<decltype(&::CoUninitialize)>("CoUninitialize");
        const auto createStream =
            m_ole32.Function<decltype(&::CreateStreamOnHGlobal)>("CreateStreamOnHGlobal");
        if (!initialize || !uninitialize || !createStream) {
            m_hr = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
            return;
        }
        m_uninitialize = uninitialize;
        m_createStream = createStream;
        m_hr = initialize(nullptr, COINIT_APARTMENTTHREADED);
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(m_hr)) m_uninitialize();
    }

    // Also usable when another part of the thread chose the other model first.
    bool usable() const noexcept { return SUCCEEDED(m_hr) || m_hr == RPC_E_CHANGED_MODE; }
    HRESULT result() const noexcept { return m_hr; }

    // A stream of its own memory, which it frees when released.
    HRESULT CreateStream(IStream** stream) const noexcept { return m_createStream(nullptr, TRUE, stream); }

private:
    SystemLibrary m_ole32;  // declared first: freed after COM is left
    decltype(&::CoUninitialize) m_uninitialize = nullptr;
    decltype(&::CreateStreamOnHGlobal) m_createStream = nullptr;
    HRESULT m_hr = E_FAIL;
};

// A GDI handle that an OLE picture gives out as 32 bits; 64-bit Windows
// sign-extends such handles.
HBITMAP BitmapOf(OLE_HANDLE handle) {
    return reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(static_cast<LONG>(handle)));
}

}  // namespace

Picture LoadPicture(HINSTANCE module, int id) {
    const std::string name = "picture " + std::to_string(id);
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
    if (!info) THROW_LAST_ERROR(name + ": FindResourceW");
    const DWORD size = ::SizeofResource(module, info);
    // Resource memory is mapped with the module; it needs no release.
    HGLOBAL loaded = ::LoadResource(module, info);
    void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes || size == 0) THROW_LAST_ERROR(name + ": LoadResource");
    Picture inPlace;
    if (UseBmpInPlace(static_cast<const BYTE*>(bytes), size, inPlace)) return inPlace;
    if (size > static_cast<DWORD>(LONG_MAX)) ThrowError(name + ": too large");

    // Declared in this order, the picture goes before the stream, both before
    // COM is left, and oleaut32 last of all.
    const SystemLibrary oleaut32(L"oleaut32.dll");
    if (!oleaut32) ThrowError(name + ": loading oleaut32.dll", oleaut32.error());
    const auto loadPicture = oleaut32.Function<decltype(&::OleLoadPicture)>("OleLoadPicture");
    if (!loadPicture) ThrowError(name + ": OleLoadPicture", ERROR_PROC_NOT_FOUND);
    const ComApartment com;
    if (!com.usable()) ThrowError(name + ": CoInitializeEx", static_cast<unsigned long>(com.result()));

    // The resource's bytes in a stream, read from the start.
    ComPtr<IStream> stream;
    Check(com.CreateStream(stream.put()), name, "CreateStreamOnHGlobal");
    ULONG written = 0;
    Check(stream->Write(bytes, size, &written), name, "writing the stream");
    if (written != size) ThrowError(name + ": writing the stream");
    Check(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), name, "rewinding the stream");

    // Run mode: the picture keeps no copy of the JPEG data.
    ComPtr<IPicture> picture;
    Check(loadPicture(stream.get(), static_cast<LONG>(size), TRUE, __uuidof(IPicture),
                      reinterpret_cast<void**>(picture.put())),
          name, "OleLoadPicture");
    SHORT type = PICTYPE_UNINITIALIZED;
    Check(picture->get_Type(&type), name, "IPicture::get_Type");
    if (type != PICTYPE_BITMAP) ThrowError(name + ": not a bitmap");
    OLE_HANDLE handle = 0;
    Check(picture->get_Handle(&handle), name, "IPicture::get_Handle");
    // The picture owns this bitmap and deletes it when released.
    const HBITMAP decoded = BitmapOf(handle);
    BITMAP shape{};
    if (::GetObjectW(decoded, sizeof shape, &shape) != sizeof shape)
        THROW_LAST_ERROR(name + ": GetObjectW");
    const LONG width = shape.bmWidth;
    const LONG height = shape.bmHeight < 0 ? -shape.bmHeight : shape.bmHeight;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        ThrowError(name + ": unreasonable size");

    // Copied into a bitmap of the program's own, as 32-bit pixels, top row
    // first, so that the picture and oleaut32 can go.
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Picture result;
    result.bitmap.reset(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!result.bitmap || !bits) THROW_LAST_ERROR(name + ": CreateDIBSection");
    const UniqueHdc dc(::CreateCompatibleDC(nullptr));
    if (!dc) THROW_LAST_ERROR(name + ": CreateCompatibleDC");
    if (::GetDIBits(dc.get(), decoded, 0, static_cast<UINT>(height), bits, &bmi, DIB_RGB_COLORS) != height)
        THROW_LAST_ERROR(name + ": GetDIBits");
    result.width = static_cast<int>(width);
    result.height = static_cast<int>(height);
    return result;
}

}  // namespace platform::win32
