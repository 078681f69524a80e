#include "sqlpad/sql_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>

namespace app {
namespace {

const QString recentKey = QStringLiteral("sqlpad/recentFiles");
const QString organization = QStringLiteral("Dorvane");

} // namespace

std::optional<QString> readSqlFile(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    // Text that is not UTF-8 does not come back whole from a round trip through it.
    QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes) {
        error = QStringLiteral("%1 is not UTF-8 text; it was not opened.").arg(path);
        return std::nullopt;
    }
    return text;
}

bool writeSqlFile(const QString& path, const QString& text, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        error = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

QStringList withRecentFile(QStringList list, const QString& path, int keep) {
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > keep)
        list.removeLast();
    return list;
}

QStringList recentSqlFiles() {
    const QSettings stored(organization, organization);
    return stored.value(recentKey).toStringList();
}

void rememberSqlFile(const QString& path) {
    QSettings stored(organization, organization);
    stored.setValue(recentKey, withRecentFile(stored.value(recentKey).toStringList(),
                                              QFileInfo(path).absoluteFilePath()));
}

} // namespace app
