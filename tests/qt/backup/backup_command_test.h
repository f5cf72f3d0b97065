#pragma once

#include "qt/main_window.h"
#include "settings/settings.h"
#include "support/recording_message_boxes.h"
#include "support/sample_clinic.h"
#include "support/scripted_folder_picker.h"

#include <QObject>

#include <memory>

class BackupCommandTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void clickCopiesEverythingIntoTheChosenFolder();
    void longRunShowsProgressKeepsTheWindowStillAndCancels();
    void openDatabasesAreCopiedOnlyWhenTheUserSaysYes();
    void clickDuringTheFolderDialogStartsNothing();
    void closingTheWindowDuringARunCancelsWaitsAndCloses();
    void escapeOnTheScreensQuestionIsNo();

private:
    void openWindow();
    void clickBackup();
    QString backupFolder() const { return QString::fromStdString(clinic_->backup.str()); }

    std::unique_ptr<rv::testing::SampleClinic> clinic_;
    rv::Settings settings_;
    std::unique_ptr<rv::ui::MainWindow> window_;
    RecordingMessageBoxes messages_;
    ScriptedFolderPicker picker_;
};
