#include "win32/progress_window.h"

#include "win32/display_scale.h"
#include "win32/twips.h"
#include "win32/wide_text.h"
#include "win32/window_class.h"

#include <commctrl.h>

#include <chrono>

namespace rv::win32 {
namespace {

constexpr wchar_t kClassName[] = L"RvProgressWindow";
constexpr auto kShowAfter = std::chrono::milliseconds(500);
// How often the window takes the latest figures.
constexpr DWORD kRefreshMs = 100;
constexpr int kIdCancel = 1301;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr int kWidthTwips = 6000;
constexpr int kHeightTwips = 2400;

// The window over a run in progress: it shows its figures and hands the
// button, Escape and closing it over as a cancel.
class ProgressWindow {
public:
    // Laid out for the owner's monitor, where it is shown.
    ProgressWindow(HWND owner, WatchedRun& run, const ProgressWindowTexts& texts)
        : owner_(owner), run_(run), texts_(texts), dpi_(dpiOf(owner)),
          font_(createJapaneseFont(L"ＭＳ Ｐゴシック", 10.5, FW_NORMAL, dpi_))
    {
    }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
    ~ProgressWindow()
    {
        if (window_) {
            DestroyWindow(window_);
        }
    }

    // Runs the owner's and this window's messages until the run's worker has
    // ended. A quit request met meanwhile is passed on afterwards.
    void waitForTheRun()
    {
        registerWindowClass(kClassName, &ProgressWindow::windowProc);
        createCentredWindow(kClassName, L"RVシステム", kStyle, WS_EX_DLGMODALFRAME, owner_, kWidthTwips, kHeightTwips,
                            this);
        EnableWindow(owner_, FALSE);
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        const auto started = std::chrono::steady_clock::now();
        bool quitRequested = false;
        while (!run_.isFinished()) {
            MsgWaitForMultipleObjectsEx(0, nullptr, kRefreshMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    quitRequested = true;
                } else if (!window_ || !IsDialogMessageW(window_, &message)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
            }
            if (window_ && !IsWindowVisible(window_) && std::chrono::steady_clock::now() - started >= kShowAfter) {
                ShowWindow(window_, SW_SHOW);
                SetFocus(cancelButton_);
            }
            showProgress();
        }
        // Enabled before this window goes, so the activation returns to the owner.
        EnableWindow(owner_, TRUE);
        if (window_) {
            DestroyWindow(window_);
        }
        if (quitRequested) {
            PostQuitMessage(0);
        }
    }

private:
    void createControls()
    {
        auto child = [&](const wchar_t* className, const wchar_t* text, DWORD style, int id, int top, int height) {
            RECT client;
            GetClientRect(window_, &client);
            const int margin = twipsToPixels(240, dpi_);
            HWND control = CreateWindowExW(
                0, className, text, WS_CHILD | WS_VISIBLE | style, margin, top, client.right - 2 * margin, height,
                window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
            return control;
        };
        const int line = twipsToPixels(330, dpi_);
        itemLabel_ = child(L"STATIC", widen(texts_.preparing).c_str(), SS_LEFT | SS_NOPREFIX, 0, line / 2, line);
        countLabel_ = child(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, line * 3 / 2, line);
        bar_ = child(PROGRESS_CLASSW, L"", PBS_SMOOTH, 0, line * 5 / 2, line * 2 / 3);
        SendMessageW(bar_, PBM_SETRANGE32, 0, 1000); // thousandths, as the progress text counts
        cancelButton_ = child(L"BUTTON", L"中止", WS_TABSTOP | BS_PUSHBUTTON, kIdCancel, line * 7 / 2, line * 5 / 4);
        // The button is narrower than the labels, centred under them.
        RECT client;
        GetClientRect(window_, &client);
        const int buttonWidth = twipsToPixels(1500, dpi_);
        MoveWindow(cancelButton_, (client.right - buttonWidth) / 2, line * 7 / 2, buttonWidth, line * 5 / 4, FALSE);
    }

    void showProgress()
    {
        auto progress = run_.takeProgress();
        if (!progress || !window_) {
            return;
        }
        SetWindowTextW(itemLabel_, widen(progress->item).c_str());
        SetWindowTextW(countLabel_, widen(progress->counts).c_str());
        SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(progress->permille), 0);
    }

    void requestCancel()
    {
        run_.cancel();
        EnableWindow(cancelButton_, FALSE);
        SetWindowTextW(itemLabel_, widen(texts_.cancelling).c_str());
    }

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = attachedObject<ProgressWindow>(window, message, lParam);
        if (!self) {
            return DefWindowProcW(window, message, wParam, lParam);
        }
        switch (message) {
        case WM_NCCREATE:
            self->window_ = window;
            break;
        case WM_CREATE:
            self->createControls();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kIdCancel || LOWORD(wParam) == IDCANCEL) {
                self->requestCancel(); // the button, or Escape
            }
            return 0;
        case WM_CLOSE:
            self->requestCancel();
            return 0;
        case WM_DESTROY:
            self->window_ = nullptr; // the wait goes on without it
            return 0;
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
            return TRUE;
        default:
            break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND owner_;
    WatchedRun& run_;
    ProgressWindowTexts texts_;
    int dpi_;
    OwnedFont font_;
    HWND window_ = nullptr;
    HWND itemLabel_ = nullptr;
    HWND countLabel_ = nullptr;
    HWND bar_ = nullptr;
    HWND cancelButton_ = nullptr;
};

} // namespace

void waitBehindProgressWindow(HWND owner, WatchedRun& run, const ProgressWindowTexts& texts)
{
    ProgressWindow progress(owner, run, texts);
    progress.waitForTheRun();
}

std::function<void()> wakeThisThread()
{
    return [thread = GetCurrentThreadId()] { PostThreadMessageW(thread, WM_NULL, 0, 0); };
}

} // namespace rv::win32
