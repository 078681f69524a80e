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

// True when the connection is gone: the driver says so, or a record has a connection-exception
// SQLSTATE (08...) or says that the server ended the session or shut down. Only a new logon
// helps then.
bool connectionLost(SQLHDBC connection, const std::vector<DiagRecord>& records);
// What the user is told when the connection is lost.
QString lostConnectionText();

} // namespace platform::odbc
