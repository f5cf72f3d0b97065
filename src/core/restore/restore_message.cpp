#include "restore/restore_message.h"

#include "backup/progress_text.h"

namespace rv {

std::string describeRestoreCounts(std::uint64_t restored, std::uint64_t leftAlone, std::uint64_t listed,
                                  bool cancelled, std::size_t notDone)
{
    std::string text = cancelled ? "復元を中止しました。" : "";
    text += groupedNumber(listed);
    text += " 個のファイルのうち ";
    text += groupedNumber(restored);
    text += " 個を元の場所に戻しました。";
    if (leftAlone > 0) {
        text += "すでにあるため戻さなかったもの（rv.dat、id.dat）";
        text += groupedNumber(leftAlone);
        text += " 個。";
    }
    if (notDone > 0) {
        text += "戻せなかったもの ";
        text += groupedNumber(notDone);
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
