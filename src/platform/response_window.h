#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>
#include <any>

namespace platform {

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

} // namespace platform
