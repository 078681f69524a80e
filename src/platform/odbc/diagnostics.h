#pragma once

#include <QString>
#include <sql.h>
#include <vector>

namespace platform::odbc {

// One diagnostic record of a handle: SQLSTATE, the native error code and the driver's text.
struct DiagRecord {
    QString sqlState;
    long nativeError = 0;
    QString message;
};

std::vector<DiagRecord> diagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// Every record, one a line: "SQLSTATE = 28P01, native error 210: <driver text>".
QString formatDiagnostics(const std::vector<DiagRecord>& records);

} // namespace platform::odbc
