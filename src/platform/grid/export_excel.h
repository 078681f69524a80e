#pragma once

#include "platform/grid/export_base.h"

namespace platform::grid::exporting {

// The Excel writer (ExportWriter): one worksheet with the column names as a frozen heading row,
// numbers as numbers where a double keeps their value, NULL as blank cells. It loads the Excel
// module (excel_book.h) on first use, and moves the workbook into place only once its parts have
// been found whole (zip_check.h). `tableName` is not used.
bool writeExcelFile(const GridRows& rows, const QString& path, const QString& tableName,
                    QString& error, Ticker& tick);

} // namespace platform::grid::exporting
