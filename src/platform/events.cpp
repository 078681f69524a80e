#include "platform/events.h"

#include "platform/windows.h"

#include <QByteArray>
#include <QMetaObject>
#include <QObject>

namespace platform {
namespace {

int methodIndex(const QObject* target, const char* name, const char* arguments) {
    if (target == nullptr || name == nullptr)
        return -1;
    const QByteArray signature = QMetaObject::normalizedSignature(
        QByteArray(name).append('(').append(arguments).append(')'));
    return target->metaObject()->indexOfMethod(signature.constData());
}

// A sheet whose grid is retrieving runs only the events it allows then (see Sheet::busy()).
bool heldBack(QObject* target, const char* name) {
    const auto* sheet = qobject_cast<const Sheet*>(target);
    return sheet != nullptr && !sheet->runsWhileBusy(name) && sheet->refuseWhileBusy();
}

} // namespace

bool hasEvent(const QObject* target, const char* name) {
    return methodIndex(target, name, "") >= 0;
}

int TriggerEvent(QObject* target, const char* name) {
    if (methodIndex(target, name, "") < 0 || heldBack(target, name))
        return -1;
    return QMetaObject::invokeMethod(target, name, Qt::DirectConnection) ? 1 : -1;
}

int PostEvent(QObject* target, const char* name) {
    if (methodIndex(target, name, "") < 0)
        return -1;
    // Whether the sheet is busy is decided when the event runs.
    const QByteArray event(name);
    return QMetaObject::invokeMethod(
               target, [target, event] { TriggerEvent(target, event.constData()); },
               Qt::QueuedConnection)
               ? 1
               : -1;
}

bool hasEvent(const QObject* target, const char* name, const QString&) {
    return methodIndex(target, name, "QString") >= 0;
}

int TriggerEvent(QObject* target, const char* name, const QString& argument) {
    if (methodIndex(target, name, "QString") < 0 || heldBack(target, name))
        return -1;
    return QMetaObject::invokeMethod(target, name, Qt::DirectConnection, Q_ARG(QString, argument))
               ? 1
               : -1;
}

} // namespace platform
