#pragma once

#include <QString>

namespace platform {

// The value of `key` in `section` of the initialisation file `file` (which may start with a
// drive, platform/drives.h), with Windows profile semantics: section and key names are compared
// without case and without surrounding blanks, the value is the text after the first "=" with
// surrounding blanks and tabs removed (quotes are kept), and lines starting with ";" are
// comments. The first matching key of the first matching section wins. A missing file, section or
// key gives `defaultValue`; an empty value gives "".
QString ProfileString(const QString& file, const QString& section, const QString& key,
                      const QString& defaultValue);

} // namespace platform
