#pragma once

#include "common/result.h"

#include <windows.h>

#include <string>

namespace rv::win32 {

// A JPEG from the program's own resources, decoded once by the Windows
// Imaging Component and drawn at its natural size (one image pixel to one
// screen pixel), never stretched.
class Picture {
public:
    static Result<Picture, std::string> fromJpegResource(int resourceId);

    Picture(Picture&& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture();

    int width() const { return width_; }
    int height() const { return height_; }
    void draw(HDC target, int x, int y) const;

private:
    Picture(HBITMAP bitmap, int width, int height) : bitmap_(bitmap), width_(width), height_(height) {}

    HBITMAP bitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace rv::win32
