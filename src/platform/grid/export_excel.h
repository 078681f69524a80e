#pragma once

#include "platform/grid/export_base.h"

#include <string_view>

namespace platform::grid::exporting {

// The Excel writer (ExportWriter): one worksheet with the column names as a frozen heading row,
// numbers as numbers where a double keeps their value, NULL as blank cells. It loads the Excel
// module (excel_book.h) on first use, and moves the workbook into place only once its parts have
// been found whole (zip_check.h). `tableName` is not used.
bool writeExcelFile(const GridRows& rows, const QString& path, const QString& tableName,
                    QString& error, Ticker& tick);

// Whether a cell of a numeric column goes to Excel as a number, and which: an SQL numeric
// literal ([+-]?(d+[.d*]|.d+)([eE][+-]?d+)?) of at most 15 significant digits, so that a double
// keeps its value.
bool excelNumber(std::string_view text, double& value);

} // namespace platform::grid::exporting
