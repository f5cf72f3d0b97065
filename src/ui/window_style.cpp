#include "ui/window_style.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace rv::ui {

namespace {
const QString kRequestedFamily = QStringLiteral("ＭＳ Ｐゴシック");
const QString kSubstituteFamily = QStringLiteral("IPAPGothic");
constexpr qreal kPixelsPerPoint = 96.0 / 72.0;
} // namespace

void registerFontSubstitutions() { QFont::insertSubstitution(kRequestedFamily, kSubstituteFamily); }

QFont japaneseFont(qreal points, QFont::Weight weight)
{
    QFont font(kRequestedFamily);
    font.setPixelSize(static_cast<int>(std::lround(points * kPixelsPerPoint)));
    font.setWeight(weight);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

void narrowToFit(QLabel& label)
{
    const int needed = QFontMetrics(label.font()).horizontalAdvance(label.text());
    if (needed <= label.width()) {
        return;
    }
    QFont narrower = label.font();
    narrower.setStretch(label.width() * QFont::Unstretched / needed);
    label.setFont(narrower);
}

void centreOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return; // no screen to centre on; the window manager places it
    }
    QRect client(QPoint(0, 0), window.size());
    client.moveCenter(screen->availableGeometry().center());
    window.setGeometry(client); // client geometry, so the frame does not shift it
}

} // namespace rv::ui
