#include "platform/frame.h"

#include "platform/sheet.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <memory>
#include <utility>

namespace platform {

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

} // namespace platform
