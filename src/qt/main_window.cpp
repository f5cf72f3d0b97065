#include "qt/main_window.h"

#include "qt/backup/backup_command.h"
#include "qt/command_button.h"
#include "qt/program_folder.h"
#include "qt/speech/speech_control.h"
#include "qt/window_style.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace rv::ui {

namespace {
const QString kCaption = QStringLiteral("ＲＶシステムのデータバックアップ");
const QColor kBackColour(192, 192, 255);
const QColor kHeadingColour(0, 0, 192);
} // namespace

MainWindow::MainWindow(const rv::Settings& settings, QString programFolder, QWidget* parent,
                       std::shared_ptr<SpeechBackend> speech)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), settings_(settings),
      programFolder_(std::move(programFolder)), picture_(QStringLiteral(":/pictures/main_window.jpg"))
{
    setObjectName(QStringLiteral("選択3"));
    setWindowTitle(kCaption);
    setFixedSize(492, 251);
    createControls();
    createVoice(std::move(speech));
    centreOnScreen(*this);
    Form_Load();
}

void MainWindow::createControls()
{
    Command13 = new CommandButton(QStringLiteral("データバックアップ"), this);
    Command13->setObjectName(QStringLiteral("Command13"));
    Command13->setFont(japaneseFont(12));
    Command13->setGeometry(112, 104, 257, 33);

    Command4 = new CommandButton(QStringLiteral("終了"), this);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setFont(japaneseFont(14.25));
    Command4->setGeometry(176, 160, 137, 33);
    connect(Command4, &QPushButton::clicked, this, &MainWindow::Command4_Click);

    Label1 = makeTransparentLabel(this, QStringLiteral("Label1"), kCaption, japaneseFont(18), QRect(80, 40, 353, 33),
                                  kHeadingColour);

    // Receives the chosen backup folder; the user never sees or edits it.
    Text1 = new QLineEdit(QStringLiteral("Text1"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(376, 176, 89, 18);
    Text1->setFocusPolicy(Qt::NoFocus);
    Text1->hide();

    backupCommand_ = new backup::BackupCommand(*this, *Text1, settings_, programFolder_);
    connect(Command13, &QPushButton::clicked, this, &MainWindow::Command13_Click);

    setTabOrder(Command13, Command4);
    // Watched before it takes the focus, so the first focus is spoken too.
    Command13->installEventFilter(this);
    Command13->setFocus();
}

void MainWindow::createVoice(std::shared_ptr<SpeechBackend> speech)
{
    Voice1 = new SpeechControl(std::move(speech), this);
    Voice1->move(32, 184);
    speech_ = std::make_unique<WindowSpeechChannels>(*Voice1, programFolder_);
}

void MainWindow::Form_Load()
{
    // The heading is sent while the current folder is still the one the
    // start-up left.
    speech::speakOnLoad(*speech_, Label1->text().toStdString());
    enterProgramFolder(programFolder_);
}

void MainWindow::Command13_GotFocus() { speech::speakOnFocus(*speech_, Command13->text().toStdString()); }

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Every focus-in, however it comes (opening, Tab, a click): a click
    // gives the focus on the press, before the button reports the click.
    if (watched == Command13 && event->type() == QEvent::FocusIn)
        Command13_GotFocus();
    return QWidget::eventFilter(watched, event);
}

// The folder selection, the copying and the closing message, all in the
// backup command; it returns when the run is over.
void MainWindow::Command13_Click() { backupCommand_->run(); }

void MainWindow::Command4_Click()
{
    // Ends the program at once: the event loop stops, and leaving main()
    // destroys every window. Nothing is asked and nothing is saved.
    QCoreApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!backupCommand_->mayCloseWindow())
        event->ignore();
}

void MainWindow::paintEvent(QPaintEvent*)
{
    // The picture at its natural size; the back colour shows where it ends.
    QPainter painter(this);
    painter.fillRect(rect(), kBackColour);
    painter.drawPixmap(0, 0, picture_);
}

} // namespace rv::ui
