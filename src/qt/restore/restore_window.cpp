#include "qt/restore/restore_window.h"

#include "qt/backup/job_progress.h"
#include "qt/backup/run_messages.h"
#include "qt/command_button.h"
#include "qt/speech/speech_control.h"
#include "qt/window_style.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace rv::ui {
namespace {

const QColor kHeadingColour(0, 0, 192);
constexpr backup::ProgressDialogTexts kRestoreProgressTexts{"restoreProgress", kRestorePreparingText, kRestoringName,
                                                            kRestoreBarName};

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }
QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// A caption over a list, which names the list for a screen reader too.
QLabel* captionOf(QWidget* list, const char* caption, QWidget* parent)
{
    auto* label = new QLabel(text(caption), parent);
    label->setBuddy(list);
    list->setAccessibleName(text(caption));
    return label;
}

} // namespace

RestoreWindow::RestoreWindow(RestoreService& service, const QString& programFolder,
                             std::shared_ptr<SpeechBackend> speech, QWidget* parent)
    : QWidget(parent, Qt::Window), flow_(service, *this)
{
    setObjectName(QStringLiteral("restoreWindow"));
    setWindowTitle(text(kRestoreHeading));
    setFont(japaneseFont(11));
    voice_ = new SpeechControl(std::move(speech), this);
    speech_ = std::make_unique<WindowSpeechChannels>(*voice_, programFolder);
    createControls();
    layOut();
    // As the main window does: the heading as the window loads, and the first
    // control's caption when it takes the focus as the window shows.
    speech::speakOnLoad(*speech_, heading_->text().toStdString());
    folderButton_->setFocus();
}

RestoreWindow::~RestoreWindow() = default;

void RestoreWindow::setDialogs(MessageBoxes& messages, backup::FolderPicker& picker)
{
    messages_ = &messages;
    picker_ = &picker;
}

void RestoreWindow::createControls()
{
    heading_ = new QLabel(text(kRestoreHeading), this);
    heading_->setObjectName(QStringLiteral("heading"));
    heading_->setFont(japaneseFont(18));
    heading_->setStyleSheet(QStringLiteral("color: %1").arg(kHeadingColour.name()));

    folderButton_ = new CommandButton(text(kRestoreFolderCaption), this);
    folderButton_->setObjectName(QStringLiteral("chooseFolder"));
    connect(folderButton_, &QPushButton::clicked, this, [this] { flow_.chooseFolder(); });
    folder_ = new QLabel(text(kNoFolderChosenText), this);
    folder_->setObjectName(QStringLiteral("chosenFolder"));
    folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    generations_ = new QTreeWidget(this);
    generations_->setObjectName(QStringLiteral("generations"));
    generations_->setRootIsDecorated(false);
    generations_->setUniformRowHeights(true);
    generations_->setSelectionMode(QAbstractItemView::SingleSelection);
    generations_->setHeaderLabels(
        {text(kGenerationColumns[0]), text(kGenerationColumns[1]), text(kGenerationColumns[2])});
    connect(generations_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current != nullptr) {
            flow_.chooseGeneration(static_cast<std::size_t>(generations_->indexOfTopLevelItem(current)));
        }
    });

    previewSummary_ = new QLabel(this);
    previewSummary_->setObjectName(QStringLiteral("previewSummary"));
    previewSummary_->setWordWrap(true);
    replaced_ = new QListWidget(this);
    replaced_->setObjectName(QStringLiteral("replacedFiles"));

    restoreButton_ = new CommandButton(text(kRestoreStartCaption), this);
    restoreButton_->setObjectName(QStringLiteral("restore"));
    restoreButton_->setEnabled(false);
    connect(restoreButton_, &QPushButton::clicked, this, [this] { flow_.restore(); });
    closeButton_ = new CommandButton(text(kRestoreCloseCaption), this);
    closeButton_->setObjectName(QStringLiteral("close"));
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);

    watchFocus(folderButton_, kRestoreFolderCaption);
    watchFocus(generations_, kRestoreGenerationsCaption);
    watchFocus(replaced_, kRestoreReplacedCaption);
    watchFocus(restoreButton_, kRestoreStartCaption);
    watchFocus(closeButton_, kRestoreCloseCaption);
    setTabOrder(folderButton_, generations_);
    setTabOrder(generations_, replaced_);
    setTabOrder(replaced_, restoreButton_);
    setTabOrder(restoreButton_, closeButton_);
}

void RestoreWindow::layOut()
{
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folderButton_);
    folderRow->addWidget(folder_, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(restoreButton_);
    buttonRow->addWidget(closeButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addLayout(folderRow);
    layout->addWidget(captionOf(generations_, kRestoreGenerationsCaption, this));
    layout->addWidget(generations_, 2);
    layout->addWidget(captionOf(replaced_, kRestoreReplacedCaption, this));
    layout->addWidget(previewSummary_);
    layout->addWidget(replaced_, 1);
    layout->addLayout(buttonRow);
    resize(640, 520);
}

void RestoreWindow::watchFocus(QWidget* control, const char* caption)
{
    control->setAccessibleName(text(caption));
    // Watched before anything takes the focus, so the first focus is spoken too.
    control->installEventFilter(this);
}

bool RestoreWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Every focus-in, however it comes (opening, Tab, a click).
    if (event->type() == QEvent::FocusIn) {
        if (auto* control = qobject_cast<QWidget*>(watched)) {
            speech::speakOnFocus(*speech_, control->accessibleName().toStdString());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RestoreWindow::closeEvent(QCloseEvent* event)
{
    if (!flow_.requestClose()) {
        event->ignore();
    }
}

std::optional<std::string> RestoreWindow::chooseFolder()
{
    const QString chosen = picker_->chooseFolder(this);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen.toStdString();
}

void RestoreWindow::showFolder(const std::string& folder) { folder_->setText(text(folder)); }

void RestoreWindow::showGenerations(const std::vector<GenerationLine>& lines)
{
    // Filling the list picks nothing: a generation is picked by the user.
    const QSignalBlocker quiet(generations_);
    generations_->clear();
    for (const GenerationLine& line : lines) {
        generations_->addTopLevelItem(new QTreeWidgetItem({text(line.when), text(line.result), text(line.size)}));
    }
    for (int column = 0; column < generations_->columnCount(); ++column) {
        generations_->resizeColumnToContents(column);
    }
}

void RestoreWindow::showPreview(const std::optional<PreviewText>& preview)
{
    replaced_->clear();
    restoreButton_->setEnabled(preview && preview->restorable);
    if (!preview) {
        previewSummary_->setText(generations_->topLevelItemCount() > 0 ? text(kNoGenerationPickedText) : QString());
        return;
    }
    previewSummary_->setText(text(preview->summary));
    for (const std::string& file : preview->replaced) {
        replaced_->addItem(text(file));
    }
}

void RestoreWindow::refuse(const ResultMessage& why) { backup::showResultMessage(*messages_, this, why); }

bool RestoreWindow::confirm(const ResultMessage& question)
{
    return messages_->askYesNo(this, text(question.caption), text(question.text));
}

RestoreJob::Hooks RestoreWindow::jobHooks()
{
    untilDone_ = std::make_unique<QEventLoop>();
    RestoreJob::Hooks hooks;
    hooks.log = backup::logRunLine;
    hooks.onFinished = backup::quitFromWorker(untilDone_.get());
    return hooks;
}

void RestoreWindow::waitForTheJob(RestoreJob& job)
{
    backup::showProgressUntilDone(*this, job, *untilDone_, kRestoreProgressTexts);
}

void RestoreWindow::showOutcome(const ResultMessage& outcome) { backup::showResultMessage(*messages_, this, outcome); }

void RestoreWindow::endAfterClose() { close(); }

void RestoreWindow::log(LogLevel level, const std::string& line) { backup::logRunLine(level, line); }

} // namespace rv::ui
