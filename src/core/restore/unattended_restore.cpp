#include "restore/unattended_restore.h"

#include "common/printable_text.h"
#include "restore/folder_restore_service.h"
#include "restore/restore_message.h"

namespace rv {

int runUnattendedRestore(std::string_view programFolder, std::string_view backupFolder, std::string_view generation,
                         std::ostream& out, const std::atomic<bool>& cancel)
{
    FolderRestoreService service{std::string(programFolder)};
    const RestoreOutcome outcome = service.restore(
        std::string(backupFolder), std::string(generation), [](const RestoreProgress&) {}, cancel);
    // Names are escaped: one line is one file, whatever a name holds.
    for (const std::string& line : outcome.notDone) {
        out << printable(line) << '\n';
    }
    out << outcome.summary << '\n';
    if (!outcome.keptAside.empty()) {
        out << '\n' << describeKeptAside(outcome.keptAside) << '\n';
    }
    out.flush();
    return outcome.exitCode;
}

} // namespace rv
