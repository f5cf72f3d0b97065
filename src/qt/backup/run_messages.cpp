#include "qt/backup/run_messages.h"

#include "qt/log_categories.h"

#include <QString>

namespace rv::backup {
namespace {

ui::MessageBoxes::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return ui::MessageBoxes::Icon::None;
    case MessageIcon::Information:
        return ui::MessageBoxes::Icon::Information;
    case MessageIcon::Warning:
        return ui::MessageBoxes::Icon::Warning;
    }
    return ui::MessageBoxes::Icon::Warning;
}

} // namespace

void showResultMessage(ui::MessageBoxes& messages, QWidget* owner, const ResultMessage& message)
{
    messages.showOk(owner, QString::fromStdString(message.caption), QString::fromStdString(message.text),
                    boxIcon(message.icon));
}

void logRunLine(LogLevel level, const std::string& line)
{
    if (level == LogLevel::Warning) {
        qCWarning(lcBackup).noquote() << QString::fromStdString(line);
    } else {
        qCInfo(lcBackup).noquote() << QString::fromStdString(line);
    }
}

} // namespace rv::backup
