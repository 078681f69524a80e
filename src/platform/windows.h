#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <any>
#include <functional>

class QMdiArea;
class QMdiSubWindow;

namespace platform {

class Sheet;
class Transaction;
namespace grid {
class DataWindow;
}

// How a sheet is placed in the frame's client area when it opens.
enum class Arrange { Original, Cascaded, Layered };

// The MDI frame: a main window with a client area for sheets and a status line.
class Frame : public QMainWindow {
    Q_OBJECT
public:
    explicit Frame(QWidget* parent = nullptr);
    ~Frame() override;

    // The open event; the platform runs it once the frame is shown.
    virtual void open() {}

    QMdiArea* mdiArea() const { return mdi_; }
    // The active sheet, or nullptr. Uses the area's current window, which stays set while the
    // frame itself is not the active window.
    QWidget* GetActiveSheet() const;
    QList<QWidget*> sheets() const;

    void SetMicroHelp(const QString& text);
    QString microHelp() const { return microHelp_; }

    // Closes every sheet, the active one first, one at a time. A sheet whose grid is retrieving
    // stops it and closes once it has stopped; the frame then goes on with the next sheet, and
    // `then` runs when none is left. Closed: every sheet closed at once (`then` is not called).
    // Pending: `then` runs later, from the event loop. Refused: a sheet refused to close, and
    // `then` never runs.
    // Before any sheet closes, each sheet with unsaved changes asks about them (see
    // Sheet::confirmDropChanges); Cancel at any of them refuses, and every sheet stays as it was.
    enum class SheetsClosing { Closed, Pending, Refused };
    SheetsClosing closeEverySheet(std::function<void()> then);
    // Asks every sheet whose grids hold unsaved changes (only those of grids on `slot`, when
    // given) about them, one after another; the answers hold for the closes that follow. False
    // when the user cancelled: then no answer holds and every sheet is as it was.
    bool confirmDropChanges(const Transaction* slot = nullptr);
    // Takes back the answers that confirmDropChanges() left for closes that did not follow.
    void forgetDropAnswers();

protected:
    // Closing the frame closes its sheets first; a sheet that is still retrieving keeps the
    // frame open until it has stopped and closed, then the frame closes.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    SheetsClosing closeRemainingSheets(std::function<void()> then);
    void waitForSheet(Sheet* sheet);
    // A frame shown maximized where no window manager maximizes it (a kiosk, a bare X server)
    // takes the screen's available area itself.
    void fillScreenUnlessMaximized();

    QMdiArea* mdi_;
    QString microHelp_;
    std::function<void()> afterSheetsClosed_;
    bool maximizeChecked_ = false;
};

// A sheet: a window inside the frame's client area.
class Sheet : public QWidget {
    Q_OBJECT
public:
    explicit Sheet(QWidget* parent = nullptr);
    ~Sheet() override;

    // The open event; the platform runs it after the message object holds the sheet's parameter.
    virtual void open() {}

    // The frame the sheet lives in, or nullptr.
    Frame* ParentWindow() const;
    // Closes the sheet. Returns 1, or -1 when the sheet did not close now: it refused, or its
    // grids are retrieving (see closing()).
    int Close();

    // Input while a grid retrieves. Retrieve() runs an event loop, so clicks, keys and menu
    // commands arrive while rows do. The sheet is busy while one of its grids shows rows that
    // are being retrieved. (A connection that retrieves protects itself: it refuses COMMIT,
    // ROLLBACK and DISCONNECT meanwhile.) While it is busy:
    // - named events (the frame's commands: save, save as, print ...) do not run, unless
    //   runsWhileBusy() says so; the status line says why;
    // - buttons connected with connectCommand() do not run their handler; Stop and Close are
    //   connected directly and always work;
    // - clicks on its grids are not reported (no Clicked event), and no cell can be edited;
    // - a close request stops the retrieval and stays armed until the sheet is gone: no grid of
    //   a closing sheet starts another retrieval.
    bool busy() const;
    bool closing() const { return closeRequested_; }
    // Says in the status line why a command does not run, when the sheet is busy; true then.
    bool refuseWhileBusy() const;
    // Named events that may run while the sheet is busy; none unless a sheet says otherwise.
    virtual bool runsWhileBusy(const char* event) const;

    // Unsaved changes. Whatever would drop rows that hold changes not yet saved (closing the
    // sheet by any route, a new retrieval over them, ...) asks first: "Save changes to <title>?"
    // with Save, Discard and Cancel. Save runs saveChanges() and goes on only when nothing is
    // left unsaved; Discard goes on; Cancel stops the command, and everything stays as it was.
    // Nothing asks when nothing is pending. Returns whether the command may go on. `grids`
    // limits the question to the grids the command would drop (all of the sheet's when empty);
    // `slot` to grids on that connection. With `remember`, a Discard holds for the sheet's close
    // that follows (forgetDropAnswer() takes it back).
    bool confirmDropChanges(const QList<grid::DataWindow*>& grids = {},
                            const Transaction* slot = nullptr, bool remember = false);
    void forgetDropAnswer() { dropConfirmed_ = false; }
    // Whether any of `grids` (all the sheet's when empty) holds unsaved changes; takes what an
    // open cell editor holds first.
    bool hasPendingChanges(const QList<grid::DataWindow*>& grids = {},
                           const Transaction* slot = nullptr);
    // Save, as the question offers it: the sheet's own Save command (its ue_save event).
    virtual void saveChanges();

    // Runs `handler` when `button` is clicked, except while the sheet is busy.
    template <typename Receiver>
    void connectCommand(QAbstractButton* button, Receiver* receiver, void (Receiver::*handler)()) {
        QPointer<Receiver> guard(receiver);
        connect(button, &QAbstractButton::clicked, this, [this, guard, handler] {
            if (guard != nullptr && !refuseWhileBusy())
                (guard.data()->*handler)();
        });
    }

Q_SIGNALS:
    // The sheet has closed (it lingers, hidden, until its deferred deletion).
    void closed();

protected:
    QMdiSubWindow* subWindow() const;
    // A sheet whose grids are still retrieving stops them first and closes once they are done,
    // so that nothing is destroyed under a running retrieval.
    void closeEvent(QCloseEvent* event) override;

private:
    void closeWhenStopped();

    bool closeRequested_ = false;
    bool closePosted_ = false;
    bool dropConfirmed_ = false;
};

// The sheet that `widget` is part of, or nullptr.
Sheet* enclosingSheet(const QWidget* widget);
// What the status line says when a command waits for a retrieval.
QString busyText();

// A response window: modal; Open returns only after it has closed.
class ResponseWindow : public QDialog {
    Q_OBJECT
public:
    explicit ResponseWindow(QWidget* parent = nullptr);
    ~ResponseWindow() override;

    // The open event (this replaces QDialog::open, which the platform never uses).
    void open() override {}

    // Closes the window and hands `record` (or `text`) to the opener through the message object.
    void CloseWithReturn(std::any record);
    void CloseWithReturn(const QString& text);
    // Closes the window without a value.
    void Close();
};

// Opens a frame or a response window by class name. A response window returns only after it has
// closed. Returns 1, or -1 after a runtime error (unknown class).
int Open(const QString& className);
int OpenWithParm(const QString& className, std::any parm);

// Opens a sheet in `frame`. By class name each call makes a new instance; through the class's
// global reference the open instance, if any, is brought to the front and not opened again.
// Returns the sheet, or nullptr after a runtime error.
enum class Reference { NewInstance, Global };
QWidget* OpenSheet(const QString& className, Frame* frame, int position = 1,
                   Arrange arrange = Arrange::Original, Reference ref = Reference::NewInstance);
QWidget* OpenSheetWithParm(const QString& className, std::any parm, Frame* frame, int position = 1,
                           Arrange arrange = Arrange::Original,
                           Reference ref = Reference::NewInstance);

// The open instance behind the class's global reference, or nullptr.
QWidget* globalInstance(const QString& className);

// The frame that the application opened, or nullptr.
Frame* currentFrame();
// The status line of the current frame; nothing happens without a frame.
void SetMicroHelp(const QString& text);

// Ends the application: closes every window, leaves every event loop. The caller's handler goes
// on to its end; nothing is opened afterwards.
void HaltClose();
bool halted();
// Deletes the frames and everything in them (end of run, or between tests).
void destroyWindows();
// Forgets an earlier HALT CLOSE (tests only).
void resetHalt();

} // namespace platform
