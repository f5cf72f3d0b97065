#pragma once

#include <QFont>

class QLabel;
class QWidget;

namespace rv::ui {

// The windows ask for the records system's own font; on Linux it is answered
// by the closest proportional Japanese gothic. Call once before any window.
void registerFontSubstitutions();

// "ＭＳ Ｐゴシック" at a size given in points at 96 dots per inch. The windows
// are laid out in fixed pixels, so the size is fixed in pixels too and does
// not follow the screen's resolution.
QFont japaneseFont(qreal points, QFont::Weight weight = QFont::Normal);

// Narrows a label's font just enough for its text to fit its fixed box: the
// substitute font runs a few per cent wider than the one the boxes were made
// for, and a clipped last character would look broken.
void narrowToFit(QLabel& label);

// Moves a top-level window so that its client area is centred on its screen.
void centreOnScreen(QWidget& window);

} // namespace rv::ui
