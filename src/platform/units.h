#pragma once

#include <QRect>

class QWidget;

namespace platform {

// The logical dpi of the primary screen, or 96 when there is none.
double screenDpi();

// Layout units to pixels: at 96 dpi a pixel is 3.66 units across and 4 units down; other dpi
// scale that. Rounded to the nearest pixel.
int unitsToPixelsX(int units, double dpi = screenDpi());
int unitsToPixelsY(int units, double dpi = screenDpi());
QRect unitsToPixels(int x, int y, int width, int height, double dpi = screenDpi());

// Places `widget` at a position and size given in layout units, at the dpi of its screen.
void placeControl(QWidget* widget, int x, int y, int width, int height);

} // namespace platform
