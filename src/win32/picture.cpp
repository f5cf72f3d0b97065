#include "win32/picture.h"

#include "win32/com_ref.h"

#include <wincodec.h>

#include <utility>

namespace rv::win32 {
namespace {

using PictureResult = Result<Picture, std::string>;

std::string hresultText(const char* step, HRESULT hr)
{
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(hr));
    return std::string(step) + " failed, HRESULT " + code;
}

} // namespace

PictureResult Picture::fromJpegResource(int resourceId)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10)); // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        return PictureResult::failure("picture resource " + std::to_string(resourceId) + " is missing");
    }
    const DWORD size = SizeofResource(module, found);

    ComRef<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.outVoid());
    if (FAILED(hr)) {
        return PictureResult::failure(hresultText("creating the imaging factory", hr));
    }
    ComRef<IWICStream> stream;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICFormatConverter> converter;
    hr = factory->CreateStream(stream.out());
    if (SUCCEEDED(hr)) {
        hr = stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)), size);
    }
    if (SUCCEEDED(hr)) {
        hr = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.out());
    }
    if (SUCCEEDED(hr)) {
        hr = decoder->GetFrame(0, frame.out());
    }
    if (SUCCEEDED(hr)) {
        hr = factory->CreateFormatConverter(converter.out());
    }
    if (SUCCEEDED(hr)) {
        hr = converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom);
    }
    UINT width = 0;
    UINT height = 0;
    if (SUCCEEDED(hr)) {
        hr = converter->GetSize(&width, &height);
    }
    if (FAILED(hr)) {
        return PictureResult::failure(hresultText("decoding the JPEG", hr));
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height); // top-down rows, as WIC delivers them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!bitmap) {
        return PictureResult::failure("CreateDIBSection failed, error " + std::to_string(GetLastError()));
    }
    const UINT stride = width * 4;
    hr = converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(pixels));
    if (FAILED(hr)) {
        DeleteObject(bitmap);
        return PictureResult::failure(hresultText("copying the pixels", hr));
    }
    return PictureResult::success(Picture(bitmap, static_cast<int>(width), static_cast<int>(height)));
}

Picture::Picture(Picture&& other) noexcept
    : bitmap_(std::exchange(other.bitmap_, nullptr)), width_(other.width_), height_(other.height_)
{
}

Picture& Picture::operator=(Picture&& other) noexcept
{
    if (this != &other) {
        if (bitmap_) {
            DeleteObject(bitmap_);
        }
        bitmap_ = std::exchange(other.bitmap_, nullptr);
        width_ = other.width_;
        height_ = other.height_;
    }
    return *this;
}

Picture::~Picture()
{
    if (bitmap_) {
        DeleteObject(bitmap_);
    }
}

void Picture::draw(HDC target, int x, int y) const
{
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ previous = SelectObject(source, bitmap_);
    BitBlt(target, x, y, width_, height_, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

} // namespace rv::win32
