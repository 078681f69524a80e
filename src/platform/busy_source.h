#pragma once

#include <functional>

class QObject;

namespace platform {

class Transaction;

// Work inside a window that the window waits for, or asks about, before it takes input or closes:
// a grid that retrieves rows, or holds changes not yet saved. A window finds its busy sources
// among its child widgets, which implement this beside QWidget.
class BusySource {
public:
    BusySource() = default;
    virtual ~BusySource();
    BusySource(const BusySource&) = delete;
    BusySource& operator=(const BusySource&) = delete;

    // True while what it shows is being read (by it, or by another source that shares it): the
    // window that holds it is busy meanwhile.
    virtual bool busy() const = 0;
    // True while work of its own runs the event loop until it ends (a retrieval, a file being
    // written): a close of the window waits for it.
    virtual bool runsWork() const = 0;
    // Stops that work at once; the idle calls follow its end.
    virtual void stopWork() = 0;
    // Calls `then` each time it is no longer busy, as long as `context` (not nullptr) lives.
    virtual void callWhenIdle(QObject* context, std::function<void()> then) = 0;
    // Takes what an open editor holds first; then whether changes are left unsaved, which
    // dropping what it shows would lose.
    virtual bool holdsUnsavedChanges() = 0;
    // The connection slot it reads and writes through, or nullptr.
    virtual Transaction* connection() const = 0;
};

} // namespace platform
