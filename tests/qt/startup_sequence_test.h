#pragma once

#include "qt/startup_sequence.h"
#include "support/recording_message_boxes.h"

#include <QImage>
#include <QObject>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class StartupSequenceTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void splashIsPaintedBeforeThePauseAndStaysUntilTheMainWindowOpens();
    void mainWindowOpensAloneWithTheBackupButtonFocused();
    void missingSettingsFileIsReportedAndNoMainWindowOpens();
    void speechStartsAsThePauseBeginsAndSpeaksThroughTheMainWindow();
    void cleanup();

private:
    rv::StartupOptions optionsFor(const QString& programFolder);

    // Some window systems show a new window before its content: blank what is
    // on the screen, so only painting by the start-up itself can restore it.
    static void blankOnScreen(const rv::ui::SplashWindow* splash);

    // What the window system holds for the window: only what was painted.
    static QImage screenImageOf(const rv::ui::SplashWindow* splash);

    std::unique_ptr<QTemporaryDir> clinic_;
    RecordingMessageBoxes messages_;
    std::vector<rv::StartupStep> steps_;
};
