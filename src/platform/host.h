#pragma once

#include <memory>

class QWidget;

namespace platform {

// What the runtime layer's widgets (a grid, a dialog's owner) ask of the windows that hold them,
// without knowing what those windows are. The window layer installs its answers when it is
// loaded; without them no window holds anything.
class WindowHost {
public:
    WindowHost() = default;
    virtual ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    // Whether the window that holds `widget` has been asked to close.
    virtual bool closing(const QWidget* widget) const = 0;
    // Whether input to `widget` waits, and the status line says why: while the window that
    // holds it is busy, or, when no window holds it, while `widgetBusy`.
    virtual bool refuseWhileBusy(const QWidget* widget, bool widgetBusy) const = 0;
    // The window a dialog hangs from (see dialogParent()).
    virtual QWidget* dialogParent() const = 0;
};

void installWindowHost(std::unique_ptr<WindowHost> host);
// The installed host, or nullptr.
const WindowHost* windowHost();

// The questions, answered by the installed host; without one, no window holds `widget`.
bool windowClosing(const QWidget* widget);
bool refuseWhileWindowBusy(const QWidget* widget, bool widgetBusy);

} // namespace platform
