#pragma once

#include <QString>

class QObject;

namespace platform {

// Named events. An event is a slot or Q_INVOKABLE method without arguments; a target that has no
// such method ignores the call silently.
bool hasEvent(const QObject* target, const char* name);

// Runs the event now. Returns 1 when it ran, -1 when the target has no such event.
int TriggerEvent(QObject* target, const char* name);

// Runs the event after the current one, from the event loop. Returns 1 or -1 as TriggerEvent.
int PostEvent(QObject* target, const char* name);

// The same with one text argument: the event is a method `name(QString)`.
bool hasEvent(const QObject* target, const char* name, const QString& argument);
int TriggerEvent(QObject* target, const char* name, const QString& argument);

} // namespace platform
