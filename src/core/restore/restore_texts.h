#pragma once

#include "backup/backup_message.h"
#include "backup/progress_text.h"
#include "restore/restore_service.h"

#include <array>
#include <string>
#include <vector>

namespace rv {

// The restore window's heading (also its title): spoken as it opens.
inline constexpr const char* kRestoreHeading = "データの復元";
// The captions of the controls that take the focus, each spoken as it does.
inline constexpr const char* kRestoreFolderCaption = "バックアップフォルダの選択";
inline constexpr const char* kRestoreGenerationsCaption = "復元するバックアップ";
inline constexpr const char* kRestoreReplacedCaption = "置き換わるファイル";
inline constexpr const char* kRestoreStartCaption = "復元";
inline constexpr const char* kRestoreCloseCaption = "閉じる";
// The heads of the generations list's columns, in the order of GenerationLine.
inline constexpr std::array<const char*, 3> kGenerationColumns{"日時", "結果", "大きさ"};
// The progress window: before the first figures come, and what a screen
// reader calls it and its bar.
inline constexpr const char* kRestorePreparingText = "復元の準備をしています";
inline constexpr const char* kRestoringName = "データの復元中";
inline constexpr const char* kRestoreBarName = "復元の進み具合";
// Where the chosen folder is shown before any is chosen, and the preview
// before a generation is picked.
inline constexpr const char* kNoFolderChosenText = "（まだ選ばれていません）";
inline constexpr const char* kNoGenerationPickedText = "一覧から復元するバックアップを選んでください。";

// A program built without the restore engine, asked for the restore window.
inline constexpr const char* kRestoreNotBuiltInText = "このデータバックアップでは、データの復元はまだできません。";

// One row of the generations list.
struct GenerationLine {
    std::string when;   // its run's time, the latest marked as such
    std::string result; // how its run ended
    std::string size;   // files and megabytes
};

// What restoring the chosen generation would do, shown before it is asked for.
struct PreviewText {
    std::string summary;               // how many files are replaced and put where there is none
    std::vector<std::string> replaced; // the files replaced, one a line
    bool restorable = false;           // false: the summary says why it cannot be restored
};

GenerationLine describeGeneration(const GenerationSummary& generation);
PreviewText describePreview(const RestorePreview& preview);
// The preview of a generation that cannot be restored: why, in its place.
PreviewText describePreviewRefusal(const RestoreRefusal& refusal);
// The question before a restore, answered No unless the user says Yes.
ResultMessage describeRestoreQuestion(const GenerationSummary& generation, const RestorePreview& preview);
ResultMessage describeRestoreRefusal(const RestoreRefusal& refusal);
ResultMessage describeRestoreOutcome(const RestoreOutcome& outcome);
ProgressText describeRestoreProgress(const RestoreProgress& progress);

} // namespace rv
