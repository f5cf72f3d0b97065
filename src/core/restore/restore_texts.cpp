#include "restore/restore_texts.h"

#include <algorithm>

namespace rv {
namespace {

// The files a closing box names one by one; the rest are counted, so that
// the box still fits on the screen.
constexpr std::size_t kNotDoneShown = 10;

std::string fileCount(std::uint64_t files)
{
    std::string text = groupedNumber(files);
    text += " 個";
    return text;
}

// How a generation is named in a question: its time, or "the latest".
std::string generationName(const GenerationSummary& generation)
{
    if (generation.latest) {
        return "最新のバックアップ";
    }
    std::string name = generation.when.empty() ? generation.name : generation.when;
    name += " のバックアップ";
    return name;
}

} // namespace

GenerationLine describeGeneration(const GenerationSummary& generation)
{
    GenerationLine line;
    line.when = generation.when.empty() ? "日時不明" : generation.when;
    if (generation.latest) {
        line.when += "（最新）";
    }
    // An incomplete generation says so first: some of its files are missing.
    if (!generation.complete) {
        line.result = "不完全";
        if (!generation.outcome.empty()) {
            line.result += "：";
        }
    }
    line.result += generation.outcome;
    line.size = fileCount(generation.files);
    line.size += "　";
    line.size += megabytes(generation.bytes);
    return line;
}

PreviewText describePreview(const RestorePreview& preview)
{
    PreviewText text;
    text.restorable = true;
    text.summary = "置き換わるファイル ";
    text.summary += fileCount(preview.replaced.size());
    text.summary += "、新しく置くファイル ";
    text.summary += fileCount(preview.added.size());
    text.summary += "（合計 ";
    text.summary += fileCount(preview.files);
    text.summary += "、";
    text.summary += megabytes(preview.bytes);
    text.summary += "）";
    text.replaced = preview.replaced;
    return text;
}

PreviewText describePreviewRefusal(const RestoreRefusal& refusal)
{
    PreviewText text;
    text.summary = "復元できません：";
    text.summary += refusal.message;
    return text;
}

ResultMessage describeRestoreQuestion(const GenerationSummary& generation, const RestorePreview& preview)
{
    std::string text = generationName(generation);
    text += "を復元します。\n";
    if (preview.replaced.empty()) {
        text += "今あるファイルで置き換わるものはありません。\n";
    } else {
        text += "今あるファイル ";
        text += fileCount(preview.replaced.size());
        text += "が置き換わります。置き換わる前のファイルはそれぞれの場所の「復元前」フォルダに残るので、"
                "元に戻せます。\n";
    }
    text += "復元しますか？";
    return {kMessageCaption, text, MessageIcon::Warning};
}

ResultMessage describeRestoreRefusal(const RestoreRefusal& refusal)
{
    return {kMessageCaption, refusal.message, MessageIcon::Warning};
}

ResultMessage describeRestoreOutcome(const RestoreOutcome& outcome)
{
    std::string text = outcome.summary;
    if (!outcome.notDone.empty()) {
        text += "\n\n復元できなかったファイル：";
        const std::size_t shown = std::min(outcome.notDone.size(), kNotDoneShown);
        for (std::size_t i = 0; i < shown; ++i) {
            text += '\n';
            text += outcome.notDone[i];
        }
        if (outcome.notDone.size() > shown) {
            text += "\nほか ";
            text += fileCount(outcome.notDone.size() - shown);
        }
    }
    if (!outcome.keptAside.empty()) {
        text += "\n\n置き換える前のファイルは次の場所に残してあります：\n";
        text += outcome.keptAside;
    }
    const bool allDone = outcome.exitCode == kRestoreAllRestored && !outcome.cancelled;
    return {kMessageCaption, text, allDone ? MessageIcon::Information : MessageIcon::Warning};
}

ProgressText describeRestoreProgress(const RestoreProgress& progress)
{
    ProgressText text;
    text.item = progress.current;
    text.item += " を復元しています";
    text.counts = "ファイル ";
    text.counts += groupedNumber(progress.filesDone);
    text.counts += " / ";
    text.counts += fileCount(progress.filesTotal);
    text.counts += "　　";
    text.counts += megabytes(progress.bytesDone);
    text.counts += " / ";
    text.counts += megabytes(progress.bytesTotal);
    text.permille = permilleOf(progress.bytesDone, progress.bytesTotal);
    return text;
}

} // namespace rv
