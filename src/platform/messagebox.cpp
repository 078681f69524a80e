#include "platform/messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace platform {
namespace {

std::vector<QMessageBox::StandardButton> buttonsOf(Buttons buttons) {
    switch (buttons) {
    case Buttons::OK:
        return {QMessageBox::Ok};
    case Buttons::OKCancel:
        return {QMessageBox::Ok, QMessageBox::Cancel};
    case Buttons::YesNo:
        return {QMessageBox::Yes, QMessageBox::No};
    case Buttons::YesNoCancel:
        return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case Buttons::RetryCancel:
        return {QMessageBox::Retry, QMessageBox::Cancel};
    case Buttons::AbortRetryIgnore:
        return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
    case Buttons::SaveDiscardCancel:
        return {QMessageBox::Save, QMessageBox::Discard, QMessageBox::Cancel};
    }
    return {QMessageBox::Ok};
}

QMessageBox::Icon iconOf(Icon icon) {
    switch (icon) {
    case Icon::None:
        return QMessageBox::NoIcon;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::StopSign:
        return QMessageBox::Critical;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

class WidgetMessageBoxes final : public MessageBoxService {
public:
    int ask(const MessageBoxRequest& request) override {
        QWidget* parent = QApplication::activeModalWidget();
        if (parent == nullptr)
            parent = QApplication::activeWindow();
        QMessageBox box(iconOf(request.icon), request.title, request.text, QMessageBox::NoButton,
                        parent);
        const auto standard = buttonsOf(request.buttons);
        std::vector<QAbstractButton*> pressed;
        for (auto b : standard)
            pressed.push_back(box.addButton(b));
        const auto defaultIndex = static_cast<std::size_t>(request.defaultButton - 1);
        if (defaultIndex < pressed.size())
            box.setDefaultButton(static_cast<QPushButton*>(pressed[defaultIndex]));
        box.exec();
        for (std::size_t i = 0; i < pressed.size(); ++i) {
            if (box.clickedButton() == pressed[i])
                return static_cast<int>(i) + 1;
        }
        // Closed without a button (Esc on a box without Cancel): the last button's answer.
        return static_cast<int>(pressed.size());
    }
};

WidgetMessageBoxes& widgetService() {
    static WidgetMessageBoxes service;
    return service;
}

MessageBoxService*& current() {
    static MessageBoxService* service = nullptr;
    return service;
}

} // namespace

MessageBoxService* setMessageBoxService(MessageBoxService* service) {
    MessageBoxService* previous = current();
    current() = service;
    return previous;
}

int MessageBox(const QString& title, const QString& text, Icon icon, Buttons buttons,
               int defaultButton) {
    MessageBoxService* service = current();
    if (service == nullptr)
        service = &widgetService();
    return service->ask(MessageBoxRequest{title, text, icon, buttons, defaultButton});
}

} // namespace platform
