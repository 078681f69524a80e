#pragma once

#include <QObject>

class QWidget;

namespace platform {

// The modal event loops that run now: message boxes, file dialogs, response windows. Each runs
// inside some handler, and everything that handler stands on must still be there when the loop
// returns: a sheet asked to close while one of them runs closes once the last has returned.
class ModalLoops final : public QObject {
    Q_OBJECT
public:
    static ModalLoops& instance();
    int depth() const { return depth_; }

Q_SIGNALS:
    // The last modal loop has returned (to the handler that started it).
    void allEnded();

private:
    ModalLoops() = default;
    friend class ModalScope;
    int depth_ = 0;
};

// Held while a modal loop runs.
class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};

// The window a dialog hangs from: one that outlives the dialog. The open modal window when that
// is a window of its own (a response window), otherwise the frame; never a widget of a sheet
// (a grid, a file dialog a grid opened), which may go while the dialog is open.
QWidget* dialogParent();

} // namespace platform
