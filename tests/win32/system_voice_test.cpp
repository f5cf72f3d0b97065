#include "win32/system_voice.h"

#include "speech/speech_script.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using rv::speech::VoiceOperation;
using rv::win32::SpeechQueue;
using rv::win32::SystemVoice;

namespace {

// Queues that write down what each of them is asked to do, numbered in the
// order they were made.
struct QueueLog {
    std::vector<std::wstring> lines;
    int made = 0;
};

class RecordingQueue final : public SpeechQueue {
public:
    RecordingQueue(QueueLog& log) : log_(log), number_(std::to_wstring(++log.made)) {}
    void speak(const std::wstring& text) override { log_.lines.push_back(L"queue " + number_ + L": " + text); }
    void purge() override { log_.lines.push_back(L"queue " + number_ + L": stopped"); }
    bool isDone() const override { return false; }

private:
    QueueLog& log_;
    std::wstring number_;
};

DISPID idOf(VoiceOperation operation) { return static_cast<DISPID>(rv::speech::dispatchId(operation)); }

// The main window opens (heading, then the caption at once), and the focus
// comes back to the button twice in quick succession.
TEST(SystemVoiceTest, TheHeadingIsHeldWholeWhileEachCaptionStopsTheOneBeforeIt)
{
    QueueLog log;
    SystemVoice voice(std::make_unique<RecordingQueue>(log), [&] { return std::make_unique<RecordingQueue>(log); });

    voice.invoke(idOf(VoiceOperation::Speak), L"ＲＶシステムのデータバックアップ");
    voice.invoke(idOf(VoiceOperation::AfterSpeakingHeading));
    for (int focus = 0; focus < 3; ++focus) {
        voice.invoke(idOf(VoiceOperation::BeforeSpeakingCaption));
        voice.invoke(idOf(VoiceOperation::Speak), L"データバックアップ");
    }

    EXPECT_EQ(log.lines, (std::vector<std::wstring>{
                             L"queue 1: ＲＶシステムのデータバックアップ",
                             L"queue 2: stopped",
                             L"queue 2: データバックアップ",
                             L"queue 2: stopped",
                             L"queue 2: データバックアップ",
                             L"queue 2: stopped",
                             L"queue 2: データバックアップ",
                         }));
}

} // namespace
