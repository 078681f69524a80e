#include "platform/message.h"

#include "platform/messagebox.h"

namespace platform {

MessageObject& Message() {
    static MessageObject message;
    return message;
}

ErrorObject& Error() {
    static ErrorObject error;
    return error;
}

void RuntimeError(int number, const QString& text) {
    Error().number = number;
    Error().text = text;
    MessageBox(QStringLiteral("Runtime Error"),
               QStringLiteral("Error %1: %2").arg(number).arg(text), Icon::StopSign);
}

} // namespace platform
