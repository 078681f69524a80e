#pragma once

#include "platform/grid/export_base.h"

namespace platform::grid::exporting {

// The text formats' writers (ExportWriter), each writing UTF-8 without a byte order mark
// through a QSaveFile. HTML names its title and SQL INSERT statements their table after
// `tableName` ("Exported rows" and "exported_rows" when it is empty); the others ignore it.

// RFC 4180, with CRLF after every record; empty text is quoted, NULL left bare.
bool writeCsvFile(const GridRows& rows, const QString& path, const QString& tableName,
                  QString& error, Ticker& tick);
// PostgreSQL COPY text: tab-separated, \N for NULL.
bool writeTabTextFile(const GridRows& rows, const QString& path, const QString& tableName,
                      QString& error, Ticker& tick);
bool writeHtmlFile(const GridRows& rows, const QString& path, const QString& tableName,
                   QString& error, Ticker& tick);
// An array of one object per row.
bool writeJsonFile(const GridRows& rows, const QString& path, const QString& tableName,
                   QString& error, Ticker& tick);
// <rows><row><column>...; NULL as an empty element with xsi:nil="true".
bool writeXmlFile(const GridRows& rows, const QString& path, const QString& tableName,
                  QString& error, Ticker& tick);
bool writeSqlInsertFile(const GridRows& rows, const QString& path, const QString& tableName,
                        QString& error, Ticker& tick);

} // namespace platform::grid::exporting
