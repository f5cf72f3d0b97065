#include "qt/program_folder.h"

#include "platform/paths.h"
#include "qt/log_categories.h"

#include <filesystem>
#include <system_error>

namespace rv {

void enterProgramFolder(const QString& programFolder)
{
    std::error_code error;
    std::filesystem::current_path(platform::toPath(programFolder.toStdString()), error);
    if (error) {
        qCWarning(lcStartup).noquote() << "could not make" << programFolder
                                       << "the current folder:" << QString::fromStdString(error.message());
        return;
    }
    qCDebug(lcStartup).noquote() << "current folder:" << programFolder;
}

} // namespace rv
