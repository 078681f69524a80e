#include "platform/odbc/error.h"

namespace platform::odbc {

Error Error::fromHandle(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle,
                        SQLHDBC connection) {
    Error error;
    error.failed_ = !SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA;
    if (!error.failed_)
        return error;
    error.records_ = diagnostics(handleType, handle);
    error.lost_ = odbc::connectionLost(connection, error.records_);
    return error;
}

Error Error::withText(QString text) {
    Error error;
    error.failed_ = true;
    error.own_ = std::move(text);
    return error;
}

QString Error::sqlState() const {
    return records_.empty() ? QString() : records_.front().sqlState;
}

long Error::nativeCode() const {
    return records_.empty() ? 0 : records_.front().nativeError;
}

bool Error::cancelled() const {
    const QString state = sqlState();
    return state == u"HY008" || state == u"57014";
}

QString Error::text() const {
    if (!failed_)
        return {};
    if (!own_.isEmpty())
        return own_;
    return records_.empty() ? QStringLiteral("The ODBC call failed without diagnostics.")
                            : formatDiagnostics(records_);
}

QString Error::explained() const {
    return lost_ ? lostConnectionText() + u'\n' + text() : text();
}

} // namespace platform::odbc
