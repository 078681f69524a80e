#include "platform/grid/dataobject.h"

#include <QFile>
#include <QRegularExpression>

namespace platform::grid {

QString loadDataObject(const QString& name, QString& errors) {
    errors.clear();
    // A plain name only, so that no other resource can be reached through it.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9_]+$"));
    QFile file(QStringLiteral(":/dataobjects/") + name + QStringLiteral(".srd"));
    if (!plainName.match(name).hasMatch() || !file.open(QIODevice::ReadOnly)) {
        errors = QStringLiteral("Data object %1 not found").arg(name);
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

} // namespace platform::grid
