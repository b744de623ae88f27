// Win32 backend: pictures from resources, a BMP in place, others through WIC.
#include "platform/win32/Win32Picture.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include <objbase.h>
#include <wincodec.h>

#include "platform/win32/Win32Error.h"

namespace platform::win32 {

namespace {

void Check(HRESULT hr, int id, const char* what) {
    if (FAILED(hr))
        ThrowError("picture " + std::to_string(id) + ": " + what, static_cast<unsigned long>(hr));
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

// COM for this thread while the object lives, from ole32 loaded for it. The
// program decodes one picture, at the hand-over: it need not load COM at
// start, and lets COM and the codecs go again after the decode.
class ComApartment {
public:
    ComApartment() noexcept : m_ole32(::LoadLibraryW(L"ole32.dll")) {
        if (!m_ole32) {
            m_hr = HRESULT_FROM_WIN32(::GetLastError());
            return;
        }
        const auto initialize = Function<decltype(&::CoInitializeEx)>("CoInitializeEx");
        const auto uninitialize = Function<decltype(&::CoUninitialize)>("CoUninitialize");
        const auto createInstance = Function<decltype(&::CoCreateInstance)>("CoCreateInstance");
        if (!initialize || !uninitialize || !createInstance) {
            m_hr = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
            return;
        }
        m_uninitialize = uninitialize;
        m_createInstance = createInstance;
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
    HRESULT CreateInstance(REFCLSID clsid, REFIID iid, void** object) const noexcept {
        return m_createInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
    }

private:
    template <typename F>
    F Function(const char* name) const noexcept {
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(m_ole32.get(), name)));
    }

    UniqueModule m_ole32;  // declared first: freed after COM is left
    decltype(&::CoUninitialize) m_uninitialize = nullptr;
    decltype(&::CoCreateInstance) m_createInstance = nullptr;
    HRESULT m_hr = E_FAIL;
};

}  // namespace

Picture LoadPicture(HINSTANCE module, int id) {
    const std::string name = "picture " + std::to_string(id);
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
    if (!info) ThrowError(name + ": FindResourceW", ::GetLastError());
    const DWORD size = ::SizeofResource(module, info);
    // Resource memory is mapped with the module; it needs no release.
    HGLOBAL loaded = ::LoadResource(module, info);
    void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes || size == 0) ThrowError(name + ": LoadResource", ::GetLastError());
    Picture inPlace;
    if (UseBmpInPlace(static_cast<const BYTE*>(bytes), size, inPlace)) return inPlace;

    // Declared in this order, the objects go before the factory, and the
    // factory before COM.
    const ComApartment com;
    if (!com.usable()) ThrowError("CoInitializeEx", static_cast<unsigned long>(com.result()));
    ComPtr<IWICImagingFactory> factoryPtr;
    const HRESULT created = com.CreateInstance(CLSID_WICImagingFactory, IID_IWICImagingFactory,
                                               reinterpret_cast<void**>(factoryPtr.put()));
    if (FAILED(created))
        ThrowError("creating the WIC imaging factory", static_cast<unsigned long>(created));
    IWICImagingFactory& factory = *factoryPtr.get();
    ComPtr<IWICStream> stream;
    Check(factory.CreateStream(stream.put()), id, "CreateStream");
    // NOTE: WIC wants a writable pointer but only reads through it.
    Check(stream->InitializeFromMemory(static_cast<BYTE*>(bytes), size), id, "InitializeFromMemory");
    ComPtr<IWICBitmapDecoder> decoder;
    Check(factory.CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                          decoder.put()),
          id, "CreateDecoderFromStream");
    ComPtr<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(0, frame.put()), id, "GetFrame");
    ComPtr<IWICFormatConverter> converter;
    Check(factory.CreateFormatConverter(converter.put()), id, "CreateFormatConverter");
    Check(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                nullptr, 0.0, WICBitmapPaletteTypeCustom),
          id, "converting to 32 bpp");
    UINT width = 0, height = 0;
    Check(converter->GetSize(&width, &height), id, "GetSize");
    if (width == 0 || height == 0 || width > 16384 || height > 16384)
        ThrowError(name + ": unreasonable size " + std::to_string(width) + "x" + std::to_string(height));

    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = static_cast<LONG>(width);
    bmi.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as WIC delivers rows
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Picture picture;
    picture.bitmap.reset(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!picture.bitmap || !bits) ThrowError(name + ": CreateDIBSection", ::GetLastError());
    const UINT stride = width * 4;
    Check(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)), id,
          "CopyPixels");
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    return picture;
}

}  // namespace platform::win32
