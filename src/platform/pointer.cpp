#include "platform/pointer.h"

#include <QApplication>
#include <QCursor>

namespace platform {
namespace {
bool& hourglassShown() {
    static bool shown = false;
    return shown;
}
} // namespace

void SetPointer(Pointer pointer) {
    bool& shown = hourglassShown();
    if (pointer == Pointer::HourGlass && !shown) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        shown = true;
    } else if (pointer == Pointer::Arrow && shown) {
        QApplication::restoreOverrideCursor();
        shown = false;
    }
}

Pointer currentPointer() {
    return hourglassShown() ? Pointer::HourGlass : Pointer::Arrow;
}

} // namespace platform
