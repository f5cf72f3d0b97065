#pragma once

#include "common/result.h"
#include "platform/file_system.h"
#include "win32/com_ref.h"

#include <windows.h>

#include <wincodec.h>

#include <string>

namespace rv::win32 {

// A JPEG from a module's resources, decoded once by the Windows Imaging
// Component. It is drawn one pixel to one screen pixel at the size it was
// last scaled to: its natural size at 96 dpi, in proportion at other scales,
// stretched with good quality once per size rather than at every paint.
class Picture {
public:
    static Result<Picture, std::string> fromJpegResource(HMODULE module, int resourceId);

    Picture(Picture&& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture();

    int naturalWidth() const { return naturalWidth_; }
    int naturalHeight() const { return naturalHeight_; }
    // Scales it to the given size; nothing is drawn after a failure.
    Result<platform::Done, std::string> scaleTo(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    void draw(HDC target, int x, int y) const;

private:
    Picture(ComRef<IWICImagingFactory> factory, ComRef<IWICBitmap> decoded, int width, int height);

    ComRef<IWICImagingFactory> factory_;
    ComRef<IWICBitmap> decoded_; // the natural size, 32 bits a pixel
    int naturalWidth_ = 0;
    int naturalHeight_ = 0;
    HBITMAP bitmap_ = nullptr; // what draw shows
    int width_ = 0;
    int height_ = 0;
};

} // namespace rv::win32
