#pragma once

#include <QChar>
#include <QList>
#include <QString>

namespace platform {

// The drives that the classic file functions name, and the folders they stand for here. Paths
// that start with a drive ("c:", "c:/sub/pb.ini") reach these folders.
struct Drive {
    QChar letter;
    QString folder;
};

// The drives in letter order: "c" is the user's home folder, "d" the root folder.
QList<Drive> Drives();

// `path` with its leading drive replaced by the drive's folder; backslashes behind a drive are
// separators, as in every path written with one. A path without a drive, or with a letter that
// names no drive, comes back unchanged.
QString LocalPath(const QString& path);

} // namespace platform
