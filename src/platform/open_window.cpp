#include "platform/open_window.h"

#include "platform/frame.h"
#include "platform/message.h"
#include "platform/messagebox.h"
#include "platform/modal.h"
#include "platform/registry.h"
#include "platform/response_window.h"
#include "platform/sheet.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
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
