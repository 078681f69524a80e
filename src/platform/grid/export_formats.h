#pragma once

#include "platform/grid/export_base.h"

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

namespace exporting {

// The writer of a format; nullptr for a value that names none.
ExportWriter writerFor(ExportFormat format);

} // namespace exporting
} // namespace platform::grid
