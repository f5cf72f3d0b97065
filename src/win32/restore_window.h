#pragma once

#include "common/result.h"
#include "restore/restore_flow.h"
#include "restore/restore_front_end.h"
#include "restore/restore_service.h"
#include "speech/speech_script.h"
#include "win32/twips.h"
#include "win32/window_class.h"

#include <windows.h>

#include <memory>
#include <string>

namespace rv::win32 {

// The restore window: the folder button and the chosen folder, the chosen
// folder's generations, what restoring the picked one would replace, and
// the restore and close buttons. What happens when, and every text, is the
// core's restore flow; the window draws it and hands the user's actions over.
// It speaks like the main window: its heading as it opens, and each
// control's caption as the control takes the focus.
class RestoreWindow final : public RestoreFrontEnd {
public:
    // Creates the window and its controls, hidden, and speaks the heading.
    static Result<std::unique_ptr<RestoreWindow>, std::string> open(RestoreService& service,
                                                                    std::unique_ptr<speech::SpeechChannels> speech);
    RestoreWindow(const RestoreWindow&) = delete;
    RestoreWindow& operator=(const RestoreWindow&) = delete;
    ~RestoreWindow() override;

    // Shows it centred and active; the focus goes to the folder button.
    void show();

    std::optional<std::string> chooseFolder() override;
    void showFolder(const std::string& folder) override;
    void showGenerations(const std::vector<GenerationLine>& lines) override;
    void showPreview(const std::optional<PreviewText>& preview) override;
    void refuse(const ResultMessage& why) override;
    bool confirm(const ResultMessage& question) override;
    RestoreJob::Hooks jobHooks() override;
    void waitForTheJob(RestoreJob& job) override;
    void showOutcome(const ResultMessage& outcome) override;
    void endAfterClose() override;
    void log(LogLevel level, const std::string& line) override;

private:
    RestoreWindow(RestoreService& service, std::unique_ptr<speech::SpeechChannels> speech);

    friend LRESULT CALLBACK objectWindowProc<RestoreWindow>(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    void layOut();
    void onCommand(int id, int notification);
    void onNotify(const NMHDR& header, LPARAM lParam);
    void onActivate(bool active);
    void onClose();
    void speakCaptionOf(int id);

    std::unique_ptr<speech::SpeechChannels> speech_;
    RestoreFlow flow_;
    int dpi_ = 96;
    HWND window_ = nullptr;
    HWND heading_ = nullptr;
    HWND folderButton_ = nullptr;
    HWND folderText_ = nullptr;
    HWND generations_ = nullptr;
    HWND summary_ = nullptr;
    HWND replaced_ = nullptr;
    HWND start_ = nullptr;
    HWND close_ = nullptr;
    HWND focusOnActivate_ = nullptr; // the control that gets the focus back when the window is activated
    bool filling_ = false;           // the list is being refilled: its changes are not the user's
    OwnedFont headingFont_;
    OwnedFont bodyFont_;
};

// The restore window over service until it is closed (the program's
// --restore): its speech through the three channels of the program folder.
// Returns the exit code: 0, or 3 when the window could not be made.
int runRestoreWindow(const std::wstring& programFolder, RestoreService& service);

} // namespace rv::win32
