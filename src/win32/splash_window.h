#pragma once

#include "common/result.h"
#include "win32/picture.h"
#include "win32/twips.h"

#include <windows.h>

#include <memory>
#include <string>

namespace rv::win32 {

// The splash window `frmSplash`: no caption, fixed, centred, the title
// picture `Picture2` with the labels `Label4` and `Label3` over it. It takes
// no input and has no taskbar button.
class SplashWindow {
public:
    static Result<std::unique_ptr<SplashWindow>, std::string> create();
    SplashWindow(const SplashWindow&) = delete;
    SplashWindow& operator=(const SplashWindow&) = delete;
    ~SplashWindow(); // unloads the window

    // Shows it without taking the activation: the splash takes no input.
    void show();
    // Paints it at once, before the caller's busy work.
    void paintNow();
    HWND handle() const { return window_; }

private:
    explicit SplashWindow(Picture picture);

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK pictureProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    // Places the panel and the labels, makes their fonts and scales the picture for dpi_.
    void layOut();
    void paintPanel(HDC dc) const;

    Picture picture_;
    int dpi_ = 96;
    HWND window_ = nullptr;
    HWND picture2_ = nullptr;
    HWND label4_ = nullptr;
    HWND label3_ = nullptr;
    OwnedFont label4Font_;
    OwnedFont label3Font_;
};

} // namespace rv::win32
