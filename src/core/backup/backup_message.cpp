#include "backup/backup_message.h"

#include "common/printable_text.h"

namespace rv {
namespace {

constexpr const char* kAllCopied = "データのバックアップが終わりました。";
constexpr const char* kSomeNotCopied = "データのバックアップが終わりましたが、コピーできなかったものがあります。";
constexpr const char* kCancelled = "データのバックアップを中止しました。次のものはコピーしていません。";
constexpr const char* kNotPresentHeading = "次のファイルは標準の場所にないため、コピーしていません。";
// Beyond the files of the data folder its item keeps, the box names only how many more.
constexpr std::size_t kMaxFolderLines = kFileFailuresKept;

// One line per name, whatever the name holds.
std::string line(const std::string& name, std::string_view reason)
{
    return "\n・" + shownPath(name) + "：" + std::string(reason);
}

std::string itemLines(const ItemResult& item)
{
    if (item.reason == platform::FileErrorKind::Cancelled && item.filesCopied > 0) {
        return line(item.name, std::string(reasonText(item.reason)) + "（" + std::to_string(item.filesTotal) +
                                   " 個のうち " + std::to_string(item.filesCopied) + " 個はコピー済み）");
    }
    if (item.fileFailures.empty() || item.reason == platform::FileErrorKind::Cancelled) {
        return line(item.name, reasonText(item.reason));
    }
    std::string lines;
    const std::size_t shown = std::min(item.fileFailures.size(), kMaxFolderLines);
    for (std::size_t i = 0; i < shown; ++i) {
        const FileFailure& failure = item.fileFailures[i];
        lines += line(item.name + '/' + failure.relativePath, reasonText(failure.reason));
    }
    if (item.fileFailureCount > shown) {
        lines += line(item.name + " フォルダの残り " + std::to_string(item.fileFailureCount - shown) + " 個のファイル",
                      "コピーできませんでした");
    }
    return lines;
}

} // namespace

ResultMessage describeBackupResult(const BackupResult& result)
{
    std::string failures;
    std::string notPresent;
    for (const ItemResult& item : result.items) {
        if (item.outcome == ItemOutcome::Failed) {
            failures += itemLines(item);
        } else if (item.outcome == ItemOutcome::NotPresent) {
            notPresent += "\n・" + printable(item.name);
        }
    }
    ResultMessage message{kMessageCaption, kAllCopied, MessageIcon::None};
    if (result.cancelled) {
        message.text = kCancelled + failures;
        message.icon = MessageIcon::Warning;
    } else if (!failures.empty()) {
        message.text = kSomeNotCopied + failures;
        message.icon = MessageIcon::Warning;
    }
    if (!notPresent.empty()) {
        message.text += "\n\n" + std::string(kNotPresentHeading) + notPresent;
        if (message.icon == MessageIcon::None) {
            message.icon = MessageIcon::Information;
        }
    }
    return message;
}

std::string describeItemCounts(const BackupResult& result)
{
    std::size_t copied = 0;
    std::size_t asked = 0;
    for (const ItemResult& item : result.items) {
        copied += item.outcome == ItemOutcome::Copied ? 1 : 0;
        asked += item.outcome == ItemOutcome::NotPresent ? 0 : 1;
    }
    return std::to_string(asked) + " 件中 " + std::to_string(copied) + " 件をコピーしました";
}

ResultMessage describeRefusal(PlanRefusal refusal)
{
    return {kMessageCaption, describePlanRefusal(refusal), MessageIcon::Warning};
}

} // namespace rv
