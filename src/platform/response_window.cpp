#include "platform/response_window.h"

#include "platform/message.h"

#include <QVariant>
#include <utility>

namespace platform {

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

} // namespace platform
