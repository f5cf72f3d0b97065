#include "ui/main_window.h"

#include "startup/program_folder.h"
#include "ui/command_button.h"
#include "ui/window_style.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace rv::ui {

namespace {
const QString kCaption = QStringLiteral("ＲＶシステムのデータバックアップ");
const QColor kBackColour(192, 192, 255);
const QColor kHeadingColour(0, 0, 192);
} // namespace

MainWindow::MainWindow(const rv::Settings& settings, QString programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), settings_(settings),
      programFolder_(std::move(programFolder)), picture_(QStringLiteral(":/pictures/main_window.jpg"))
{
    setObjectName(QStringLiteral("選択3"));
    setWindowTitle(kCaption);
    setFixedSize(492, 251);
    createControls();
    createVoicePlace();
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

    setTabOrder(Command13, Command4);
    Command13->setFocus();
}

void MainWindow::createVoicePlace()
{
    Voice1 = new QWidget(this);
    Voice1->setObjectName(QStringLiteral("Voice1"));
    Voice1->setGeometry(32, 184, 33, 32);
    Voice1->setFocusPolicy(Qt::NoFocus);
}

void MainWindow::Form_Load() { enterProgramFolder(programFolder_); }

void MainWindow::Command4_Click()
{
    // Ends the program at once: the event loop stops, and leaving main()
    // destroys every window. Nothing is asked and nothing is saved.
    QCoreApplication::exit(0);
}

void MainWindow::paintEvent(QPaintEvent*)
{
    // The picture at its natural size; the back colour shows where it ends.
    QPainter painter(this);
    painter.fillRect(rect(), kBackColour);
    painter.drawPixmap(0, 0, picture_);
}

} // namespace rv::ui
