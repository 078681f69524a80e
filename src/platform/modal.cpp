#include "platform/modal.h"

#include "platform/windows.h"

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
    // A dialog opened over a widget of a sheet belongs to that sheet, and may go with it.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && enclosingSheet(modal) == nullptr)
        return modal;
    if (Frame* frame = currentFrame())
        return frame;
    return QApplication::activeWindow();
}

} // namespace platform
