#include "qt/backup/folder_picker.h"

#include <QFileDialog>

namespace rv::backup {

QString DialogFolderPicker::chooseFolder(QWidget* owner)
{
    return QFileDialog::getExistingDirectory(owner, kFolderPickerTitle, QString(),
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

} // namespace rv::backup
