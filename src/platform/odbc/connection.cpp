#include "platform/odbc/connection.h"

#include "platform/odbc/catalog.h"
#include "platform/odbc/dialect.h"
#include "platform/odbc/wide.h"
#include "platform/sql/isolation.h"

#include <QByteArray>

namespace platform::odbc {

std::shared_ptr<Connection> Connection::open(const QString& connectText, Error& error) {
    std::shared_ptr<Connection> connection(new Connection());
    connection->environment_ = sharedEnvironment();
    if (!connection->environment_) {
        error = Error::withText(
            QStringLiteral("The ODBC driver manager could not make an environment."));
        return nullptr;
    }
    ConnectionHandle& dbc = connection->handle_;
    SQLRETURN rc = ConnectionHandle::allocate(connection->environment_->get(), dbc);
    if (!SQL_SUCCEEDED(rc)) {
        error = Error::fromHandle(rc, SQL_HANDLE_ENV, connection->environment_->get());
        return nullptr;
    }
    SQLSetConnectAttrW(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(30)), 0);
    if (const auto parts = parseConnectText(connectText)) {
        rc = SQLConnectW(dbc.get(), wide(parts->dsn), static_cast<SQLSMALLINT>(parts->dsn.size()),
                         wide(parts->uid), static_cast<SQLSMALLINT>(parts->uid.size()),
                         wide(parts->pwd), static_cast<SQLSMALLINT>(parts->pwd.size()));
    } else {
        rc = SQLDriverConnectW(dbc.get(), nullptr, wide(connectText),
                               static_cast<SQLSMALLINT>(connectText.size()), nullptr, 0, nullptr,
                               SQL_DRIVER_NOPROMPT);
    }
    error = Error::fromHandle(rc, SQL_HANDLE_DBC, dbc.get());
    if (!SQL_SUCCEEDED(rc))
        return nullptr;
    connection->open_ = true;
    SQLSetConnectAttrW(dbc.get(), SQL_ATTR_AUTOCOMMIT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_OFF)),
                       SQL_IS_UINTEGER);
    connection->learnServer();
    error = Error();
    return connection;
}

void Connection::learnServer() {
    SQLWCHAR name[256] = {};
    SQLSMALLINT bytes = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(handle(), SQL_DBMS_NAME, name, sizeof(name), &bytes)))
        dbmsName_ = fromWide(name, bytes / static_cast<SQLSMALLINT>(sizeof(SQLWCHAR)));
    SQLUSMALLINT folding = SQL_IC_UPPER;
    if (SQL_SUCCEEDED(
            SQLGetInfoW(handle(), SQL_IDENTIFIER_CASE, &folding, sizeof(folding), nullptr))) {
        identifierCase_ = folding == SQL_IC_LOWER   ? sql::IdentifierCase::Lower
                          : folding == SQL_IC_UPPER ? sql::IdentifierCase::Upper
                                                    : sql::IdentifierCase::AsWritten;
    }
    if (!isDb2()) {
        // The system reads with Db2's uncommitted-read isolation; elsewhere the connection says
        // so once, where the driver offers it.
        SQLSetConnectAttrW(
            handle(), SQL_ATTR_TXN_ISOLATION,
            reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_TXN_READ_UNCOMMITTED)),
            SQL_IS_UINTEGER);
        charIsUtf8_ = probeCharEncoding();
    }
}

bool Connection::probeCharEncoding() {
    // A literal with a two-byte and a three-byte character, read back as SQL_C_CHAR. Servers
    // that want a FROM clause reject the probe, and their text is read as UTF-16.
    static const QString probe = QStringLiteral("select 'Z\u00eb\u6771' as probe");
    static const QByteArray expected = QStringLiteral("Z\u00eb\u6771").toUtf8();
    StatementHandle stmt;
    bool utf8 = false;
    if (SQL_SUCCEEDED(StatementHandle::allocate(handle(), stmt)) &&
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
    SQLEndTran(SQL_HANDLE_DBC, handle(), SQL_ROLLBACK);
    return utf8;
}

Connection::~Connection() {
    stopCatalogReads();
    if (open_) {
        SQLEndTran(SQL_HANDLE_DBC, handle(), SQL_ROLLBACK);
        SQLDisconnect(handle());
    }
}

bool Connection::isDb2() const {
    return isDb2DbmsName(dbmsName_);
}

QString Connection::statementFor(const QString& sql, bool db2) {
    const QString text = db2 ? sql : sql::stripIsolationClause(sql);
    // A driver may add to the statement (psqlODBC wraps it in a cursor of its own): a "--"
    // comment at its end ends on its line.
    return sql::endsInLineComment(text) ? text + u'\n' : text;
}

Error Connection::endTransaction(SQLSMALLINT completion) {
    return Error::fromHandle(SQLEndTran(SQL_HANDLE_DBC, handle(), completion), SQL_HANDLE_DBC,
                             handle());
}

Error Connection::disconnect() {
    stopCatalogReads();
    SQLRETURN rc = SQLDisconnect(handle());
    if (!SQL_SUCCEEDED(rc)) {
        // Most often work that is still open: give it up and try once more.
        SQLEndTran(SQL_HANDLE_DBC, handle(), SQL_ROLLBACK);
        rc = SQLDisconnect(handle());
    }
    // Still connected, the connection stays open, so that it stays usable and can be closed
    // later; freeing a connected handle would fail and leak it.
    if (SQL_SUCCEEDED(rc))
        open_ = false;
    return Error::fromHandle(rc, SQL_HANDLE_DBC, handle());
}

const std::vector<QString>* Connection::knownPrimaryKey(const QString& table) const {
    const auto it = primaryKeys_.find(table);
    return it == primaryKeys_.end() ? nullptr : &it->second;
}

void Connection::rememberPrimaryKey(const QString& table, std::vector<QString> columns) {
    primaryKeys_[table] = std::move(columns);
}

std::shared_ptr<CatalogLoader> Connection::catalog() {
    std::shared_ptr<CatalogLoader> loader = catalog_.lock();
    if (!loader) {
        loader = std::make_shared<CatalogLoader>(shared_from_this());
        catalog_ = loader;
    }
    return loader;
}

bool Connection::catalogReadRunning() const {
    const std::shared_ptr<CatalogLoader> loader = catalog_.lock();
    return loader && !loader->isReady();
}

void Connection::stopCatalogReads() {
    if (const std::shared_ptr<CatalogLoader> loader = catalog_.lock())
        loader->stop();
}

Statement Statement::allocate(std::shared_ptr<Connection> connection, Error& error) {
    Statement statement;
    const SQLRETURN rc = StatementHandle::allocate(connection->handle(), statement.handle_);
    error = Error::fromHandle(rc, SQL_HANDLE_DBC, connection->handle(), connection->handle());
    if (SQL_SUCCEEDED(rc))
        statement.connection_ = std::move(connection);
    return statement;
}

Error Statement::error(SQLRETURN rc) const {
    return Error::fromHandle(rc, SQL_HANDLE_STMT, handle_.get(),
                             connection_ ? connection_->handle() : SQL_NULL_HANDLE);
}

} // namespace platform::odbc
