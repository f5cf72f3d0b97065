#include "win32/main_window.h"

#include "win32/control_ids.h"
#include "win32/debug_log.h"
#include "win32/display_scale.h"
#include "win32/label_painting.h"
#include "win32/resource_ids.h"
#include "win32/twips.h"
#include "win32/wide_text.h"
#include "win32/window_class.h"

#include <vector>

namespace rv::win32 {
namespace {

constexpr wchar_t kClassName[] = L"RvMainWindow";
constexpr wchar_t kCaption[] = L"ＲＶシステムのデータバックアップ";
constexpr wchar_t kFontFace[] = L"ＭＳ Ｐゴシック";
// Fixed single border: a title bar with close and minimise, no sizing.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kClientWidthTwips = 7380;
constexpr int kClientHeightTwips = 3765;
constexpr COLORREF kBackColour = RGB(192, 192, 255);
constexpr COLORREF kHeadingColour = RGB(0, 0, 192);

constexpr TwipsRect kCommand13Rect{1680, 1560, 3855, 495};
constexpr TwipsRect kCommand4Rect{2640, 2400, 2055, 495};
constexpr TwipsRect kLabel1Rect{1200, 600, 5295, 495};
constexpr TwipsRect kText1Rect{5640, 2640, 1335, 270};
constexpr TwipsRect kVoice1Rect{480, 2760, 495, 480};

HWND createChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id)
{
    return CreateWindowExW(0, className, text, WS_CHILD | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

} // namespace

MainWindow::MainWindow(const Settings& settings, std::wstring programFolder,
                       std::unique_ptr<WindowSpeechChannels> speech, Picture picture)
    : programFolder_(std::move(programFolder)), speech_(std::move(speech)), picture_(std::move(picture)),
      backBrush_(CreateSolidBrush(kBackColour)), backupFlow_(settings, narrow(programFolder_))
{
}

MainWindow::~MainWindow()
{
    if (window_) {
        DestroyWindow(window_);
    }
    if (backBrush_) {
        DeleteObject(backBrush_);
    }
}

Result<std::unique_ptr<MainWindow>, std::string> MainWindow::load(const Settings& settings, std::wstring programFolder,
                                                                  std::unique_ptr<WindowSpeechChannels> speech)
{
    using R = Result<std::unique_ptr<MainWindow>, std::string>;
    auto picture = Picture::fromJpegResource(GetModuleHandleW(nullptr), kMainWindowPicture);
    if (!picture.ok()) {
        return R::failure("main window picture: " + picture.error());
    }
    std::unique_ptr<MainWindow> window(
        new MainWindow(settings, std::move(programFolder), std::move(speech), std::move(picture.value())));
    registerWindowClass(kClassName, &objectWindowProc<MainWindow>);
    if (!createCentredWindow(kClassName, kCaption, kStyle, 0, nullptr, kClientWidthTwips, kClientHeightTwips,
                             window.get())) {
        return R::failure("CreateWindowExW failed, error " + std::to_string(GetLastError()));
    }
    window->Form_Load();
    return R::success(std::move(window));
}

void MainWindow::createControls()
{
    // Creation order is the tab order: Command13 first, so it has the focus
    // when the window opens; only the two buttons are tab stops.
    command13_ = createChild(window_, L"BUTTON", L"データバックアップ",
                             WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, kIdCommand13);
    command4_ = createChild(window_, L"BUTTON", L"終了", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kIdCommand4);
    label1_ = createChild(window_, L"STATIC", kCaption, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kIdLabel1);
    // Hidden for good: it only holds the folder chosen by the last backup.
    text1_ = createChild(window_, L"EDIT", L"Text1", ES_LEFT | ES_AUTOHSCROLL, kIdText1);
    // Where the speech control sits; the control itself has nothing to draw.
    voice1_ = createChild(window_, L"STATIC", L"", WS_VISIBLE | SS_LEFT, kIdVoice1);

    focusOnActivate_ = command13_;
    backupWindows_ = std::make_unique<BackupWindows>(window_, text1_);
}

void MainWindow::layOut()
{
    placeInTwips(command13_, kCommand13Rect, dpi_);
    placeInTwips(command4_, kCommand4Rect, dpi_);
    placeInTwips(label1_, kLabel1Rect, dpi_);
    placeInTwips(text1_, kText1Rect, dpi_);
    placeInTwips(voice1_, kVoice1Rect, dpi_);
    setJapaneseFont(command13_, command13Font_, kFontFace, 12.0, FW_NORMAL, dpi_);
    setJapaneseFont(command4_, command4Font_, kFontFace, 14.25, FW_NORMAL, dpi_);
    setJapaneseFont(label1_, label1Font_, kFontFace, 18.0, FW_NORMAL, dpi_);
    // The picture keeps its place in the layout: in proportion, at any scale.
    if (auto scaled =
            picture_.scaleTo(scaledFrom96(picture_.naturalWidth(), dpi_), scaledFrom96(picture_.naturalHeight(), dpi_));
        !scaled.ok()) {
        logLine(L"rv.startup", L"main window picture: " + widen(scaled.error()));
    }
}

void MainWindow::onDpiChanged(int dpi, const RECT& suggested)
{
    dpi_ = dpi;
    layOut();
    resizeForDpi(window_, kClientWidthTwips, kClientHeightTwips, dpi_, suggested);
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void MainWindow::show()
{
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    // Activation normally moves the focus in (WM_ACTIVATE); where the system
    // refused to bring the window forward, give it the focus all the same.
    if (GetFocus() != command13_ && !IsChild(window_, GetFocus())) {
        SetFocus(command13_);
    }
    UpdateWindow(window_);
}

std::wstring MainWindow::textOf(HWND control) const
{
    std::vector<wchar_t> text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    return std::wstring(text.data());
}

void MainWindow::Form_Load()
{
    speech::speakOnLoad(*speech_, narrow(textOf(label1_)));
    SetCurrentDirectoryW(programFolder_.c_str());
}

void MainWindow::Command13_GotFocus() { speech::speakOnFocus(*speech_, narrow(textOf(command13_))); }

// The folder browser, the checks, the copying and the closing message, all
// in the backup flow; it returns when the command is over. A disabled button
// still takes BM_CLICK or an automation invoke: the flow ignores those.
void MainWindow::Command13_Click() { backupFlow_.run(*backupWindows_); }

void MainWindow::Command4_Click()
{
    if (backupFlow_.isBusy()) {
        logLine(L"rv.backup", L"exit ignored while a backup is running");
        return;
    }
    DestroyWindow(window_);
}

void MainWindow::onClose()
{
    // During a backup command the flow stops it (a run is cancelled and
    // waited for) and then destroys the window.
    if (backupFlow_.requestClose()) {
        DestroyWindow(window_);
    }
}

void MainWindow::onCommand(int id, int notification)
{
    if (id == kIdCommand13 && notification == BN_SETFOCUS) {
        Command13_GotFocus();
    } else if (id == kIdCommand13 && notification == BN_CLICKED) {
        Command13_Click();
    } else if (id == kIdCommand4 && notification == BN_CLICKED) {
        Command4_Click();
    } else if (id == IDOK) {
        // Enter, as dialog keyboard handling reports it: only a focused
        // button reacts; there is no default button.
        HWND focus = GetFocus();
        if (focus == command13_ || focus == command4_) {
            SendMessageW(focus, BM_CLICK, 0, 0);
        }
    }
    // IDCANCEL (Escape) does nothing.
}

void MainWindow::paint()
{
    PAINTSTRUCT paintStruct;
    HDC dc = BeginPaint(window_, &paintStruct);
    RECT client;
    GetClientRect(window_, &client);
    FillRect(dc, &client, backBrush_);
    picture_.draw(dc, 0, 0);
    EndPaint(window_, &paintStruct);
}

LRESULT MainWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        dpi_ = dpiOf(window);
        createControls();
        layOut();
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT covers the whole client area
    case WM_PAINT:
        paint();
        return 0;
    case WM_CTLCOLORSTATIC:
        return transparentLabel(reinterpret_cast<HDC>(wParam),
                                reinterpret_cast<HWND>(lParam) == label1_ ? kHeadingColour : RGB(0, 0, 0));
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus == command13_ || focus == command4_) {
                focusOnActivate_ = focus;
            }
        } else if (focusOnActivate_) {
            SetFocus(focusOnActivate_);
        }
        return 0;
    case WM_SETCURSOR:
        if (backupFlow_.isCopying()) {
            // The busy pointer over the whole window for the whole run, not
            // only until the mouse next moves. A click still gets the
            // system's answer for a window that takes no input.
            if (LOWORD(lParam) == static_cast<WORD>(HTERROR) && HIWORD(lParam) != WM_MOUSEMOVE) {
                DefWindowProcW(window, message, wParam, lParam);
            }
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_CLOSE:
        onClose();
        return 0;
    case WM_DESTROY:
        window_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace rv::win32
