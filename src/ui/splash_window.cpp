#include "ui/splash_window.h"

#include "ui/window_style.h"

#include <QLabel>
#include <QPixmap>

namespace rv::ui {

namespace {

const QColor kLabelColour(0, 64, 0);

QLabel* makeTransparentLabel(QWidget* parent, const char* name, const QString& text, const QFont& font,
                             const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kLabelColour);
    label->setPalette(palette);
    label->setAutoFillBackground(false); // the picture shows through
    narrowToFit(*label);
    return label;
}

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

    Label4 = makeTransparentLabel(Picture2, "Label4", QStringLiteral("Windows XP_VISTA_7_8_8.1_10 対応"),
                                  japaneseFont(12.75, QFont::Bold), QRect(216, 96, 289, 25));
    Label3 = makeTransparentLabel(Picture2, "Label3", QStringLiteral("データバックアップ"), japaneseFont(20.25),
                                  QRect(256, 128, 249, 33));

    centreOnScreen(*this);
}

} // namespace rv::ui
