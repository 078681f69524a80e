#pragma once

// The few places where Qt 6 and Qt 5.15 differ in what this program uses. Everything else is
// written once, in the API both versions share.

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPointF>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace platform::compat {

// The position of a mouse event in the receiving widget.
inline QPointF position(const QMouseEvent& event) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event.position();
#else
    return event.localPos();
#endif
}

// A shortcut of one key with modifiers.
inline QKeySequence keySequence(Qt::KeyboardModifiers modifiers, Qt::Key key) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QKeySequence(QKeyCombination(modifiers, key));
#else
    return QKeySequence(static_cast<int>(modifiers) | static_cast<int>(key));
#endif
}

// Called before the application object exists: Qt 5 scales for high-DPI screens only when asked,
// and then rounds the scale factor; Qt 6 always scales, by the screen's own factor.
inline void prepareApplication() {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
}

// Whether the desktop has a font of this family.
inline bool hasFontFamily(const QString& family) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
#else
    return QFontDatabase().families().contains(family, Qt::CaseInsensitive);
#endif
}

// `bytes` read as UTF-8, or nothing when they are not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray& bytes);

} // namespace platform::compat
