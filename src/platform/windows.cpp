#include "platform/windows.h"

#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/message.h"
#include "platform/messagebox.h"
#include "platform/modal.h"
#include "platform/odbc/transaction.h"
#include "platform/registry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace platform {
namespace {

struct WindowState {
    std::vector<std::unique_ptr<QWidget>> frames;
    QPointer<Frame> current;
    std::map<QString, QPointer<QWidget>> globals;
    bool halted = false;
};

WindowState& state() {
    static WindowState s;
    return s;
}

constexpr int cascadeStep = 24;

void runtimeErrorNoClass(const QString& className) {
    RuntimeError(
        2, QStringLiteral("Cannot open window %1: no such class in the library.").arg(className));
}

void place(QMdiSubWindow* window, QMdiArea* area, Arrange arrange) {
    switch (arrange) {
    case Arrange::Original:
        window->show();
        break;
    case Arrange::Cascaded: {
        const int n = static_cast<int>(area->subWindowList().size()) - 1;
        window->move((n % 10) * cascadeStep, (n % 10) * cascadeStep);
        window->show();
        break;
    }
    case Arrange::Layered:
        window->showMaximized();
        break;
    }
}

QWidget* openSheet(const QString& className, std::any* parm, Frame* frame, Arrange arrange,
                   Reference ref) {
    if (frame == nullptr) {
        RuntimeError(3, QStringLiteral("Cannot open sheet %1: no frame.").arg(className));
        return nullptr;
    }
    if (ref == Reference::Global) {
        if (QWidget* open = globalInstance(className)) {
            if (auto* sub = qobject_cast<QMdiSubWindow*>(open->parentWidget())) {
                sub->showNormal();
                frame->mdiArea()->setActiveSubWindow(sub);
            }
            return open;
        }
    }
    std::unique_ptr<QWidget> created = ClassRegistry::instance().create(className);
    auto* sheet = qobject_cast<Sheet*>(created.get());
    if (sheet == nullptr) {
        if (created != nullptr)
            RuntimeError(3, QStringLiteral("%1 is not a sheet.").arg(className));
        else if (!ClassRegistry::instance().contains(className))
            runtimeErrorNoClass(className);
        // else: a class that could not be made has said why
        return nullptr;
    }
    QMdiSubWindow* sub = frame->mdiArea()->addSubWindow(created.release());
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(sheet->windowTitle());
    if (ref == Reference::Global)
        state().globals[className] = sheet;
    if (parm != nullptr)
        Message().PowerObjectParm = *parm;
    sheet->open();
    if (sheet->parentWidget() == sub && !state().halted) {
        place(sub, frame->mdiArea(), arrange);
        frame->mdiArea()->setActiveSubWindow(sub);
    }
    return sheet;
}

int openWindow(const QString& className, std::any* parm) {
    std::unique_ptr<QWidget> created = ClassRegistry::instance().create(className);
    if (created == nullptr) {
        if (!ClassRegistry::instance().contains(className))
            runtimeErrorNoClass(className);
        return -1;
    }
    if (parm != nullptr)
        Message().PowerObjectParm = *parm;

    if (auto* frame = qobject_cast<Frame*>(created.get())) {
        state().current = frame;
        state().frames.push_back(std::move(created));
        frame->show();
        frame->open();
        return 1;
    }
    if (auto* response = qobject_cast<ResponseWindow*>(created.get())) {
        QWidget* owner = QApplication::activeModalWidget();
        if (owner == nullptr)
            owner = state().current;
        if (owner != nullptr)
            response->setParent(owner, response->windowFlags() | Qt::Dialog);
        response->setModal(true);
        response->open();
        if (!state().halted && !response->property("closed").toBool()) {
            const ModalScope modal;
            response->exec();
        }
        return 1;
    }
    RuntimeError(3, QStringLiteral("%1 cannot be opened with Open.").arg(className));
    return -1;
}

} // namespace

// ---------------------------------------------------------------------------------------------

Frame::Frame(QWidget* parent) : QMainWindow(parent), mdi_(new QMdiArea(this)) {
    setCentralWidget(mdi_);
    statusBar()->setSizeGripEnabled(true);
}

Frame::~Frame() = default;

QWidget* Frame::GetActiveSheet() const {
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    if (sub == nullptr || !sub->isVisible() || sub->widget() == nullptr)
        return nullptr;
    return sub->widget();
}

QList<QWidget*> Frame::sheets() const {
    QList<QWidget*> result;
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (sub->isVisible() && sub->widget() != nullptr)
            result.append(sub->widget());
    }
    return result;
}

void Frame::SetMicroHelp(const QString& text) {
    microHelp_ = text;
    statusBar()->showMessage(text);
}

Frame::SheetsClosing Frame::closeEverySheet(std::function<void()> then) {
    if (!confirmDropChanges())
        return SheetsClosing::Refused;
    const SheetsClosing closing = closeRemainingSheets(std::move(then));
    // A sheet that refused keeps its changes asked about again next time.
    if (closing == SheetsClosing::Refused)
        forgetDropAnswers();
    return closing;
}

void Frame::forgetDropAnswers() {
    for (QWidget* widget : sheets()) {
        if (auto* sheet = qobject_cast<Sheet*>(widget))
            sheet->forgetDropAnswer();
    }
}

bool Frame::confirmDropChanges(const Transaction* slot) {
    // The active sheet first, as the sheets close.
    QList<Sheet*> order;
    if (auto* active = qobject_cast<Sheet*>(GetActiveSheet()))
        order << active;
    for (QWidget* widget : sheets()) {
        auto* sheet = qobject_cast<Sheet*>(widget);
        if (sheet != nullptr && !order.contains(sheet))
            order << sheet;
    }
    for (const QPointer<Sheet> sheet : order) {
        if (sheet != nullptr && !sheet->confirmDropChanges({}, slot, true)) {
            forgetDropAnswers();
            return false;
        }
    }
    return true;
}

Frame::SheetsClosing Frame::closeRemainingSheets(std::function<void()> then) {
    for (;;) {
        // The active sheet first; then whichever the area has left.
        QMdiSubWindow* sub = mdi_->currentSubWindow();
        if (sub == nullptr || sub->isHidden() || sub->widget() == nullptr) {
            sub = nullptr;
            for (QMdiSubWindow* other : mdi_->subWindowList()) {
                if (!other->isHidden() && other->widget() != nullptr) {
                    sub = other;
                    break;
                }
            }
        }
        if (sub == nullptr)
            return SheetsClosing::Closed;
        auto* sheet = qobject_cast<Sheet*>(sub->widget());
        if (sheet == nullptr) {
            if (!sub->close())
                return SheetsClosing::Refused;
            continue;
        }
        if (sheet->Close() == 1) {
            if (!sub->isHidden())
                return SheetsClosing::Refused; // said it closed, but is still there
            continue;
        }
        if (!sheet->closing())
            return SheetsClosing::Refused;
        afterSheetsClosed_ = std::move(then);
        waitForSheet(sheet);
        return SheetsClosing::Pending;
    }
}

void Frame::waitForSheet(Sheet* sheet) {
    auto goOn = [this] {
        QTimer::singleShot(0, this, [this] {
            std::function<void()> then = std::exchange(afterSheetsClosed_, nullptr);
            if (then && closeRemainingSheets(then) == SheetsClosing::Closed)
                then();
        });
    };
    // Once: the sheet may be told to close again before it has gone.
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = connect(sheet, &Sheet::closed, this, [once, goOn] {
        QObject::disconnect(*once);
        goOn();
    });
}

void Frame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (maximizeChecked_ || !(windowState() & Qt::WindowMaximized))
        return;
    maximizeChecked_ = true;
    // A window manager maximizes the window as it maps it; give it time to answer.
    constexpr int windowManagerGraceMs = 400;
    QTimer::singleShot(windowManagerGraceMs, this, &Frame::fillScreenUnlessMaximized);
}

void Frame::fillScreenUnlessMaximized() {
    if (!(windowState() & Qt::WindowMaximized) || isFullScreen() || screen() == nullptr)
        return;
    const QRect area = screen()->availableGeometry();
    const QRect shown = frameGeometry();
    // Maximized by a window manager: the frame and its decorations cover the area.
    if (shown.width() * 10 >= area.width() * 9 && shown.height() * 10 >= area.height() * 9)
        return;
    setGeometry(area);
}

void Frame::closeEvent(QCloseEvent* event) {
    if (closeEverySheet([this] { close(); }) != SheetsClosing::Closed) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------

Sheet::Sheet(QWidget* parent) : QWidget(parent) {}

Sheet::~Sheet() {
    // The grids go after this part of the sheet: none may call back into it.
    for (auto* grid : findChildren<grid::DataWindow*>())
        disconnect(grid, nullptr, this, nullptr);
}

QMdiSubWindow* Sheet::subWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

Frame* Sheet::ParentWindow() const {
    for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* frame = qobject_cast<Frame*>(w))
            return frame;
    }
    return nullptr;
}

bool Sheet::busy() const {
    const auto grids = findChildren<grid::DataWindow*>();
    return std::any_of(grids.begin(), grids.end(),
                       [](const grid::DataWindow* grid) { return grid->retrieving(); });
}

bool Sheet::refuseWhileBusy() const {
    if (!busy())
        return false;
    platform::SetMicroHelp(busyText());
    return true;
}

bool Sheet::runsWhileBusy(const char*) const {
    return false;
}

bool Sheet::hasPendingChanges(const QList<grid::DataWindow*>& grids, const Transaction* slot) {
    const QList<grid::DataWindow*> asked =
        grids.isEmpty() ? findChildren<grid::DataWindow*>() : grids;
    bool pending = false;
    for (grid::DataWindow* grid : asked) {
        if (slot != nullptr && grid->transObject() != slot)
            continue;
        grid->AcceptText();
        pending = pending || grid->hasPendingChanges();
    }
    return pending;
}

bool Sheet::confirmDropChanges(const QList<grid::DataWindow*>& grids, const Transaction* slot,
                               bool remember) {
    if (dropConfirmed_ || !hasPendingChanges(grids, slot))
        return true;
    const QMdiSubWindow* sub = subWindow();
    const QString title = sub != nullptr ? sub->windowTitle() : windowTitle();
    constexpr int save = 1;
    constexpr int discard = 2;
    const QPointer<Sheet> alive(this);
    const int answer = MessageBox(title, QStringLiteral("Save changes to %1?").arg(title),
                                  Icon::Question, Buttons::SaveDiscardCancel, save);
    if (alive == nullptr)
        return false;
    if (answer == save) {
        saveChanges();
        return alive != nullptr && !hasPendingChanges(grids, slot);
    }
    if (answer == discard) {
        dropConfirmed_ = remember;
        return true;
    }
    return false;
}

void Sheet::saveChanges() {
    TriggerEvent(this, "ue_save");
}

void Sheet::closeEvent(QCloseEvent* event) {
    // Rows with unsaved changes go with the sheet: it asks first, once.
    if (!closeRequested_ && !confirmDropChanges()) {
        event->ignore();
        return;
    }
    // Once asked for, a close stays asked for until the sheet is gone.
    closeRequested_ = true;
    // A modal loop runs (a message box, a file dialog ...), inside a handler that may be this
    // sheet's: the sheet closes once the last such loop has returned to its handler.
    if (ModalLoops::instance().depth() > 0 && !halted()) {
        connect(&ModalLoops::instance(), &ModalLoops::allEnded, this, &Sheet::closeWhenStopped,
                Qt::UniqueConnection);
        for (auto* grid : findChildren<grid::DataWindow*>()) {
            if (grid->runsRetrieval())
                grid->DBCancel();
        }
        event->ignore();
        return;
    }
    bool running = false;
    for (auto* grid : findChildren<grid::DataWindow*>()) {
        if (!grid->runsRetrieval())
            continue;
        running = true;
        connect(grid, &grid::DataWindow::idle, this, &Sheet::closeWhenStopped,
                Qt::UniqueConnection);
        grid->DBCancel();
    }
    if (running) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    if (!event->isAccepted())
        return;
    // What the sheet read holds no lock after it has gone.
    for (auto* grid : findChildren<grid::DataWindow*>()) {
        if (Transaction* slot = grid->transObject())
            slot->endReadWork();
    }
    Q_EMIT closed();
}

void Sheet::closeWhenStopped() {
    if (closePosted_)
        return;
    closePosted_ = true;
    // From the event loop, once Retrieve() has returned to its caller.
    QTimer::singleShot(0, this, [this] {
        closePosted_ = false;
        Close();
    });
}

int Sheet::Close() {
    QMdiSubWindow* sub = subWindow();
    if (sub == nullptr)
        return close() ? 1 : -1;
    if (!sub->close())
        return -1;
    // A window that lingers until its deferred deletion must not stay the current one.
    QMdiArea* area = sub->mdiArea();
    if (area != nullptr && area->subWindowList().contains(sub))
        area->removeSubWindow(sub);
    return 1;
}

// ---------------------------------------------------------------------------------------------

ResponseWindow::ResponseWindow(QWidget* parent) : QDialog(parent) {}
ResponseWindow::~ResponseWindow() = default;

void ResponseWindow::CloseWithReturn(std::any record) {
    Message().PowerObjectParm = std::move(record);
    Close();
}

void ResponseWindow::CloseWithReturn(const QString& text) {
    Message().StringParm = text;
    Close();
}

void ResponseWindow::Close() {
    // A window may close itself inside its open event, before it runs modally.
    setProperty("closed", true);
    done(QDialog::Accepted);
}

// ---------------------------------------------------------------------------------------------

int Open(const QString& className) {
    return openWindow(className, nullptr);
}

int OpenWithParm(const QString& className, std::any parm) {
    return openWindow(className, &parm);
}

QWidget* OpenSheet(const QString& className, Frame* frame, int /*position*/, Arrange arrange,
                   Reference ref) {
    return openSheet(className, nullptr, frame, arrange, ref);
}

QWidget* OpenSheetWithParm(const QString& className, std::any parm, Frame* frame, int /*position*/,
                           Arrange arrange, Reference ref) {
    return openSheet(className, &parm, frame, arrange, ref);
}

QWidget* globalInstance(const QString& className) {
    auto& globals = state().globals;
    const auto it = globals.find(className);
    if (it == globals.end())
        return nullptr;
    QWidget* w = it->second;
    // A closed sheet lingers, hidden, until its deferred deletion. A sheet whose open handler
    // still runs (retrieving, say) is hidden too, but it is the open instance.
    const auto* sheet = qobject_cast<const Sheet*>(w);
    const bool gone =
        w == nullptr || (w->parentWidget() != nullptr && w->parentWidget()->isHidden() &&
                         (sheet == nullptr || sheet->closing()));
    if (gone) {
        globals.erase(it);
        return nullptr;
    }
    return w;
}

Sheet* enclosingSheet(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (auto* sheet = qobject_cast<Sheet*>(const_cast<QWidget*>(w)))
            return sheet;
    }
    return nullptr;
}

QString busyText() {
    return QStringLiteral("Rows are still being retrieved: stop the retrieval or wait until it "
                          "ends.");
}

Frame* currentFrame() {
    return state().current;
}

void SetMicroHelp(const QString& text) {
    if (Frame* frame = currentFrame())
        frame->SetMicroHelp(text);
}

void HaltClose() {
    state().halted = true;
    // Modal windows first, innermost first, so that every nested event loop ends.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
    for (const auto& frame : state().frames)
        frame->close();
    QCoreApplication::exit(0);
}

bool halted() {
    return state().halted;
}

void resetHalt() {
    state().halted = false;
    // exit() also left the thread's "quit now" mark, which makes every later exec() return at
    // once; one pass of the application's own loop clears it.
    if (QCoreApplication::instance() != nullptr) {
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        QCoreApplication::exec();
    }
}

void destroyWindows() {
    state().globals.clear();
    state().frames.clear();
}

} // namespace platform
