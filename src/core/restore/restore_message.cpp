#include "restore/restore_message.h"

#include "backup/progress_text.h"

namespace rv {

std::string describeRestoreCounts(const RestoreCounts& counts)
{
    std::string text = counts.cancelled ? "復元を中止しました。" : "";
    text += groupedNumber(counts.listed);
    text += " 個のファイルのうち ";
    text += groupedNumber(counts.restored);
    text += " 個を元の場所に戻しました";
    if (counts.unchanged > 0) {
        text += "（うち ";
        text += groupedNumber(counts.unchanged);
        text += " 個は元のままでした）";
    }
    text += "。";
    if (counts.leftAlone > 0) {
        text += "すでにあるため戻さなかったもの（rv.dat、id.dat）";
        text += groupedNumber(counts.leftAlone);
        text += " 個。";
    }
    if (counts.notDone > 0) {
        text += "戻せなかったもの ";
        text += groupedNumber(counts.notDone);
        text += " 個。";
    }
    return text;
}

RestoreOutcome cancelledBeforeStart()
{
    RestoreOutcome outcome;
    outcome.exitCode = kRestoreNotAll;
    outcome.cancelled = true;
    outcome.summary = "復元を中止しました。何も戻していません。";
    return outcome;
}

std::string describeKeptAside(const std::string& keptAside)
{
    return "置き換えたファイルは次のフォルダに移してあります。復元を取り消すには、そこにあるファイルを元の場所へ戻して"
           "ください。\n" +
           keptAside;
}

} // namespace rv
