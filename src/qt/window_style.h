#pragma once

#include <QFont>
#include <QString>

class QColor;
class QLabel;
class QRect;
class QWidget;

namespace rv::ui {

// The windows ask for the records system's own font; on Linux it is answered
// by the closest proportional Japanese gothic. Call once before any window.
void registerFontSubstitutions();

// "ＭＳ Ｐゴシック" at a size given in points at 96 dots per inch. The windows
// are laid out in fixed pixels, so the size is fixed in pixels too and does
// not follow the screen's resolution.
QFont japaneseFont(qreal points, QFont::Weight weight = QFont::Normal);

// A label drawn straight on its parent's picture: fixed box, text at its top
// left in the given colour, no background of its own.
QLabel* makeTransparentLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                             const QRect& box, const QColor& colour);

// Moves a top-level window so that its client area is centred on its screen.
void centreOnScreen(QWidget& window);

} // namespace rv::ui
