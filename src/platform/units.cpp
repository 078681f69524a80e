#include "platform/units.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace platform {
namespace {
constexpr double baseDpi = 96.0;
constexpr double unitsPerPixelX = 3.66;
constexpr double unitsPerPixelY = 4.0;

int toPixels(int units, double unitsPerPixel, double dpi) {
    return static_cast<int>(std::lround(units / unitsPerPixel * dpi / baseDpi));
}
} // namespace

double screenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInch() : baseDpi;
}

int unitsToPixelsX(int units, double dpi) {
    return toPixels(units, unitsPerPixelX, dpi);
}

int unitsToPixelsY(int units, double dpi) {
    return toPixels(units, unitsPerPixelY, dpi);
}

QRect unitsToPixels(int x, int y, int width, int height, double dpi) {
    return QRect(unitsToPixelsX(x, dpi), unitsToPixelsY(y, dpi), unitsToPixelsX(width, dpi),
                 unitsToPixelsY(height, dpi));
}

void placeControl(QWidget* widget, int x, int y, int width, int height) {
    if (widget == nullptr)
        return;
    const QScreen* screen = widget->screen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInch() : screenDpi();
    widget->setGeometry(unitsToPixels(x, y, width, height, dpi));
}

} // namespace platform
