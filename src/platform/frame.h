#pragma once

#include <QMainWindow>
#include <QString>
#include <QWidget>
#include <functional>

class QMdiArea;

namespace platform {

class Sheet;
class Transaction;

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

} // namespace platform
