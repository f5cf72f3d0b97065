#include "qt/window_style.h"

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

// Narrows a label's font just enough for its text to fit its fixed box: the
// substitute font runs a few per cent wider than the one the boxes were made
// for, and a clipped last character would look broken.
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

QLabel* makeTransparentLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                             const QRect& box, const QColor& colour)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    label->setGeometry(box);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAutoFillBackground(false);
    narrowToFit(*label);
    return label;
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
