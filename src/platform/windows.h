#pragma once

#include <QDialog>
#include <QMainWindow>
#include <QString>
#include <QWidget>
#include <any>

class QMdiArea;
class QMdiSubWindow;

namespace platform {

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

private:
    QMdiArea* mdi_;
    QString microHelp_;
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
    // Closes the sheet. Returns 1, or -1 when the sheet refused to close.
    int Close();

protected:
    QMdiSubWindow* subWindow() const;
    // A sheet whose grids are still retrieving stops them first and closes once they are done,
    // so that nothing is destroyed under a running retrieval.
    void closeEvent(QCloseEvent* event) override;

private:
    bool closeWhenIdle_ = false;
};

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
