#include "qt/splash_window.h"

#include "qt/window_style.h"

#include <QColor>
#include <QLabel>
#include <QPixmap>

namespace rv::ui {

namespace {
const QColor kLabelColour(0, 64, 0);
} // namespace

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QString());
    setFixedSize(506, 175);
    setFocusPolicy(Qt::NoFocus);
    // Clicks and keys reach nothing: the window has no input of its own.
    setAttribute(Qt::WA_TransparentForMouseEvents);

    // The panel is one row taller than the client area; that row is cut off.
    Picture2 = new QLabel(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(0, 0, 506, 176);
    Picture2->setPixmap(QPixmap(QStringLiteral(":/pictures/splash.jpg")));
    Picture2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label4 =
        makeTransparentLabel(Picture2, QStringLiteral("Label4"), QStringLiteral("Windows XP_VISTA_7_8_8.1_10 対応"),
                             japaneseFont(12.75, QFont::Bold), QRect(216, 96, 289, 25), kLabelColour);
    Label3 = makeTransparentLabel(Picture2, QStringLiteral("Label3"), QStringLiteral("データバックアップ"),
                                  japaneseFont(20.25), QRect(256, 128, 249, 33), kLabelColour);

    centreOnScreen(*this);
}

} // namespace rv::ui
