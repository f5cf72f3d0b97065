#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace rv::speech {

// The operations of the speech control `Voice1` (KsOCX.Voice) that the
// program calls, by dispatch identifier. What they do is the control's
// business; the names say what the program relies on: that the text is
// handed to speech, and where in the sequences the two others are called.
enum class VoiceOperation : std::uint32_t {
    Speak = 0x60030002,                 // one argument: the text, handed to speech
    BeforeSpeakingCaption = 0x60030003, // no arguments: right before the backup button's caption
    AfterSpeakingHeading = 0x6003000a,  // no arguments: right after the heading
};

constexpr std::uint32_t dispatchId(VoiceOperation operation) { return static_cast<std::uint32_t>(operation); }

// A function of a speech library that is loaded at run time by file name.
struct SpeechLibraryName {
    std::string_view fileName;
    std::string_view function;

    friend constexpr bool operator==(const SpeechLibraryName&, const SpeechLibraryName&) = default;
};

inline constexpr SpeechLibraryName kSoundMessage{"SOUNDP.DLL", "SoundMessage"};
inline constexpr SpeechLibraryName kOutputVoiceText{"FocusTalkExt.DLL", "FT_OutputVoiceText"};
// The libraries the focus sequence speaks through, in its order.
inline constexpr std::array kSpeechLibraries{kSoundMessage, kOutputVoiceText};

// What both library functions are given as their second, 32-bit argument.
inline constexpr std::int32_t kLibraryArgument = 2;

// One step of a speech sequence.
struct SpeechStep {
    enum class Kind {
        Control,         // an operation of the control without arguments
        ControlWithText, // an operation of the control with the text
        Library,         // a library function with the text in CP932 and kLibraryArgument; guarded
    };
    Kind kind;
    VoiceOperation operation{};  // Control, ControlWithText
    SpeechLibraryName library{}; // Library
};

// As the main window loads (Form_Load), with the heading: the control only.
inline constexpr std::array<SpeechStep, 2> kLoadSequence{{
    {SpeechStep::Kind::ControlWithText, VoiceOperation::Speak, {}},
    {SpeechStep::Kind::Control, VoiceOperation::AfterSpeakingHeading, {}},
}};

// Each time the backup button takes the focus (Command13_GotFocus), with its
// caption: the control, then both libraries, each attempted whatever became
// of the one before.
inline constexpr std::array<SpeechStep, 4> kFocusSequence{{
    {SpeechStep::Kind::Control, VoiceOperation::BeforeSpeakingCaption, {}},
    {SpeechStep::Kind::ControlWithText, VoiceOperation::Speak, {}},
    {SpeechStep::Kind::Library, {}, kSoundMessage},
    {SpeechStep::Kind::Library, {}, kOutputVoiceText},
}};

// One call of a library function.
struct LibraryCall {
    SpeechLibraryName library;
    std::string_view cp932Text; // what the function is given, without the NUL the channel adds
    std::int32_t argument;      // kLibraryArgument
    std::string_view text;      // the same text in UTF-8, for the channel's log
};

// The three speech channels, as one front end reaches them. Each call is
// fire-and-forget: no channel returns anything, and speech reports nothing.
class SpeechChannels {
public:
    virtual ~SpeechChannels() = default;

    // The speech control. Not guarded: the sequences rely on these calls.
    virtual void callControl(VoiceOperation operation) = 0;
    virtual void callControl(VoiceOperation operation, std::string_view text) = 0;
    // A library function: loaded on first use, looked for again while
    // missing; a missing library or function is passed over. The function
    // gets a NUL-terminated copy of the bytes that lives for the call.
    virtual void callLibrary(const LibraryCall& call) = 0;
    // The text has no CP932 form, so no library is called this time; said
    // once, where the first library call would have been.
    virtual void textNotSentToLibraries(std::string_view text, std::string_view reason) = 0;
};

// Runs the steps in order with one text (UTF-8). The text is converted to
// CP932 once, at the first library step; a library step that throws ends
// that step only.
void runSpeechSequence(std::span<const SpeechStep> sequence, SpeechChannels& channels, std::string_view text);

inline void speakOnLoad(SpeechChannels& channels, std::string_view heading)
{
    runSpeechSequence(kLoadSequence, channels, heading);
}

inline void speakOnFocus(SpeechChannels& channels, std::string_view caption)
{
    runSpeechSequence(kFocusSequence, channels, caption);
}

} // namespace rv::speech
