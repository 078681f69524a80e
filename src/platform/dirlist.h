#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The file-type bits of DirList, as the classic list box takes them.
namespace DirListType {
inline constexpr unsigned ReadWrite = 0;
inline constexpr unsigned ReadOnly = 1;
inline constexpr unsigned Hidden = 2;
inline constexpr unsigned System = 4;
inline constexpr unsigned Directories = 16;
inline constexpr unsigned Archive = 32;
inline constexpr unsigned Drives = 16384;
inline constexpr unsigned Exclusive = 32768;
} // namespace DirListType

// The entries a list box shows for `pattern`, a directory and a wildcard ("/some/dir/*.*",
// "c:/sub/*.*" on a drive (platform/drives.h), or "*.*" for the current directory; the last "/" or
// "\" separates them; names match without case, and "*.*" matches every name). Entry forms: a file
// as its bare name, a sub-directory as "[name]", the parent as "[..]", a drive as "[-c-]".
//
// `fileType` chooses what is listed. Ordinary read/write files always are, unless Exclusive is
// set. Read-only files (no write permission for the owner) are listed like ordinary ones: the
// read-only bit only matters with Exclusive, as in the DOS search it comes from. Hidden files
// (names starting with ".") and system files (devices, pipes, sockets) are listed only with
// their bit. With Exclusive, a file is listed only when it carries one of the requested
// attributes; every regular file carries Archive. Sub-directories and the parent come with
// Directories, drives with Drives. Drives with no other bit lists the drives alone (the classic
// list box would add the current directory's files); Drives | Archive gives both.
//
// Symbolic links are never followed: a link to a directory is left out, a link to a file is
// listed as a file. Directories come first, then files, each in QDir's name order, then the
// drives. A directory that cannot be listed gives an empty list, and so do /proc, /sys, /dev,
// /run and every folder under them: they are the kernel's, not a drive's, and a walk through
// them would not end.
QStringList DirList(const QString& pattern, unsigned fileType);

} // namespace platform
