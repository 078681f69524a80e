#include "platform/progress.h"

#include <QApplication>
#include <QProgressDialog>
#include <algorithm>
#include <atomic>
#include <utility>

namespace platform {

namespace {

std::atomic<int> delayMs{500};
// The dialog is brought up to date at most this often, so that counting costs nothing.
constexpr qint64 refreshMs = 50;

int scaled(long value, long total) {
    // QProgressDialog counts in int.
    if (total <= 0)
        return 0;
    return static_cast<int>(std::min<long long>(1000, 1000LL * value / total));
}

} // namespace

void WorkProgress::setDelayMs(int ms) {
    delayMs = ms;
}

WorkProgress::WorkProgress(QString label, long total, QWidget* over)
    : label_(std::move(label)), total_(total), over_(over) {
    started_.start();
}

WorkProgress::~WorkProgress() {
    if (dialog_ != nullptr) {
        dialog_->hide();
        dialog_->deleteLater();
    }
}

bool WorkProgress::step(long done) {
    if (cancelled_)
        return false;
    if (!dialog_) {
        if (started_.elapsed() < delayMs)
            return true;
        QWidget* owner = over_ != nullptr ? over_->window() : QApplication::activeWindow();
        dialog_ = new QProgressDialog(label_, QStringLiteral("Cancel"), 0, 1000, owner);
        dialog_->setWindowTitle(QStringLiteral("Working"));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setMinimumDuration(0);
        dialog_->setAutoReset(false);
        dialog_->setAutoClose(false);
        dialog_->setValue(scaled(done, total_));
        dialog_->show();
        lastShown_.start();
    } else if (lastShown_.elapsed() < refreshMs) {
        return true;
    }
    lastShown_.restart();
    dialog_->setValue(scaled(done, total_)); // window-modal: runs the event loop
    QCoreApplication::processEvents();
    // A dialog that went with its window cancels the work.
    cancelled_ = dialog_ == nullptr || dialog_->wasCanceled();
    return !cancelled_;
}

} // namespace platform
