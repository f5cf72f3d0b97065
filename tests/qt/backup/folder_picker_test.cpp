#include "folder_picker_test.h"

#include "qt/backup/folder_picker.h"
#include "qt/main_window.h"
#include "qt/qt_translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

namespace {

// A small volume mounted where a desktop mounts a USB disk: on a folder under
// /media named after the disk's label. Mounting needs root.
class MountedVolume {
public:
    explicit MountedVolume(const QString& label) : path_(media_.filePath(label))
    {
        if (!media_.isValid() || !QDir().mkdir(path_)) {
            error_ = QStringLiteral("no folder for it under /media");
            return;
        }
        mounted_ = ::mount("rvtest", QFile::encodeName(path_).constData(), "tmpfs", 0, "size=64k") == 0;
        if (!mounted_)
            error_ = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~MountedVolume()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
    }
    MountedVolume(const MountedVolume&) = delete;
    MountedVolume& operator=(const MountedVolume&) = delete;

    QString path() const { return path_; }
    bool mounted() const { return mounted_; }
    QString error() const { return error_; }

private:
    QTemporaryDir media_{QStringLiteral("/media/rv-test-XXXXXX")};
    QString path_;
    bool mounted_ = false;
    QString error_;
};

template <typename Widget> QStringList visibleTexts(const QWidget& parent)
{
    QStringList texts;
    for (const Widget* widget : parent.findChildren<Widget*>()) {
        if (widget->isVisible() && !widget->text().isEmpty())
            texts << widget->text();
    }
    return texts;
}

} // namespace

void FolderPickerTest::initTestCase()
{
    QVERIFY(home_.isValid());
    qputenv("HOME", QFile::encodeName(home_.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home_.filePath(QStringLiteral(".config"))));
    QVERIFY(rv::ui::installQtTranslations(*QCoreApplication::instance()).ok());
}

void FolderPickerTest::whenOpen(const std::function<void(QFileDialog&)>& answer, const std::function<void()>& open)
{
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            poll.stop();
            answer(*dialog);
        }
    });
    poll.start(10);
    open();
}

QString FolderPickerTest::pick(QWidget* owner, const std::function<void(QFileDialog&)>& answer)
{
    QString chosen;
    whenOpen(answer, [&] { chosen = rv::backup::DialogFolderPicker().chooseFolder(owner); });
    return chosen;
}

void FolderPickerTest::opensFromTheBackupButtonInJapaneseAtTheDesktopWithTheDisk_data()
{
    QTest::addColumn<bool>("desktopExists");
    QTest::newRow("desktop") << true;
    QTest::newRow("no desktop: home") << false;
}

void FolderPickerTest::opensFromTheBackupButtonInJapaneseAtTheDesktopWithTheDisk()
{
    QFETCH(bool, desktopExists);
    const QString desktop = home_.filePath(QStringLiteral("Desktop"));
    QVERIFY(desktopExists ? QDir().mkpath(desktop) : QDir(desktop).removeRecursively());
    const QString start = desktopExists ? desktop : home_.path();
    const MountedVolume disk(QStringLiteral("USBメモリ"));
    if (!disk.mounted())
        QSKIP(qPrintable(QStringLiteral("cannot mount a volume under /media: ") + disk.error()));

    QTemporaryDir programFolder;
    const rv::Settings settings;
    rv::ui::MainWindow window(settings, programFolder.path());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QString title;
    QWidget* owner = nullptr;
    QString openedAt;
    QStringList labels;
    QStringList buttons;
    QStringList places;
    QStringList sidebar;
    whenOpen(
        [&](QFileDialog& dialog) {
            title = dialog.windowTitle();
            owner = dialog.parentWidget();
            openedAt = dialog.directory().absolutePath();
            labels = visibleTexts<QLabel>(dialog);
            buttons = visibleTexts<QPushButton>(*dialog.findChild<QDialogButtonBox*>());
            for (const QUrl& url : dialog.sidebarUrls())
                places << url.toLocalFile();
            const QAbstractItemModel* model = dialog.findChild<QListView*>(QStringLiteral("sidebar"))->model();
            for (int row = 0; row < model->rowCount(); ++row)
                sidebar << model->index(row, 0).data().toString();
            dialog.reject();
        },
        [&] { QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Command13")), Qt::LeftButton); });

    QCOMPARE(title, QStringLiteral("フォルダの選択"));
    QCOMPARE(owner, &window);
    QCOMPARE(openedAt, start);
    QCOMPARE(labels, QStringList({QStringLiteral("アドレス:"), QStringLiteral("ディレクトリ:"),
                                  QStringLiteral("ファイルの種類:")}));
    QCOMPARE(buttons, QStringList({QStringLiteral("選択(&C)"), QStringLiteral("キャンセル")}));
    // The start first, the disk by its label, the whole file system last;
    // nothing from the system's own mounts.
    QCOMPARE(places.first(), start);
    QVERIFY(places.contains(disk.path()));
    QVERIFY(sidebar.contains(QStringLiteral("USBメモリ")));
    QCOMPARE(sidebar.last(), QStringLiteral("コンピュータ"));
    for (const QString& place : places) {
        QVERIFY2(place.isEmpty() || place.startsWith(home_.path()) || place.startsWith(QStringLiteral("/media/")),
                 qPrintable(place));
    }
}

void FolderPickerTest::returnsTheChosenFolder()
{
    QWidget window;
    window.show();
    QTemporaryDir chosen;
    QFileDialog::Options options;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    const QString answer = pick(&window, [&](QFileDialog& dialog) {
        options = dialog.options();
        mode = dialog.fileMode();
        dialog.setDirectory(chosen.path());
        static_cast<QDialog&>(dialog).accept(); // public in QDialog, the file dialog's own
    });

    QVERIFY(options.testFlag(QFileDialog::ShowDirsOnly));
    QVERIFY(options.testFlag(QFileDialog::DontUseNativeDialog));
    QCOMPARE(mode, QFileDialog::Directory);
    QCOMPARE(answer, chosen.path());
}

void FolderPickerTest::cancelGivesAnEmptyAnswer()
{
    QWidget window;
    window.show();
    QCOMPARE(pick(&window, [](QFileDialog& dialog) { dialog.reject(); }), QString());
}

QTEST_MAIN(FolderPickerTest)
