#include "win32/splash_window.h"

#include "win32/debug_log.h"
#include "win32/display_scale.h"
#include "win32/label_painting.h"
#include "win32/resource_ids.h"
#include "win32/wide_text.h"
#include "win32/window_class.h"

namespace rv::win32 {
namespace {

constexpr wchar_t kClassName[] = L"RvSplashWindow";
constexpr wchar_t kPictureClassName[] = L"RvSplashPicture";
constexpr wchar_t kFontFace[] = L"ＭＳ Ｐゴシック";
// Fixed dialog border without a title bar; disabled, so clicks and keys do nothing.
constexpr DWORD kStyle = WS_POPUP | WS_DLGFRAME | WS_DISABLED;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW; // no taskbar button
constexpr int kClientWidthTwips = 7590;
constexpr int kClientHeightTwips = 2625;
constexpr COLORREF kLabelColour = RGB(0, 64, 0);

constexpr TwipsRect kPicture2Rect{0, 0, 7590, 2640}; // one row below the client area, cut off
constexpr TwipsRect kLabel4Rect{3240, 1440, 4335, 375};
constexpr TwipsRect kLabel3Rect{3840, 1920, 3735, 495};

HWND createLabel(HWND parent, const wchar_t* text)
{
    return CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, parent,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

} // namespace

SplashWindow::SplashWindow(Picture picture) : picture_(std::move(picture)) {}

SplashWindow::~SplashWindow()
{
    if (window_) {
        DestroyWindow(window_);
    }
}

Result<std::unique_ptr<SplashWindow>, std::string> SplashWindow::create()
{
    using R = Result<std::unique_ptr<SplashWindow>, std::string>;
    auto picture = Picture::fromJpegResource(GetModuleHandleW(nullptr), kSplashPicture);
    if (!picture.ok()) {
        return R::failure("splash picture: " + picture.error());
    }
    std::unique_ptr<SplashWindow> splash(new SplashWindow(std::move(picture.value())));
    registerWindowClass(kClassName, &SplashWindow::windowProc);
    registerWindowClass(kPictureClassName, &SplashWindow::pictureProc);
    splash->window_ = createCentredWindow(kClassName, L"", kStyle, kExStyle, nullptr, kClientWidthTwips,
                                          kClientHeightTwips, splash.get());
    if (!splash->window_) {
        return R::failure("CreateWindowExW failed, error " + std::to_string(GetLastError()));
    }
    splash->dpi_ = dpiOf(splash->window_);
    splash->createControls();
    splash->layOut();
    return R::success(std::move(splash));
}

void SplashWindow::createControls()
{
    picture2_ = CreateWindowExW(0, kPictureClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_, nullptr,
                                GetModuleHandleW(nullptr), this);
    label4_ = createLabel(picture2_, L"Windows XP_VISTA_7_8_8.1_10 対応");
    label3_ = createLabel(picture2_, L"データバックアップ");
}

void SplashWindow::layOut()
{
    placeInTwips(picture2_, kPicture2Rect, dpi_);
    placeInTwips(label4_, kLabel4Rect, dpi_);
    placeInTwips(label3_, kLabel3Rect, dpi_);
    setJapaneseFont(label4_, label4Font_, kFontFace, 12.75, FW_BOLD, dpi_);
    setJapaneseFont(label3_, label3Font_, kFontFace, 20.25, FW_NORMAL, dpi_);
    // The panel is exactly the size of its picture, at any scale.
    if (auto scaled =
            picture_.scaleTo(twipsToPixels(kPicture2Rect.width, dpi_), twipsToPixels(kPicture2Rect.height, dpi_));
        !scaled.ok()) {
        logLine(L"rv.startup", L"splash picture: " + widen(scaled.error()));
    }
}

void SplashWindow::show() { ShowWindow(window_, SW_SHOWNA); }

void SplashWindow::paintNow()
{
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
}

void SplashWindow::paintPanel(HDC dc) const
{
    picture_.draw(dc, 0, 0);
    // Only where the picture could not be drawn: every pixel is painted.
    RECT panel;
    GetClientRect(picture2_, &panel);
    ExcludeClipRect(dc, 0, 0, picture_.width(), picture_.height());
    FillRect(dc, &panel, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

LRESULT CALLBACK SplashWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = attachedObject<SplashWindow>(window, message, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // Picture2 covers the whole client area
    case WM_DPICHANGED:
        if (self) {
            self->dpi_ = HIWORD(wParam);
            self->layOut();
            resizeForDpi(window, kClientWidthTwips, kClientHeightTwips, self->dpi_,
                         *reinterpret_cast<const RECT*>(lParam));
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        }
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK SplashWindow::pictureProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = attachedObject<SplashWindow>(panel, message, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paintStruct;
        HDC dc = BeginPaint(panel, &paintStruct);
        if (self) {
            self->paintPanel(dc);
        }
        EndPaint(panel, &paintStruct);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        return transparentLabel(reinterpret_cast<HDC>(wParam), kLabelColour);
    default:
        return DefWindowProcW(panel, message, wParam, lParam);
    }
}

} // namespace rv::win32
