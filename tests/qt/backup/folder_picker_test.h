#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QFileDialog;

class FolderPickerTest : public QObject {
    Q_OBJECT
private slots:
    void asksWithQtsOwnFolderDialogOwnedByTheWindow();
    void cancelGivesAnEmptyAnswer();

private:
    // Runs answer on the picker's dialog once it is up, and returns what the
    // picker returned.
    QString pick(QWidget* owner, const std::function<void(QFileDialog&)>& answer);
};
