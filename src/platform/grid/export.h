#pragma once

#include "platform/grid/export_base.h"
#include "platform/grid/gridrows.h"

#include <QString>
#include <QStringList>

namespace platform::grid {

// The file dialog's filter for a format, e.g. "CSV (*.csv)".
QString exportFilter(ExportFormat format);
// Every format's filter, in dialog order.
QStringList exportFilters();
// The suffix a file of that format gets when the user typed none ("csv", "xlsx").
QString exportSuffix(ExportFormat format);
// The format of a dialog filter as exportFilter writes it; `fallback` for any other text.
ExportFormat formatForFilter(const QString& filter, ExportFormat fallback = ExportFormat::Csv);
// The format of a file suffix, with or without its dot and in any case ("CSV", ".tsv");
// `fallback` for a suffix no format claims.
ExportFormat formatForSuffix(const QString& suffix, ExportFormat fallback = ExportFormat::Csv);

// Writes every row and column of `rows` to `path` in `format`. `tableName` is the table
// that SQL INSERT statements name ("exported_rows" when empty). The file appears only when
// complete: an earlier file at `path` stays whole when anything fails or `progress` stops the
// export. Returns false with `error` saying why; stopped, with `error` empty.
bool exportRows(const GridRows& rows, ExportFormat format, const QString& path,
                const QString& tableName, QString& error, ExportProgress* progress = nullptr);

} // namespace platform::grid
