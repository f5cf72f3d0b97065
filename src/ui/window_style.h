#pragma once

#include <QFont>

class QWidget;

namespace rv::ui {

// The windows ask for the records system's own font; on Linux it is answered
// by the closest proportional Japanese gothic. Call once before any window.
void registerFontSubstitutions();

// "ＭＳ Ｐゴシック" at a size given in points at 96 dots per inch. The windows
// are laid out in fixed pixels, so the size is fixed in pixels too and does
// not follow the screen's resolution.
QFont japaneseFont(qreal points, QFont::Weight weight = QFont::Normal);

// Moves a top-level window so that its client area is centred on its screen.
void centreOnScreen(QWidget& window);

} // namespace rv::ui
