#include "win32/backup_progress.h"

#include "backup/backup_message.h"
#include "backup/backup_plan.h"
#include "backup/backup_run.h"
#include "win32/debug_log.h"
#include "win32/twips.h"
#include "win32/wide_text.h"
#include "win32/window_class.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace rv::win32 {
namespace {

constexpr wchar_t kClassName[] = L"RvBackupProgress";
constexpr UINT kProgressChanged = WM_APP + 1;
constexpr UINT kRunFinished = WM_APP + 2;
constexpr UINT_PTR kShowTimer = 1;
constexpr UINT kShowAfterMs = 500;
constexpr int kIdCancel = 1301;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr int kWidthTwips = 6000;
constexpr int kHeightTwips = 2400;

UINT messageBoxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return MB_ICONINFORMATION;
    case MessageIcon::Warning:
        return MB_ICONWARNING;
    case MessageIcon::None:
        break;
    }
    return 0;
}

void showResult(HWND owner, const ResultMessage& message)
{
    MessageBoxW(owner, widen(message.text).c_str(), widen(message.caption).c_str(),
                MB_OK | messageBoxIcon(message.icon));
}

std::wstring sizeText(std::uint64_t bytes)
{
    wchar_t text[32];
    swprintf(text, 32, L"%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

// The window, its worker and what they share.
class ProgressWindow {
public:
    explicit ProgressWindow(HWND owner) : owner_(owner), dpi_(systemDpi())
    {
        font_ = createJapaneseFont(L"ＭＳ Ｐゴシック", 10.5, FW_NORMAL, dpi_);
    }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
    ~ProgressWindow()
    {
        if (window_) {
            DestroyWindow(window_);
        }
        DeleteObject(font_);
    }

    BackupResult run(const BackupPlan& plan)
    {
        create();
        BackupResult result;
        std::thread worker([&] {
            BackupCallbacks callbacks;
            callbacks.onProgress = [&](const BackupProgress& progress) { report(progress); };
            result = runBackup(plan, callbacks, cancel_);
            PostMessageW(window_, kRunFinished, 0, 0);
        });
        waitForTheRun();
        worker.join();
        return result;
    }

private:
    void create()
    {
        registerWindowClass(kClassName, &ProgressWindow::windowProc);
        createCentredWindow(kClassName, L"RVシステム", kStyle, WS_EX_DLGMODALFRAME, owner_, kWidthTwips, kHeightTwips,
                            dpi_, this);
        SetTimer(window_, kShowTimer, kShowAfterMs, nullptr);
    }

    void createControls()
    {
        auto child = [&](const wchar_t* className, const wchar_t* text, DWORD style, int id, int top, int height) {
            RECT client;
            GetClientRect(window_, &client);
            const int margin = twipsToPixels(240, dpi_);
            HWND control = CreateWindowExW(
                0, className, text, WS_CHILD | WS_VISIBLE | style, margin, top, client.right - 2 * margin, height,
                window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
            return control;
        };
        const int line = twipsToPixels(330, dpi_);
        itemLabel_ = child(L"STATIC", L"バックアップを始めています…", SS_LEFT | SS_NOPREFIX, 0, line / 2, line);
        countLabel_ = child(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, line * 3 / 2, line);
        bar_ = child(PROGRESS_CLASSW, L"", PBS_SMOOTH, 0, line * 5 / 2, line * 2 / 3);
        SendMessageW(bar_, PBM_SETRANGE32, 0, 1000);
        cancelButton_ = child(L"BUTTON", L"中止", WS_TABSTOP | BS_PUSHBUTTON, kIdCancel, line * 7 / 2, line * 5 / 4);
        // The button is narrower than the labels, centred under them.
        RECT client;
        GetClientRect(window_, &client);
        const int buttonWidth = twipsToPixels(1500, dpi_);
        MoveWindow(cancelButton_, (client.right - buttonWidth) / 2, line * 7 / 2, buttonWidth, line * 5 / 4, FALSE);
    }

    // On the worker thread: keep the newest figures, wake the window once.
    void report(const BackupProgress& progress)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            latest_ = progress;
        }
        if (!updatePosted_.exchange(true)) {
            PostMessageW(window_, kProgressChanged, 0, 0);
        }
    }

    void showProgress()
    {
        updatePosted_ = false;
        BackupProgress progress;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            progress = latest_;
        }
        if (cancel_) {
            return; // the labels say that the run is stopping
        }
        const std::wstring item = L"コピー中：" + widen(progress.item) + L"（" + std::to_wstring(progress.itemNumber) +
                                  L" / " + std::to_wstring(progress.itemCount) + L"）";
        const std::wstring counts = L"ファイル " + std::to_wstring(progress.filesDone) + L" / " +
                                    std::to_wstring(progress.filesTotal) + L"、" + sizeText(progress.bytesDone) +
                                    L" / " + sizeText(progress.bytesTotal);
        SetWindowTextW(itemLabel_, item.c_str());
        SetWindowTextW(countLabel_, counts.c_str());
        const std::uint64_t total = progress.bytesTotal ? progress.bytesTotal : 1;
        SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(progress.bytesDone * 1000 / total), 0);
    }

    void requestCancel()
    {
        cancel_ = true;
        EnableWindow(cancelButton_, FALSE);
        SetWindowTextW(itemLabel_, L"中止しています…");
        logLine(L"rv.backup", L"cancel requested");
    }

    // The owner's input waits while the run goes on; this window's messages,
    // with dialog keyboard handling, and the owner's painting go on.
    void waitForTheRun()
    {
        EnableWindow(owner_, FALSE);
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        MSG message;
        bool quitRequested = false;
        while (!finished_) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got <= 0) {
                quitRequested = true; // pass it on once the run is over
                continue;
            }
            if (!IsDialogMessageW(window_, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        // Enabled before this window goes, so the activation returns to the owner.
        EnableWindow(owner_, TRUE);
        DestroyWindow(window_);
        window_ = nullptr;
        if (quitRequested) {
            PostQuitMessage(0);
        }
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
        case WM_TIMER:
            KillTimer(window, kShowTimer);
            ShowWindow(window, SW_SHOW);
            SetFocus(self->cancelButton_);
            return 0;
        case kProgressChanged:
            self->showProgress();
            return 0;
        case kRunFinished:
            self->finished_ = true;
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kIdCancel || LOWORD(wParam) == IDCANCEL) {
                self->requestCancel(); // the button, or Escape
            }
            return 0;
        case WM_CLOSE:
            self->requestCancel();
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
    int dpi_;
    HFONT font_ = nullptr;
    HWND window_ = nullptr;
    HWND itemLabel_ = nullptr;
    HWND countLabel_ = nullptr;
    HWND bar_ = nullptr;
    HWND cancelButton_ = nullptr;
    bool finished_ = false;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> updatePosted_{false};
    std::mutex mutex_;
    BackupProgress latest_;
};

} // namespace

void runBackupWithProgress(HWND owner, const Settings& settings, const std::string& programFolder,
                           const std::string& backupFolder)
{
    logLine(L"rv.backup", L"backup into " + widen(backupFolder));
    auto plan = makeBackupPlan(settings, programFolder, backupFolder);
    if (!plan.ok()) {
        logLine(L"rv.backup", L"refused: " + widen(describePlanRefusal(plan.error())));
        showResult(owner, describeRefusal(plan.error()));
        return;
    }
    BackupResult result;
    {
        ProgressWindow progress(owner);
        result = progress.run(plan.value());
    }
    for (const std::string& note : result.notes) {
        logLine(L"rv.backup", widen(note));
    }
    const ResultMessage message = describeBackupResult(result);
    logLine(L"rv.backup", L"result: " + widen(message.text));
    showResult(owner, message);
}

} // namespace rv::win32
