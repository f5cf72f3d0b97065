#include "qt/startup_sequence.h"

#include "qt/log_categories.h"
#include "qt/main_window.h"
#include "qt/message_boxes.h"
#include "qt/program_folder.h"
#include "qt/splash_window.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWindow>

#include <thread>

namespace rv {

namespace {

const QString kApplicationTitle = QStringLiteral("RVシステム");
// A window manager answers a new window's first expose within a few
// milliseconds; a second is the most the splash may hold up the start.
constexpr qint64 kMostExposeWaitMs = 1000;

bool isExposed(const QWidget& window) { return window.windowHandle() && window.windowHandle()->isExposed(); }

// Paints the window now and pushes it to the screen. No input is processed:
// the window is not meant to react until start-up is over.
void paintNow(QWidget& window)
{
    QElapsedTimer waited;
    waited.start();
    while (!isExposed(window) && waited.elapsed() < kMostExposeWaitMs) {
        QGuiApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(2);
    }
    if (!isExposed(window)) {
        qCWarning(lcStartup) << "splash window not exposed after" << waited.elapsed() << "ms";
    }
    window.repaint();
    QGuiApplication::sync();
}

void resetMousePointer()
{
    while (QGuiApplication::overrideCursor()) {
        QGuiApplication::restoreOverrideCursor();
    }
}

} // namespace

const char* describe(StartupStep step)
{
    switch (step) {
    case StartupStep::ProgramFolderEntered:
        return "program folder entered";
    case StartupStep::SplashShown:
        return "splash shown";
    case StartupStep::SplashPainted:
        return "splash painted";
    case StartupStep::PointerReset:
        return "mouse pointer reset";
    case StartupStep::Paused:
        return "pause over";
    case StartupStep::SettingsRead:
        return "settings read";
    case StartupStep::MainWindowShown:
        return "main window shown";
    case StartupStep::SplashClosed:
        return "splash closed";
    }
    return "unknown step";
}

StartupSequence::StartupSequence(StartupOptions options, ui::MessageBoxes& messages)
    : options_(std::move(options)), messages_(messages)
{
}

StartupSequence::~StartupSequence() = default;

Result<ui::MainWindow*, SettingsError> StartupSequence::run()
{
    const startup::StartupEnd end = startup::runStartup(*this);
    if (end.settingsError) {
        return Result<ui::MainWindow*, SettingsError>::failure(*end.settingsError);
    }
    return Result<ui::MainWindow*, SettingsError>::success(mainWindow_.get());
}

void StartupSequence::enterProgramFolder()
{
    rv::enterProgramFolder(options_.programFolder);
    finish(StartupStep::ProgramFolderEntered);
}

bool StartupSequence::showSplash()
{
    splash_ = std::make_unique<ui::SplashWindow>();
    splash_->show();
    finish(StartupStep::SplashShown);
    return true;
}

void StartupSequence::paintSplash()
{
    paintNow(*splash_);
    finish(StartupStep::SplashPainted);
}

void StartupSequence::resetPointer()
{
    resetMousePointer();
    finish(StartupStep::PointerReset);
}

void StartupSequence::pause()
{
    if (options_.startSpeech) {
        speech_ = options_.startSpeech();
    }
    std::this_thread::sleep_for(options_.pause);
    finish(StartupStep::Paused);
}

Result<Settings, SettingsError> StartupSequence::readSettings()
{
    auto read = ReadSettings(options_.programFolder.toStdString());
    if (read) {
        for (const std::string& note : read.value().notes) {
            qCInfo(lcStartup).noquote() << "rv.dat:" << QString::fromStdString(note);
        }
        finish(StartupStep::SettingsRead);
    }
    return read;
}

void StartupSequence::reportSettingsError(const SettingsError& error)
{
    qCWarning(lcStartup).noquote() << "rv.dat could not be opened, error" << error.errorNumber
                                   << QString::fromStdString(error.path);
    messages_.showOk(splash_.get(), kApplicationTitle, QString::fromStdString(describeSettingsError(error)),
                     ui::MessageBoxes::Icon::Critical);
    splash_.reset();
}

bool StartupSequence::showMainWindow(Settings settings)
{
    settings_ = std::move(settings);
    mainWindow_ = std::make_unique<ui::MainWindow>(settings_, options_.programFolder, nullptr, speech_);
    mainWindow_->show();
    // It becomes the active window, with its first button focused, even
    // where no window manager hands the focus to new windows.
    mainWindow_->activateWindow();
    finish(StartupStep::MainWindowShown);
    return true;
}

void StartupSequence::unloadSplash()
{
    splash_.reset();
    finish(StartupStep::SplashClosed);
}

void StartupSequence::finish(StartupStep step)
{
    qCDebug(lcStartup) << describe(step);
    if (options_.afterStep) {
        options_.afterStep(step, splash_.get());
    }
}

} // namespace rv
