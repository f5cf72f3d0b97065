#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

// Pixels of a label's text: those close to the text colour inside its box.
inline int pixelsNear(const QImage& image, const QRect& box, const QColor& colour, int tolerance = 40)
{
    int count = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
                    std::abs(pixel.blue() - colour.blue()) <=
                tolerance) {
                ++count;
            }
        }
    }
    return count;
}
