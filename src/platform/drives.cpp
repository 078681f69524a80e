#include "platform/drives.h"

#include <QDir>

namespace platform {

QList<Drive> Drives() {
    return {
        {u'c', QDir::homePath()},
        {u'd', QDir::rootPath()},
    };
}

QString LocalPath(const QString& path) {
    if (path.size() < 2 || path[1] != u':')
        return path;
    const QChar letter = path[0].toLower();
    for (const Drive& drive : Drives()) {
        if (drive.letter != letter)
            continue;
        QString rest = path.mid(2);
        rest.replace(u'\\', u'/');
        if (rest.isEmpty())
            return drive.folder;
        QString folder = drive.folder;
        if (folder.endsWith(u'/'))
            folder.chop(1);
        if (!rest.startsWith(u'/'))
            rest.prepend(u'/');
        return folder + rest;
    }
    return path;
}

} // namespace platform
