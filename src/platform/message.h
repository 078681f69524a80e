#pragma once

#include <QString>
#include <any>

namespace platform {

// The message object through which windows hand records to each other. Opening or closing a
// window with a value overwrites it, so a receiver copies what it needs at once.
struct MessageObject {
    std::any PowerObjectParm;
    QString StringParm;

    // The record held in PowerObjectParm, or nullptr when it holds no record of that type.
    template <typename Record> const Record* parm() const {
        return std::any_cast<Record>(&PowerObjectParm);
    }
    void reset() {
        PowerObjectParm.reset();
        StringParm.clear();
    }
};

MessageObject& Message();

// The platform's error object: what the last runtime error was.
struct ErrorObject {
    int number = 0;
    QString text;
    void reset() {
        number = 0;
        text.clear();
    }
};

ErrorObject& Error();

// A runtime error of the platform: recorded in the error object and shown in a message box.
void RuntimeError(int number, const QString& text);

} // namespace platform
