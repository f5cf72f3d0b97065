#pragma once

#include "backup/scripted_folder_picker.h"
#include "sample_clinic.h"
#include "startup/settings.h"
#include "ui/main_window.h"
#include "ui/recording_message_boxes.h"

#include <QObject>

#include <memory>

class BackupCommandTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void clickCopiesEverythingIntoTheChosenFolder();
    void cancelledPickerLeavesEverythingAsItWas();
    void chosenPathIsCutAtTheFirstNul();
    void selectionWithoutAPathEndsAsACancel();
    void unsafeDestinationIsRefusedBeforeCopying();
    void failuresAreListedUnderAWarning();
    void longRunShowsProgressKeepsTheWindowStillAndCancels();

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
