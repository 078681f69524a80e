#pragma once

#include <QString>
#include <QStringList>

namespace app {

// The data-source name that a line of the ODBC listing section gives: the text before its first
// "=", unchanged (no trimming, no case change). A line without "=" lists a name without a
// description, so the whole line is the name.
QString dataSourceName(const QString& line);

// The database interfaces of pb.ini's "Vendors" value: the text between commas, each item with
// its blanks. A value without a comma is one item, the empty value one empty item.
QStringList splitVendors(const QString& value);

// The database profiles of pb.ini's "PROFILES" value, as the profile reader returns it: each
// name is closed by an apostrophe, and the next one starts behind the "," and the opening
// apostrophe that follow it. The scan starts at the first character, so a value that
// begins with an apostrophe gives an empty first name; text after the last apostrophe is no name.
QStringList scanProfiles(const QString& value);

// The local hard-drive letters among list-box drive entries ("[-c-]" gives "c"): the floppy
// drives a and b, anything longer than one letter and anything after "e" are left out.
QStringList localDriveLetters(const QStringList& entries);

} // namespace app
