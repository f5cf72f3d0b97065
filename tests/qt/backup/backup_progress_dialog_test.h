#pragma once

#include <QObject>

class BackupProgressDialogTest : public QObject {
    Q_OBJECT
private slots:
    void showsItemFilesAndBytes();
    void cancelIsAskedOnceByButtonEscapeOrClose();
    void aScreenReaderReadsItemAndProgress();
};
