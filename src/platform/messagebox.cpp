#include "platform/messagebox.h"

#include "platform/modal.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
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
    case Buttons::CommitRollBackCancel:
        // Commit and Roll Back have no standard button; they take its place and role.
        return {QMessageBox::Apply, QMessageBox::Reset, QMessageBox::Cancel};
    }
    return {QMessageBox::Ok};
}

// The caption of a button where the standard one's does not fit.
QString captionOf(Buttons buttons, std::size_t index) {
    if (buttons == Buttons::CommitRollBackCancel && index < 2)
        return index == 0 ? QStringLiteral("&Commit") : QStringLiteral("&Roll Back");
    return {};
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
        // Held by the window it hangs from, which outlives it, and watched: a box that went
        // with its window while it was open answers as closed without a button.
        const QPointer<QMessageBox> box(new QMessageBox(iconOf(request.icon), request.title,
                                                        request.text, QMessageBox::NoButton,
                                                        dialogParent()));
        const auto standard = buttonsOf(request.buttons);
        std::vector<QAbstractButton*> pressed;
        for (auto b : standard) {
            QAbstractButton* button = box->addButton(b);
            const QString caption = captionOf(request.buttons, pressed.size());
            if (!caption.isEmpty())
                button->setText(caption);
            pressed.push_back(button);
        }
        const auto defaultIndex = static_cast<std::size_t>(request.defaultButton - 1);
        if (defaultIndex < pressed.size())
            box->setDefaultButton(static_cast<QPushButton*>(pressed[defaultIndex]));
        box->exec();
        // Closed without a button (Esc on a box without Cancel): the last button's answer.
        int answer = static_cast<int>(pressed.size());
        if (box == nullptr)
            return answer;
        for (std::size_t i = 0; i < pressed.size(); ++i) {
            if (box->clickedButton() == pressed[i])
                answer = static_cast<int>(i) + 1;
        }
        box->deleteLater();
        return answer;
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
    // The box's loop is a modal loop, for every service that answers it (tests' too).
    const ModalScope modal;
    return service->ask(MessageBoxRequest{title, text, icon, buttons, defaultButton});
}

} // namespace platform
