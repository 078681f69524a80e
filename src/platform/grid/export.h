#pragma once

#include "platform/grid/export_base.h"
#include "platform/grid/export_formats.h"
#include "platform/grid/gridrows.h"

#include <QString>

namespace platform::grid {

// Writes every row and column of `rows` to `path` in `format`. `tableName` is the table
// that SQL INSERT statements name ("exported_rows" when empty). The file appears only when
// complete: an earlier file at `path` stays whole when anything fails or `progress` stops the
// export. Returns false with `error` saying why; stopped, with `error` empty.
bool exportRows(const GridRows& rows, ExportFormat format, const QString& path,
                const QString& tableName, QString& error, ExportProgress* progress = nullptr);

} // namespace platform::grid
