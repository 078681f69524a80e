#include "platform/events.h"

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

int invoke(QObject* target, const char* name, Qt::ConnectionType type) {
    if (methodIndex(target, name, "") < 0)
        return -1;
    return QMetaObject::invokeMethod(target, name, type) ? 1 : -1;
}

} // namespace

bool hasEvent(const QObject* target, const char* name) {
    return methodIndex(target, name, "") >= 0;
}

int TriggerEvent(QObject* target, const char* name) {
    return invoke(target, name, Qt::DirectConnection);
}

int PostEvent(QObject* target, const char* name) {
    return invoke(target, name, Qt::QueuedConnection);
}

bool hasEvent(const QObject* target, const char* name, const QString&) {
    return methodIndex(target, name, "QString") >= 0;
}

int TriggerEvent(QObject* target, const char* name, const QString& argument) {
    if (methodIndex(target, name, "QString") < 0)
        return -1;
    return QMetaObject::invokeMethod(target, name, Qt::DirectConnection, Q_ARG(QString, argument))
               ? 1
               : -1;
}

} // namespace platform
