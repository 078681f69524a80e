#pragma once

#include <QAbstractButton>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QMdiSubWindow;

namespace platform {

class BusySource;
class Frame;
class SheetLayout;
class Transaction;

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

    // The frame's commands to the active sheet. A sheet runs those it overrides; the others do
    // nothing, so a sheet without a command ignores it.
    enum class Command { Save, SaveAs, Print, Insert, Delete, GetColumns, Sqlpad, Retrieve };
    // Runs `command` unless the sheet is busy and the command does not run then (see busy()).
    // Returns 1 when it ran; -1 when the sheet has no such command, or it waits for the
    // retrieval.
    int runCommand(Command command);

    // Input while a grid retrieves. Retrieve() runs an event loop, so clicks, keys and menu
    // commands arrive while rows do. The sheet is busy while one of its grids (the busy sources
    // among its widgets) shows rows that are being retrieved. (A connection that retrieves protects
    // itself: it refuses COMMIT, ROLLBACK and DISCONNECT meanwhile.) While it is busy:
    // - the frame's commands (save, save as, print ...) and named events do not run, unless
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
    // Commands and named events that may run while the sheet is busy; none unless a sheet says
    // otherwise.
    virtual bool runsWhileBusy(Command command) const;
    virtual bool runsWhileBusy(const char* event) const;

    // Unsaved changes. Whatever would drop rows that hold changes not yet saved (closing the
    // sheet by any route, a new retrieval over them, ...) asks first: "Save changes to <title>?"
    // with Save, Discard and Cancel. Save runs saveChanges() and goes on only when nothing is
    // left unsaved; Discard goes on; Cancel stops the command, and everything stays as it was.
    // Nothing asks when nothing is pending. Returns whether the command may go on. `grids`
    // limits the question to the grids the command would drop (all of the sheet's when empty);
    // `slot` to grids on that connection. With `remember`, a Discard holds for the sheet's close
    // that follows (forgetDropAnswer() takes it back).
    bool confirmDropChanges(const QList<BusySource*>& grids = {}, const Transaction* slot = nullptr,
                            bool remember = false);
    void forgetDropAnswer() { dropConfirmed_ = false; }
    // Whether any of `grids` (all the sheet's when empty) holds unsaved changes; takes what an
    // open cell editor holds first.
    bool hasPendingChanges(const QList<BusySource*>& grids = {}, const Transaction* slot = nullptr);
    // Save, as the question offers it: the sheet's own Save command.
    virtual void saveChanges();
    // Work of the sheet beyond its grids' rows (a text not saved to its file, statements it ran
    // that are not committed): a command that drops the whole sheet (its close by any route,
    // Exit, New Connection; the chooser, for the work on `slot`) asks about it after the
    // question about unsaved rows. True when the command may go on. Nothing to ask by default.
    virtual bool confirmSheetWork(const Transaction* slot);

    // The commands, each doing nothing unless the sheet has it. A sheet that has one declares
    // it Q_INVOKABLE, so that it is an event of the sheet too (by name); the others have no such
    // event.
    virtual void ue_save() {}
    virtual void ue_saveas() {}
    virtual void ue_print() {}
    virtual void ue_insert() {}
    virtual void ue_delete() {}
    virtual void ue_get_columns() {}
    virtual void ue_sqlpad() {}
    virtual void ue_retrieve() {}

    // Runs `handler` when `button` is clicked, except while the sheet is busy.
    template <typename Receiver>
    void connectCommand(QAbstractButton* button, Receiver* receiver, void (Receiver::*handler)()) {
        QPointer<Receiver> guard(receiver);
        connect(button, &QAbstractButton::clicked, this, [this, guard, handler] {
            if (guard != nullptr && !refuseWhileBusy())
                (guard.data()->*handler)();
        });
    }

    // From now on, the sheet's size at this moment and its controls' places are its design:
    // larger, `grid` grows into the new space and the controls below or beside it keep their
    // distance to the edges; smaller, the sheet scrolls (see SheetLayout). Call once, after
    // the controls are placed.
    void growWithSheet(QWidget* grid);

Q_SIGNALS:
    // The sheet has closed (it lingers, hidden, until its deferred deletion).
    void closed();

protected:
    QMdiSubWindow* subWindow() const;
    // A sheet whose grids are still retrieving stops them first and closes once they are done,
    // so that nothing is destroyed under a running retrieval.
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The grids among the sheet's widgets, in the order of findChildren().
    QList<BusySource*> busySources() const;
    void closeWhenStopped();
    // The question about unsaved rows of confirmDropChanges().
    bool confirmDropRows(const QList<BusySource*>& grids, const Transaction* slot, bool remember);

    SheetLayout* layout_ = nullptr;
    bool closeRequested_ = false;
    bool closePosted_ = false;
    bool dropConfirmed_ = false;
};

// The sheet that `widget` is part of, or nullptr.
Sheet* enclosingSheet(const QWidget* widget);
// What the status line says when a command waits for a retrieval.
QString busyText();

} // namespace platform
