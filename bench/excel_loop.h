#pragma once

// E1's yardstick for Excel Save As, and the checks of the grid's workbook.

#include "platform/grid/gridrows.h"

#include <QByteArray>
#include <QString>

namespace bench {

// The grid's cells written with libxlsxwriter directly, in the mode the grid's Save As uses for
// this many cells (constant memory), with the same formats: a bold heading row, frozen; numbers
// of numeric columns as numbers by the grid's own rule (exporting::excelNumber), other text as
// strings, empty text as an empty-string formula, NULL as no cell. It reads the cells as the
// grid stores them.
void plainExcel(const platform::grid::GridRows& rows, const QString& path);

// Compares the worksheet of the workbook at `path` with `rows` cell by cell: the heading, every
// number (as the same double), every string, empty text, and no cell where the grid holds NULL.
// Throws BenchError at the first difference.
void checkWorkbook(const platform::grid::GridRows& rows, const QString& path);

// A SHA-1 of the worksheet's XML, to tell whether two workbooks hold the same sheet byte for byte.
QByteArray worksheetDigest(const QString& path);

} // namespace bench
