#include "platform/modal.h"

#include "platform/host.h"

#include <QApplication>

namespace platform {

ModalLoops& ModalLoops::instance() {
    static ModalLoops loops;
    return loops;
}

ModalScope::ModalScope() {
    ++ModalLoops::instance().depth_;
}

ModalScope::~ModalScope() {
    ModalLoops& loops = ModalLoops::instance();
    if (--loops.depth_ == 0)
        Q_EMIT loops.allEnded();
}

QWidget* dialogParent() {
    if (const WindowHost* host = windowHost())
        return host->dialogParent();
    // No window layer, so no sheet and no frame.
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

} // namespace platform
