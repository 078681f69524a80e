#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

namespace platform {

// Progress of long work done on the user-interface thread (writing a file, laying out a print):
// after half a second a window-modal dialog shows how far it has come, with a Cancel button.
// While it shows, the event loop runs as the work reports progress, so the rest of the program
// stays drawn and Cancel can be clicked; the dialog's modality keeps other input out.
class WorkProgress {
public:
    // `over`: a widget of the window the dialog belongs to (nullptr: the active window).
    WorkProgress(QString label, long total, QWidget* over);
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // `done` of the total units; false once the user has cancelled.
    bool step(long done);
    bool cancelled() const { return cancelled_; }

    // How long work runs before the dialog shows (500 ms; tests shorten it).
    static void setDelayMs(int ms);

private:
    QString label_;
    long total_;
    QPointer<QWidget> over_;
    QElapsedTimer started_;
    QElapsedTimer lastShown_;
    // Held by its window, which may go first.
    QPointer<QProgressDialog> dialog_;
    bool cancelled_ = false;
};

} // namespace platform
