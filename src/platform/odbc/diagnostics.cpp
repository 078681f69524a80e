#include "platform/odbc/diagnostics.h"

#include "platform/odbc/wide.h"

#include <QStringList>

#include <sqlext.h>
#include <vector>

namespace platform::odbc {

std::vector<DiagRecord> diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::vector<DiagRecord> records;
    if (handle == SQL_NULL_HANDLE)
        return records;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        std::vector<SQLWCHAR> text(1024);
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, i, state, &native, text.data(),
                                      static_cast<SQLSMALLINT>(text.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
            text.resize(static_cast<std::size_t>(length) + 1);
            rc = SQLGetDiagRecW(handleType, handle, i, state, &native, text.data(),
                                static_cast<SQLSMALLINT>(text.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc))
            break;
        const auto shown = std::min<qsizetype>(length, static_cast<qsizetype>(text.size()) - 1);
        records.push_back(DiagRecord{fromWide(state, 5), static_cast<long>(native),
                                     fromWide(text.data(), shown).trimmed()});
    }
    return records;
}

QString formatDiagnostics(const std::vector<DiagRecord>& records) {
    QStringList lines;
    for (const auto& r : records) {
        lines.append(QStringLiteral("SQLSTATE = %1, native error %2: %3")
                         .arg(r.sqlState)
                         .arg(r.nativeError)
                         .arg(r.message));
    }
    return lines.join(QLatin1Char('\n'));
}

bool connectionLost(SQLHDBC connection, const std::vector<DiagRecord>& records) {
    for (const auto& r : records) {
        // 57P01: the session was ended by an administrator; 57P02: the server crashed.
        if (r.sqlState.startsWith(u"08") || r.sqlState == u"57P01" || r.sqlState == u"57P02")
            return true;
    }
    SQLUINTEGER dead = SQL_CD_FALSE;
    return connection != SQL_NULL_HANDLE &&
           SQL_SUCCEEDED(
               SQLGetConnectAttrW(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
}

QString lostConnectionText() {
    return QStringLiteral("The connection to the database is lost: use New Connection to log on "
                          "again.");
}

} // namespace platform::odbc
