#include "qt/backup/folder_picker.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QUrl>

#include <algorithm>

namespace rv::backup {

namespace {

// The user's desktop folder, or the home folder where there is none.
QString desktopFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return !desktop.isEmpty() && QDir(desktop).exists() ? desktop : QDir::homePath();
}

// Desktops mount USB disks and SD cards here (udisks2), each on a folder
// named after its label; system and pseudo file systems live elsewhere. A
// read-only volume (a CD) could not take the backup.
bool isRemovableMount(const QStorageInfo& volume)
{
    const QString root = volume.rootPath();
    return volume.isValid() && volume.isReady() && !volume.isReadOnly() &&
           (root.startsWith(QStringLiteral("/media/")) || root.startsWith(QStringLiteral("/run/media/")));
}

// The folders the removable disks are mounted on, by name.
QStringList removableVolumes()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (isRemovableMount(volume))
            roots << volume.rootPath();
    }
    std::sort(roots.begin(), roots.end(), [](const QString& a, const QString& b) {
        return QDir(a).dirName().localeAwareCompare(QDir(b).dirName()) < 0;
    });
    return roots;
}

QList<QUrl> sidebarPlaces()
{
    QList<QUrl> places;
    const QString desktop = desktopFolder();
    if (desktop != QDir::homePath())
        places << QUrl::fromLocalFile(desktop);
    places << QUrl::fromLocalFile(QDir::homePath());
    for (const QString& volume : removableVolumes())
        places << QUrl::fromLocalFile(volume);
    // The whole file system, as Qt's dialog offers it by default.
    places << QUrl(QStringLiteral("file:"));
    return places;
}

} // namespace

QString DialogFolderPicker::chooseFolder(QWidget* owner)
{
    QFileDialog dialog(owner, kFolderPickerTitle, desktopFolder());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    // Read at each opening: a disk plugged in later shows at the next one.
    dialog.setSidebarUrls(sidebarPlaces());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace rv::backup
