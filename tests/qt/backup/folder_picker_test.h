#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <functional>

class QFileDialog;

class FolderPickerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void opensFromTheBackupButtonInJapaneseAtTheDesktopWithTheDisk_data();
    void opensFromTheBackupButtonInJapaneseAtTheDesktopWithTheDisk();
    void returnsTheChosenFolder();
    void cancelGivesAnEmptyAnswer();

private:
    // Runs answer on the picker's dialog once it is up, while open() waits
    // for the picker to return.
    void whenOpen(const std::function<void(QFileDialog&)>& answer, const std::function<void()>& open);
    QString pick(QWidget* owner, const std::function<void(QFileDialog&)>& answer);

    // The user's home, with or without a desktop folder.
    QTemporaryDir home_;
};
