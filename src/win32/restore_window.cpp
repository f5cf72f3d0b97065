#include "win32/restore_window.h"

#include "restore/restore_texts.h"
#include "win32/backup_progress.h"
#include "win32/control_ids.h"
#include "win32/debug_log.h"
#include "win32/display_scale.h"
#include "win32/folder_browser.h"
#include "win32/generation_list_view.h"
#include "win32/message_loop.h"
#include "win32/progress_window.h"
#include "win32/speech_channels.h"
#include "win32/speech_control.h"
#include "win32/startup_sequence.h"
#include "win32/wide_text.h"
#include "win32/window_class.h"
#include "win32/yes_no_box.h"

#include <commctrl.h>

namespace rv::win32 {
namespace {

constexpr wchar_t kClassName[] = L"RvRestoreWindow";
constexpr wchar_t kFontFace[] = L"ＭＳ Ｐゴシック";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kClientWidthTwips = 9000;
constexpr int kClientHeightTwips = 7200;
constexpr COLORREF kHeadingColour = RGB(0, 0, 192);

struct Place {
    int id;
    TwipsRect rect;
};
constexpr Place kPlaces[] = {
    {kIdRestoreHeading, {480, 240, 8040, 495}},       {kIdRestoreFolderButton, {480, 960, 3240, 450}},
    {kIdRestoreFolderText, {3960, 1035, 4560, 300}},  {kIdRestoreGenerationsLabel, {480, 1680, 8040, 300}},
    {kIdRestoreGenerations, {480, 1980, 8040, 1800}}, {kIdRestoreReplacedLabel, {480, 3960, 8040, 300}},
    {kIdRestoreSummary, {480, 4260, 8040, 300}},      {kIdRestoreReplaced, {480, 4620, 8040, 1500}},
    {kIdRestoreStart, {2400, 6420, 1800, 450}},       {kIdRestoreClose, {4800, 6420, 1800, 450}},
};

// The captions spoken as each control that takes the focus does.
struct Caption {
    int id;
    const char* text;
};
constexpr Caption kCaptions[] = {
    {kIdRestoreFolderButton, kRestoreFolderCaption}, {kIdRestoreGenerations, kRestoreGenerationsCaption},
    {kIdRestoreReplaced, kRestoreReplacedCaption},   {kIdRestoreStart, kRestoreStartCaption},
    {kIdRestoreClose, kRestoreCloseCaption},
};

HWND createChild(HWND parent, const wchar_t* className, const std::string& text, DWORD style, int id)
{
    return CreateWindowExW(0, className, widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

} // namespace

RestoreWindow::RestoreWindow(RestoreService& service, std::unique_ptr<speech::SpeechChannels> speech)
    : speech_(std::move(speech)), flow_(service, *this)
{
}

RestoreWindow::~RestoreWindow()
{
    if (window_) {
        DestroyWindow(window_);
    }
}

Result<std::unique_ptr<RestoreWindow>, std::string> RestoreWindow::open(RestoreService& service,
                                                                        std::unique_ptr<speech::SpeechChannels> speech)
{
    using R = Result<std::unique_ptr<RestoreWindow>, std::string>;
    std::unique_ptr<RestoreWindow> window(new RestoreWindow(service, std::move(speech)));
    registerWindowClass(kClassName, &objectWindowProc<RestoreWindow>);
    if (!createCentredWindow(kClassName, widen(kRestoreHeading).c_str(), kStyle, 0, nullptr, kClientWidthTwips,
                             kClientHeightTwips, window.get())) {
        return R::failure("restore window: CreateWindowExW failed, error " + std::to_string(GetLastError()));
    }
    speech::speakOnLoad(*window->speech_, kRestoreHeading);
    return R::success(std::move(window));
}

void RestoreWindow::createControls()
{
    // Creation order is the tab order: the folder button first, so it has the
    // focus when the window opens. The restore button waits for a generation
    // that can be restored.
    heading_ = createChild(window_, L"STATIC", kRestoreHeading, SS_LEFT | SS_NOPREFIX, kIdRestoreHeading);
    folderButton_ = createChild(window_, L"BUTTON", kRestoreFolderCaption, WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY,
                                kIdRestoreFolderButton);
    folderText_ = createChild(window_, L"STATIC", kNoFolderChosenText,
                              SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS | SS_NOPREFIX, kIdRestoreFolderText);
    createChild(window_, L"STATIC", kRestoreGenerationsCaption, SS_LEFT | SS_NOPREFIX, kIdRestoreGenerationsLabel);
    generations_ = createGenerationListView(window_, kIdRestoreGenerations);
    createChild(window_, L"STATIC", kRestoreReplacedCaption, SS_LEFT | SS_NOPREFIX, kIdRestoreReplacedLabel);
    summary_ = createChild(window_, L"STATIC", "", SS_LEFT | SS_NOPREFIX, kIdRestoreSummary);
    replaced_ = createChild(window_, L"EDIT", "",
                            WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                            kIdRestoreReplaced);
    start_ = createChild(window_, L"BUTTON", kRestoreStartCaption, WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON | BS_NOTIFY,
                         kIdRestoreStart);
    close_ =
        createChild(window_, L"BUTTON", kRestoreCloseCaption, WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, kIdRestoreClose);
    focusOnActivate_ = folderButton_;
}

void RestoreWindow::layOut()
{
    // The fonts they had go once no control uses them.
    OwnedFont headingFont = createJapaneseFont(kFontFace, 18.0, FW_NORMAL, dpi_);
    OwnedFont bodyFont = createJapaneseFont(kFontFace, 10.5, FW_NORMAL, dpi_);
    for (const Place& place : kPlaces) {
        HWND control = GetDlgItem(window_, place.id);
        placeInTwips(control, place.rect, dpi_);
        HFONT font = control == heading_ ? headingFont.get() : bodyFont.get();
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    headingFont_ = std::move(headingFont);
    bodyFont_ = std::move(bodyFont);
    fitGenerationColumns(generations_);
}

void RestoreWindow::show()
{
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    // Where the system refused to bring the window forward, the focus goes in all the same.
    if (!IsChild(window_, GetFocus())) {
        SetFocus(folderButton_);
    }
    UpdateWindow(window_);
}

std::optional<std::string> RestoreWindow::chooseFolder() { return chooseFolderWithBrowser(window_); }

void RestoreWindow::showFolder(const std::string& folder) { SetWindowTextW(folderText_, widen(folder).c_str()); }

void RestoreWindow::showGenerations(const std::vector<GenerationLine>& lines)
{
    filling_ = true;
    fillGenerationListView(generations_, lines);
    filling_ = false;
}

void RestoreWindow::showPreview(const std::optional<PreviewText>& preview)
{
    std::wstring files;
    if (preview) {
        for (const std::string& file : preview->replaced) {
            files += widen(file);
            files += L"\r\n";
        }
    }
    SetWindowTextW(summary_, preview ? widen(preview->summary).c_str() : L"");
    SetWindowTextW(replaced_, files.c_str());
    EnableWindow(start_, preview && preview->restorable);
}

void RestoreWindow::refuse(const ResultMessage& why) { showResultBox(window_, why); }

bool RestoreWindow::confirm(const ResultMessage& question)
{
    return askYesNo(window_, widen(question.text), widen(question.caption));
}

RestoreJob::Hooks RestoreWindow::jobHooks()
{
    RestoreJob::Hooks hooks;
    hooks.log = [this](LogLevel level, const std::string& line) { log(level, line); };
    hooks.onFinished = wakeThisThread();
    return hooks;
}

void RestoreWindow::waitForTheJob(RestoreJob& job)
{
    WatchedJob watched(job);
    waitBehindProgressWindow(window_, watched, {kRestorePreparingText, kCancellingText});
}

void RestoreWindow::showOutcome(const ResultMessage& outcome) { showResultBox(window_, outcome); }

void RestoreWindow::endAfterClose() { DestroyWindow(window_); }

void RestoreWindow::log(LogLevel /*level*/, const std::string& line) { logLine(L"rv.backup", widen(line)); }

void RestoreWindow::speakCaptionOf(int id)
{
    for (const Caption& caption : kCaptions) {
        if (caption.id == id) {
            speech::speakOnFocus(*speech_, caption.text);
        }
    }
}

void RestoreWindow::onCommand(int id, int notification)
{
    if (notification == BN_SETFOCUS || notification == EN_SETFOCUS) {
        speakCaptionOf(id); // the same codes for buttons and the box of files
    } else if (id == kIdRestoreFolderButton && notification == BN_CLICKED) {
        flow_.chooseFolder();
    } else if (id == kIdRestoreStart && notification == BN_CLICKED) {
        flow_.restore();
    } else if (id == kIdRestoreClose && notification == BN_CLICKED) {
        onClose();
    } else if (id == IDOK) {
        // Enter, as dialog keyboard handling reports it: only a focused button reacts.
        HWND focus = GetFocus();
        if (focus == folderButton_ || focus == start_ || focus == close_) {
            SendMessageW(focus, BM_CLICK, 0, 0);
        }
    }
}

void RestoreWindow::onNotify(const NMHDR& header, LPARAM lParam)
{
    if (header.hwndFrom != generations_) {
        return;
    }
    if (header.code == NM_SETFOCUS) {
        speakCaptionOf(kIdRestoreGenerations);
    } else if (header.code == LVN_ITEMCHANGED && !filling_) {
        const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lParam);
        if ((change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED)) {
            flow_.chooseGeneration(static_cast<std::size_t>(change.iItem));
        }
    }
}

void RestoreWindow::onActivate(bool active)
{
    HWND focus = GetFocus();
    if (!active && IsChild(window_, focus)) {
        focusOnActivate_ = focus;
    } else if (active && focusOnActivate_) {
        SetFocus(IsWindowEnabled(focusOnActivate_) ? focusOnActivate_ : folderButton_);
    }
}

void RestoreWindow::onClose()
{
    // During a restore the flow cancels it and, once it has stopped, ends the window.
    if (flow_.requestClose()) {
        DestroyWindow(window_);
    }
}

LRESULT RestoreWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        dpi_ = dpiOf(window);
        createControls();
        layOut();
        return 0;
    case WM_DPICHANGED:
        dpi_ = HIWORD(wParam);
        layOut();
        resizeForDpi(window, kClientWidthTwips, kClientHeightTwips, dpi_, *reinterpret_cast<const RECT*>(lParam));
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        return 0;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == heading_) {
            SetTextColor(reinterpret_cast<HDC>(wParam), kHeadingColour);
        }
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        onNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
        return 0;
    case WM_ACTIVATE:
        onActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
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

int runRestoreWindow(const std::wstring& programFolder, RestoreService& service)
{
    auto opened =
        RestoreWindow::open(service, std::make_unique<WindowSpeechChannels>(createSpeechControl(), programFolder));
    if (!opened.ok()) {
        return reportWindowFailure(opened.error());
    }
    opened.value()->show();
    logLine(L"rv.startup", L"restore window shown");
    return runMessageLoop();
}

} // namespace rv::win32
