#pragma once

#include <QString>

namespace platform::grid {

// libxlsxwriter assembles each part of a workbook in a temporary file and does not notice when
// writing one fails (a full /tmp): the workbook then carries parts cut short. So every XML part
// of the zip file at `path` is unpacked again and must end with its root element's end tag.
// Returns what is wrong, or an empty string.
QString damagedPart(const QString& path);

} // namespace platform::grid
