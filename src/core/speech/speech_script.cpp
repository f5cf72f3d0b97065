#include "speech/speech_script.h"

#include "platform/text_codec.h"

#include <algorithm>
#include <optional>
#include <string>

namespace rv::speech {

namespace {

constexpr bool librariesAreKnown(std::span<const SpeechStep> sequence)
{
    return std::ranges::all_of(sequence, [](const SpeechStep& step) {
        return step.kind != SpeechStep::Kind::Library ||
               std::ranges::find(kSpeechLibraries, step.library) != kSpeechLibraries.end();
    });
}

} // namespace

// The front ends load the libraries of kSpeechLibraries: every library step
// must name one of them.
static_assert(librariesAreKnown(kLoadSequence) && librariesAreKnown(kFocusSequence));

void runSpeechSequence(std::span<const SpeechStep> sequence, SpeechChannels& channels, std::string_view text)
{
    // Converted at the first library step, and used by every one after it.
    std::optional<Result<std::string, std::string>> cp932;
    for (const SpeechStep& step : sequence) {
        switch (step.kind) {
        case SpeechStep::Kind::Control:
            channels.callControl(step.operation);
            break;
        case SpeechStep::Kind::ControlWithText:
            channels.callControl(step.operation, text);
            break;
        case SpeechStep::Kind::Library:
            if (!cp932) {
                cp932.emplace(platform::encodeCp932(text));
                if (!cp932->ok()) {
                    channels.textNotSentToLibraries(text, cp932->error());
                }
            }
            if (!cp932->ok()) {
                break;
            }
            try {
                channels.callLibrary({step.library, cp932->value(), kLibraryArgument, text});
            } catch (...) {
                // A failing library step ends that step only; speech reports nothing.
            }
            break;
        }
    }
}

} // namespace rv::speech
