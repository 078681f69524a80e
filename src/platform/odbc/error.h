#pragma once

#include "platform/odbc/diagnostics.h"

#include <QString>
#include <sql.h>
#include <vector>

namespace platform::odbc {

// The one error value of the ODBC layer: every diagnostic record of the failed call (SQLSTATE,
// native code, the driver's text), or a text of the program's own. A default-made Error is no
// error. It is made where the call failed and carried to where the error is shown.
class Error {
public:
    Error() = default;
    // The diagnostics of `handle` after a call returned `rc`. With `connection`, the error also
    // knows whether that connection is gone (the driver's dead-connection attribute).
    static Error fromHandle(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle,
                            SQLHDBC connection = SQL_NULL_HANDLE);
    // An error the program finds itself (a result too large, a column missing).
    static Error withText(QString text);

    bool failed() const { return failed_; }
    explicit operator bool() const { return failed_; }

    const std::vector<DiagRecord>& records() const { return records_; }
    // Of the first record; "" and 0 when there is none.
    QString sqlState() const;
    long nativeCode() const;
    // The statement was cancelled (SQLSTATE HY008, or PostgreSQL's 57014).
    bool cancelled() const;
    // The connection is gone (see connectionLost()): only a new logon helps.
    bool connectionLost() const { return lost_; }

    // Every record, one a line ("SQLSTATE = 42P01, native error 7: ..."); the program's own
    // text; or, for a call that failed without diagnostics, a sentence that says so.
    QString text() const;
    // text(), led by a sentence saying that the connection is lost when it is, which the
    // driver's own text may not say.
    QString explained() const;

private:
    bool failed_ = false;
    bool lost_ = false;
    std::vector<DiagRecord> records_;
    QString own_;
};

} // namespace platform::odbc
