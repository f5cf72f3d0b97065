#include "win32/picture.h"

#include <utility>

namespace rv::win32 {
namespace {

using PictureResult = Result<Picture, std::string>;
using ScaleResult = Result<platform::Done, std::string>;

std::string hresultText(const char* step, HRESULT hr)
{
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(hr));
    return std::string(step) + " failed, HRESULT " + code;
}

} // namespace

PictureResult Picture::fromJpegResource(HMODULE module, int resourceId)
{
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
    ComRef<IWICBitmap> decoded;
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
    // Decoded into memory once: every later scaling starts from these pixels.
    if (SUCCEEDED(hr)) {
        hr = factory->CreateBitmapFromSource(converter.get(), WICBitmapCacheOnLoad, decoded.out());
    }
    UINT width = 0;
    UINT height = 0;
    if (SUCCEEDED(hr)) {
        hr = decoded->GetSize(&width, &height);
    }
    if (FAILED(hr)) {
        return PictureResult::failure(hresultText("decoding the JPEG", hr));
    }
    Picture picture(std::move(factory), std::move(decoded), static_cast<int>(width), static_cast<int>(height));
    if (auto scaled = picture.scaleTo(picture.naturalWidth_, picture.naturalHeight_); !scaled.ok()) {
        return PictureResult::failure(scaled.error());
    }
    return PictureResult::success(std::move(picture));
}

Picture::Picture(ComRef<IWICImagingFactory> factory, ComRef<IWICBitmap> decoded, int width, int height)
    : factory_(std::move(factory)), decoded_(std::move(decoded)), naturalWidth_(width), naturalHeight_(height)
{
}

ScaleResult Picture::scaleTo(int width, int height)
{
    if (bitmap_ && width == width_ && height == height_) {
        return ScaleResult::success({});
    }
    if (bitmap_) {
        DeleteObject(bitmap_);
        bitmap_ = nullptr;
    }
    width_ = 0;
    height_ = 0;
    ComRef<IWICBitmapScaler> scaler;
    HRESULT hr = factory_->CreateBitmapScaler(scaler.out());
    if (SUCCEEDED(hr)) {
        // Fant: an average over every source pixel under a target pixel, smooth both ways.
        hr = scaler->Initialize(decoded_.get(), static_cast<UINT>(width), static_cast<UINT>(height),
                                WICBitmapInterpolationModeFant);
    }
    if (FAILED(hr)) {
        return ScaleResult::failure(hresultText("scaling the picture", hr));
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows, as WIC delivers them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!bitmap) {
        return ScaleResult::failure("CreateDIBSection failed, error " + std::to_string(GetLastError()));
    }
    const UINT stride = static_cast<UINT>(width) * 4;
    hr = scaler->CopyPixels(nullptr, stride, stride * static_cast<UINT>(height), static_cast<BYTE*>(pixels));
    if (FAILED(hr)) {
        DeleteObject(bitmap);
        return ScaleResult::failure(hresultText("copying the pixels", hr));
    }
    bitmap_ = bitmap;
    width_ = width;
    height_ = height;
    return ScaleResult::success({});
}

Picture::Picture(Picture&& other) noexcept
    : factory_(std::move(other.factory_)), decoded_(std::move(other.decoded_)), naturalWidth_(other.naturalWidth_),
      naturalHeight_(other.naturalHeight_), bitmap_(std::exchange(other.bitmap_, nullptr)), width_(other.width_),
      height_(other.height_)
{
}

Picture& Picture::operator=(Picture&& other) noexcept
{
    if (this != &other) {
        if (bitmap_) {
            DeleteObject(bitmap_);
        }
        factory_ = std::move(other.factory_);
        decoded_ = std::move(other.decoded_);
        naturalWidth_ = other.naturalWidth_;
        naturalHeight_ = other.naturalHeight_;
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
    if (!bitmap_) {
        return;
    }
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ previous = SelectObject(source, bitmap_);
    BitBlt(target, x, y, width_, height_, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

} // namespace rv::win32
