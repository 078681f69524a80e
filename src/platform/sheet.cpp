#include "platform/sheet.h"

#include "platform/busy_source.h"
#include "platform/events.h"
#include "platform/frame.h"
#include "platform/host.h"
#include "platform/messagebox.h"
#include "platform/modal.h"
#include "platform/odbc/transaction.h"
#include "platform/open_window.h"
#include "platform/sheet_layout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace platform {
namespace {

// What the runtime layer's widgets ask of the window that holds them: the sheet answers.
class SheetHost final : public WindowHost {
public:
    bool closing(const QWidget* widget) const override {
        const Sheet* sheet = enclosingSheet(widget);
        return sheet != nullptr && sheet->closing();
    }

    bool refuseWhileBusy(const QWidget* widget, bool widgetBusy) const override {
        if (const Sheet* sheet = enclosingSheet(widget))
            return sheet->refuseWhileBusy();
        if (!widgetBusy)
            return false;
        platform::SetMicroHelp(busyText());
        return true;
    }

    QWidget* dialogParent() const override {
        // A dialog opened over a widget of a sheet belongs to that sheet, and may go with it.
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && enclosingSheet(modal) == nullptr)
            return modal;
        if (Frame* frame = currentFrame())
            return frame;
        return QApplication::activeWindow();
    }
};

// Installed as the library loads, before any window exists.
[[maybe_unused]] const bool hostInstalled = [] {
    installWindowHost(std::make_unique<SheetHost>());
    return true;
}();

} // namespace

Sheet::Sheet(QWidget* parent) : QWidget(parent) {}

void Sheet::growWithSheet(QWidget* grid) {
    if (layout_ == nullptr)
        layout_ = new SheetLayout(this, grid);
}

void Sheet::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (layout_ != nullptr)
        layout_->arrange();
}

Sheet::~Sheet() {
    // The grids go after this part of the sheet: none may call back into it.
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (dynamic_cast<BusySource*>(widget) != nullptr)
            disconnect(widget, nullptr, this, nullptr);
    }
}

QList<BusySource*> Sheet::busySources() const {
    QList<BusySource*> sources;
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (auto* source = dynamic_cast<BusySource*>(widget))
            sources << source;
    }
    return sources;
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
    const QList<BusySource*> grids = busySources();
    return std::any_of(grids.begin(), grids.end(),
                       [](const BusySource* grid) { return grid->busy(); });
}

bool Sheet::refuseWhileBusy() const {
    if (!busy())
        return false;
    platform::SetMicroHelp(busyText());
    return true;
}

bool Sheet::runsWhileBusy(Command) const {
    return false;
}

namespace {

// Each command, its event name, and the function that runs it.
struct CommandEntry {
    Sheet::Command command;
    const char* event;
    void (Sheet::*run)();
};

constexpr CommandEntry kCommands[] = {
    {Sheet::Command::Save, "ue_save", &Sheet::ue_save},
    {Sheet::Command::SaveAs, "ue_saveas", &Sheet::ue_saveas},
    {Sheet::Command::Print, "ue_print", &Sheet::ue_print},
    {Sheet::Command::Insert, "ue_insert", &Sheet::ue_insert},
    {Sheet::Command::Delete, "ue_delete", &Sheet::ue_delete},
    {Sheet::Command::GetColumns, "ue_get_columns", &Sheet::ue_get_columns},
    {Sheet::Command::Sqlpad, "ue_sqlpad", &Sheet::ue_sqlpad},
    {Sheet::Command::Retrieve, "ue_retrieve", &Sheet::ue_retrieve},
};

} // namespace

bool Sheet::runsWhileBusy(const char* event) const {
    // A command called by its name obeys the command's rule.
    for (const CommandEntry& entry : kCommands) {
        if (qstrcmp(event, entry.event) == 0)
            return runsWhileBusy(entry.command);
    }
    return false;
}

int Sheet::runCommand(Command command) {
    for (const CommandEntry& entry : kCommands) {
        if (entry.command != command)
            continue;
        // A sheet without the command ignores it, busy or not.
        if (!hasEvent(this, entry.event))
            return -1;
        if (!runsWhileBusy(command) && refuseWhileBusy())
            return -1;
        (this->*entry.run)();
        return 1;
    }
    return -1;
}

bool Sheet::hasPendingChanges(const QList<BusySource*>& grids, const Transaction* slot) {
    const QList<BusySource*> asked = grids.isEmpty() ? busySources() : grids;
    bool pending = false;
    for (BusySource* grid : asked) {
        if (slot != nullptr && grid->connection() != slot)
            continue;
        // Every grid takes its open editor's text, whatever an earlier one holds.
        const bool changed = grid->holdsUnsavedChanges();
        pending = pending || changed;
    }
    return pending;
}

bool Sheet::confirmSheetWork(const Transaction*) {
    return true;
}

bool Sheet::confirmDropChanges(const QList<BusySource*>& grids, const Transaction* slot,
                               bool remember) {
    if (dropConfirmed_)
        return true;
    const QPointer<Sheet> alive(this);
    if (!confirmDropRows(grids, slot, remember) || alive == nullptr)
        return false;
    if (!grids.isEmpty())
        return true;
    // A whole sheet goes: its other work is asked about as well.
    if (!confirmSheetWork(slot) || alive == nullptr)
        return false;
    if (remember && slot == nullptr)
        dropConfirmed_ = true;
    return true;
}

bool Sheet::confirmDropRows(const QList<BusySource*>& grids, const Transaction* slot,
                            bool remember) {
    if (!hasPendingChanges(grids, slot))
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
    runCommand(Command::Save);
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
        for (BusySource* grid : busySources()) {
            if (grid->runsWork())
                grid->stopWork();
        }
        event->ignore();
        return;
    }
    bool running = false;
    for (BusySource* grid : busySources()) {
        if (!grid->runsWork())
            continue;
        running = true;
        // Asked again before the grid has stopped, the sheet hears of its end more than once;
        // closeWhenStopped() closes once.
        grid->callWhenIdle(this, [this] { closeWhenStopped(); });
        grid->stopWork();
    }
    if (running) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    if (!event->isAccepted())
        return;
    // What the sheet read holds no lock after it has gone.
    for (const BusySource* grid : busySources()) {
        if (Transaction* slot = grid->connection())
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

} // namespace platform
