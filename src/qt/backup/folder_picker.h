#pragma once

#include <QString>

class QWidget;

namespace rv::backup {

inline const QString kFolderPickerTitle = QStringLiteral("フォルダの選択");

// Asks for the destination folder of a backup; tests answer in its place.
class FolderPicker {
public:
    virtual ~FolderPicker() = default;
    // The chosen folder's path, or an empty string when the user cancelled.
    virtual QString chooseFolder(QWidget* owner) = 0;
};

// Qt's own folder dialog (the same on every desktop), owned by the main
// window. It opens at the desktop, and its sidebar offers the desktop, the
// home folder and the removable disks mounted when it opens.
class DialogFolderPicker final : public FolderPicker {
public:
    QString chooseFolder(QWidget* owner) override;
};

} // namespace rv::backup
