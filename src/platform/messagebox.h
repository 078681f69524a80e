#pragma once

#include <QString>
#include <memory>

namespace platform {

enum class Icon { None, Information, StopSign, Exclamation, Question };
enum class Buttons {
    OK,
    OKCancel,
    YesNo,
    YesNoCancel,
    RetryCancel,
    AbortRetryIgnore,
    SaveDiscardCancel,
    CommitRollBackCancel
};

struct MessageBoxRequest {
    QString title;
    QString text;
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::OK;
    int defaultButton = 1;
};

// Every message box of the system goes through one service, so that tests can answer them.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Returns the number of the button pressed, counted from 1 in the order of `buttons`.
    virtual int ask(const MessageBoxRequest& request) = 0;
};

// Installs `service` (nullptr: the on-screen message boxes) and returns the one it replaces.
MessageBoxService* setMessageBoxService(MessageBoxService* service);

// Modal message box; returns the number of the button pressed (1 with OK only).
int MessageBox(const QString& title, const QString& text, Icon icon = Icon::Information,
               Buttons buttons = Buttons::OK, int defaultButton = 1);

} // namespace platform
