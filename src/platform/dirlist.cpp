#include "platform/dirlist.h"

#include "platform/drives.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace platform {
namespace {
struct Pattern {
    QString directory;
    QString wildcard;
};

Pattern splitPattern(const QString& pattern) {
    const qsizetype separator = std::max(pattern.lastIndexOf(u'/'), pattern.lastIndexOf(u'\\'));
    Pattern result;
    if (separator < 0) {
        result.directory = QStringLiteral(".");
        result.wildcard = pattern;
    } else {
        result.directory = separator == 0 ? QStringLiteral("/") : pattern.left(separator);
        result.wildcard = pattern.mid(separator + 1);
    }
    // "*.*" is the DOS way of saying every name, also those without a dot.
    if (result.wildcard.isEmpty() || result.wildcard == u"*.*")
        result.wildcard = QStringLiteral("*");
    return result;
}

unsigned attributesOf(const QFileInfo& file) {
    unsigned attributes = 0;
    if (file.isFile())
        attributes |= DirListType::Archive;
    else
        attributes |= DirListType::System;
    // The owner's write bit plays the read-only attribute: a property of the file, the same
    // whoever lists it.
    if (!file.permissions().testFlag(QFileDevice::WriteOwner))
        attributes |= DirListType::ReadOnly;
    if (file.isHidden())
        attributes |= DirListType::Hidden;
    return attributes;
}

bool fileListed(const QFileInfo& file, unsigned fileType) {
    const unsigned attributes = attributesOf(file);
    const unsigned restricting = DirListType::Hidden | DirListType::System;
    if ((attributes & restricting & ~fileType) != 0)
        return false;
    if ((fileType & DirListType::Exclusive) == 0)
        return true;
    const unsigned named =
        DirListType::ReadOnly | DirListType::Hidden | DirListType::System | DirListType::Archive;
    return (attributes & fileType & named) != 0;
}

// The kernel's own file systems: no files of a drive live there, and walking them never ends
// (/proc/self/root leads back to the root, /proc holds a folder per process that comes and goes).
bool kernelFolder(const QString& directory) {
    const QString path = QDir::cleanPath(QFileInfo(directory).absoluteFilePath());
    for (const QLatin1String folder : {QLatin1String("/proc"), QLatin1String("/sys"),
                                       QLatin1String("/dev"), QLatin1String("/run")}) {
        if (path == folder || (path.startsWith(folder) && path.at(folder.size()) == u'/'))
            return true;
    }
    return false;
}
} // namespace

QStringList DirList(const QString& pattern, unsigned fileType) {
    QStringList entries;
    const unsigned listed = DirListType::ReadOnly | DirListType::Hidden | DirListType::System |
                            DirListType::Directories | DirListType::Archive;
    const bool drivesOnly = (fileType & DirListType::Drives) != 0 && (fileType & listed) == 0;
    if (!drivesOnly) {
        const Pattern parts = splitPattern(LocalPath(pattern));
        const QFileInfo directoryInfo(parts.directory);
        if (!directoryInfo.isDir() || !directoryInfo.isReadable() ||
            !directoryInfo.isExecutable() || kernelFolder(parts.directory))
            return {};
        QDir directory(parts.directory);
        directory.setFilter(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDot);
        directory.setSorting(QDir::Name | QDir::DirsFirst);
        directory.setNameFilters({parts.wildcard});
        const bool withDirectories = (fileType & DirListType::Directories) != 0;
        const bool withHidden = (fileType & DirListType::Hidden) != 0;
        const bool atRoot = QDir(directory.absolutePath()).isRoot();
        for (const QFileInfo& entry : directory.entryInfoList()) {
            const QString name = entry.fileName();
            if (name == u"..") {
                if (withDirectories && !atRoot)
                    entries.append(QStringLiteral("[..]"));
            } else if (entry.isSymLink()) {
                if (entry.isFile() && fileListed(entry, fileType))
                    entries.append(name);
            } else if (entry.isDir()) {
                if (withDirectories && (withHidden || !entry.isHidden()))
                    entries.append(u'[' + name + u']');
            } else if (fileListed(entry, fileType)) {
                entries.append(name);
            }
        }
    }
    if ((fileType & DirListType::Drives) != 0) {
        for (const Drive& drive : Drives())
            entries.append(QStringLiteral("[-") + drive.letter + QStringLiteral("-]"));
    }
    return entries;
}

} // namespace platform
