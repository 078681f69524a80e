#include "platform/odbc/transaction.h"

#include "platform/odbc/catalog.h"
#include "platform/odbc/dialect.h"
#include "platform/odbc/sql_text.h"
#include "platform/odbc/wide.h"

#include <QByteArray>
#include <vector>

namespace platform {

using namespace odbc;

Transaction::Transaction(QString name) : name_(std::move(name)) {}

Transaction::~Transaction() {
    if (connection_) {
        stopCatalogReads(connection_.get());
        SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK);
        SQLDisconnect(connection_.get());
    }
}

void Transaction::clearResult() {
    SQLCode = 0;
    SQLDBCode = 0;
    SQLErrText.clear();
}

void Transaction::setError(const QString& text) {
    SQLCode = -1;
    SQLDBCode = -1;
    SQLErrText = text;
}

void Transaction::setResult(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
    if (SQL_SUCCEEDED(rc)) {
        clearResult();
        return;
    }
    if (rc == SQL_NO_DATA) {
        clearResult();
        SQLCode = 100;
        return;
    }
    const auto records = diagnostics(handleType, handle);
    SQLCode = -1;
    SQLDBCode = records.empty() ? -1 : records.front().nativeError;
    SQLErrText = records.empty() ? QStringLiteral("ODBC call failed with return code %1").arg(rc)
                                 : formatDiagnostics(records);
}

void Transaction::Connect() {
    if (connection_) {
        setError(QStringLiteral("Transaction %1 is already connected.").arg(name_));
        return;
    }
    if (DBMS.compare(u"ODBC", Qt::CaseInsensitive) != 0) {
        setError(QStringLiteral("Database interface '%1' is not supported; use ODBC.").arg(DBMS));
        return;
    }
    if (!environment_)
        environment_ = sharedEnvironment();
    if (!environment_) {
        setError(QStringLiteral("The ODBC driver manager could not make an environment."));
        return;
    }
    ConnectionHandle dbc;
    SQLRETURN rc = ConnectionHandle::allocate(environment_->get(), dbc);
    if (!SQL_SUCCEEDED(rc)) {
        setResult(rc, SQL_HANDLE_ENV, environment_->get());
        return;
    }
    SQLSetConnectAttrW(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(30)), 0);

    if (const auto parts = parseConnectText(DBParm)) {
        rc = SQLConnectW(dbc.get(), wide(parts->dsn), static_cast<SQLSMALLINT>(parts->dsn.size()),
                         wide(parts->uid), static_cast<SQLSMALLINT>(parts->uid.size()),
                         wide(parts->pwd), static_cast<SQLSMALLINT>(parts->pwd.size()));
    } else {
        rc = SQLDriverConnectW(dbc.get(), nullptr, wide(DBParm),
                               static_cast<SQLSMALLINT>(DBParm.size()), nullptr, 0, nullptr,
                               SQL_DRIVER_NOPROMPT);
    }
    setResult(rc, SQL_HANDLE_DBC, dbc.get());
    if (!SQL_SUCCEEDED(rc))
        return;

    connection_ = std::move(dbc);
    primaryKeys_.clear();
    SQLSetConnectAttrW(connection_.get(), SQL_ATTR_AUTOCOMMIT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_OFF)),
                       SQL_IS_UINTEGER);

    SQLWCHAR name[256] = {};
    SQLSMALLINT bytes = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(connection_.get(), SQL_DBMS_NAME, name, sizeof(name), &bytes)))
        dbmsName_ = fromWide(name, bytes / static_cast<SQLSMALLINT>(sizeof(SQLWCHAR)));
    SQLUSMALLINT folding = SQL_IC_UPPER;
    if (SQL_SUCCEEDED(SQLGetInfoW(connection_.get(), SQL_IDENTIFIER_CASE, &folding, sizeof(folding),
                                  nullptr))) {
        identifierCase_ = folding == SQL_IC_LOWER   ? IdentifierCase::Lower
                          : folding == SQL_IC_UPPER ? IdentifierCase::Upper
                                                    : IdentifierCase::AsWritten;
    }
    if (!isDb2()) {
        // The system reads with Db2's uncommitted-read isolation; elsewhere the connection says
        // so once, where the driver offers it.
        SQLSetConnectAttrW(
            connection_.get(), SQL_ATTR_TXN_ISOLATION,
            reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_TXN_READ_UNCOMMITTED)),
            SQL_IS_UINTEGER);
        charIsUtf8_ = probeCharEncoding();
    }
    clearResult();
}

bool Transaction::probeCharEncoding() {
    // A literal with a two-byte and a three-byte character, read back as SQL_C_CHAR. Servers
    // that want a FROM clause reject the probe, and their text is read as UTF-16.
    static const QString probe = QStringLiteral("select 'Z\u00eb\u6771' as probe");
    static const QByteArray expected = QStringLiteral("Z\u00eb\u6771").toUtf8();
    odbc::StatementHandle stmt;
    bool utf8 = false;
    if (SQL_SUCCEEDED(odbc::StatementHandle::allocate(connection_.get(), stmt)) &&
        SQL_SUCCEEDED(SQLExecDirectW(stmt.get(), wide(probe), wideLength(probe))) &&
        SQL_SUCCEEDED(SQLFetch(stmt.get()))) {
        char buffer[32] = {};
        SQLLEN length = 0;
        if (SQL_SUCCEEDED(SQLGetData(stmt.get(), 1, SQL_C_CHAR, buffer, sizeof(buffer), &length)) &&
            length == expected.size())
            utf8 = QByteArray(buffer, static_cast<qsizetype>(length)) == expected;
    }
    stmt.reset();
    // Leave the connection as it was: no transaction open.
    SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK);
    return utf8;
}

void Transaction::Disconnect() {
    if (!connection_) {
        setError(QStringLiteral("Transaction %1 is not connected.").arg(name_));
        return;
    }
    if (refuseWhileRetrieving())
        return;
    stopCatalogReads(connection_.get());
    const SQLRETURN commit = SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_COMMIT);
    setResult(commit, SQL_HANDLE_DBC, connection_.get());
    if (!SQL_SUCCEEDED(commit))
        SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK);
    const long commitCode = SQLCode;
    const QString commitText = SQLErrText;
    SQLRETURN rc = SQLDisconnect(connection_.get());
    if (!SQL_SUCCEEDED(rc)) {
        // Most often work that is still open: give it up and try once more.
        SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK);
        rc = SQLDisconnect(connection_.get());
    }
    setResult(rc, SQL_HANDLE_DBC, connection_.get());
    if (!SQL_SUCCEEDED(rc)) {
        // Still connected: the slot keeps its connection, so that it stays usable and can be
        // closed later; freeing a connected handle would fail and leak it.
        return;
    }
    connection_.reset();
    pendingWrites_ = false;
    dbmsName_.clear();
    charIsUtf8_ = false;
    identifierCase_ = IdentifierCase::Upper;
    primaryKeys_.clear();
    if (SQLCode == 0 && commitCode != 0) {
        SQLCode = commitCode;
        SQLErrText = commitText;
    }
}

const std::vector<QString>* Transaction::knownPrimaryKey(const QString& table) const {
    const auto it = primaryKeys_.find(table);
    return it == primaryKeys_.end() ? nullptr : &it->second;
}

void Transaction::rememberPrimaryKey(const QString& table, std::vector<QString> columns) {
    primaryKeys_[table] = std::move(columns);
}

QString Transaction::busyText() {
    return QStringLiteral("The connection is still retrieving rows. Stop the retrieval or wait "
                          "until it ends.");
}

bool Transaction::refuseWhileRetrieving() {
    if (retrievals_ == 0)
        return false;
    setError(busyText());
    return true;
}

void Transaction::endTransaction(SQLSMALLINT completion) {
    if (!connection_) {
        setError(QStringLiteral("Transaction %1 is not connected.").arg(name_));
        return;
    }
    if (refuseWhileRetrieving())
        return;
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, connection_.get(), completion);
    setResult(rc, SQL_HANDLE_DBC, connection_.get());
    if (SQL_SUCCEEDED(rc) || completion == SQL_ROLLBACK)
        pendingWrites_ = false;
}

void Transaction::endReadWork() {
    if (!connection_ || retrievals_ > 0 || pendingWrites_ || catalogReadRunning(connection_.get()))
        return;
    // Nothing was written: COMMIT and ROLLBACK end the same empty unit of work. Whatever
    // the server says is no news for the windows, which read the status fields of their own
    // operations.
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_COMMIT)))
        SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK);
}

void Transaction::Commit() {
    endTransaction(SQL_COMMIT);
}

void Transaction::Rollback() {
    endTransaction(SQL_ROLLBACK);
}

bool Transaction::isDb2() const {
    return isDb2DbmsName(dbmsName_);
}

QString Transaction::statementFor(const QString& sql) const {
    const QString text = isDb2() ? sql : stripIsolationClause(sql);
    // A driver may add to the statement (psqlODBC wraps it in a cursor of its own): a "--"
    // comment at its end ends on its line.
    return endsInLineComment(text) ? text + u'\n' : text;
}

} // namespace platform
