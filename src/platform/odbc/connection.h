#pragma once

#include "platform/odbc/error.h"
#include "platform/odbc/handles.h"
#include "platform/sql/sql_text.h"

#include <QString>
#include <map>
#include <memory>
#include <vector>

namespace platform::odbc {

class CatalogLoader;

// One open ODBC connection in manual-commit mode, with what was learnt of its server at connect.
// Held by shared ownership: the slot that opened it, and every retrieval, statement and catalog
// read that runs on it, so that it cannot go while one of them still uses it. It is rolled back
// and closed when the last holder lets go.
class Connection final : public std::enable_shared_from_this<Connection> {
public:
    // Connects with a connect text "DSN=d;UID=u;PWD=p'" (split at its markers for SQLConnect)
    // or any other connection string (for the driver manager). Null, with `error`, on failure.
    static std::shared_ptr<Connection> open(const QString& connectText, Error& error);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    SQLHDBC handle() const { return handle_.get(); }

    // --- the server, as found at connect
    // SQL_DBMS_NAME ("PostgreSQL", "DB2/LINUXX8664" ...).
    const QString& dbmsName() const { return dbmsName_; }
    bool isDb2() const;
    // How the server folds names written without quotes (upper case when the driver does not
    // say).
    sql::IdentifierCase identifierCase() const { return identifierCase_; }
    // True when the driver hands out character data (SQL_C_CHAR) as UTF-8. Never assumed for
    // Db2, whose character data comes in the application's code page.
    bool charDataIsUtf8() const { return charIsUtf8_; }
    void setCharDataIsUtf8(bool utf8) { charIsUtf8_ = utf8; }
    // The statement as it goes to this server: verbatim for Db2; for any other server without a
    // trailing Db2 isolation clause; a trailing "--" comment ends on its line.
    QString statementFor(const QString& sql) const { return statementFor(sql, isDb2()); }
    static QString statementFor(const QString& sql, bool db2);

    // --- transactions
    // COMMIT or ROLLBACK (SQL_COMMIT, SQL_ROLLBACK) of the open unit of work.
    Error endTransaction(SQLSMALLINT completion);
    // Closes the connection; when the server cannot, the work is rolled back and it stays open.
    Error disconnect();
    bool isOpen() const { return open_; }

    // --- what the connection keeps
    // Primary keys looked up, by "schema.table" as the catalog names them.
    const std::vector<QString>* knownPrimaryKey(const QString& table) const;
    void rememberPrimaryKey(const QString& table, std::vector<QString> columns);
    // The reader of this connection's catalog, shared by everyone who asks while one of them
    // holds it; started when nobody does.
    std::shared_ptr<CatalogLoader> catalog();
    // True while the catalog is being read.
    bool catalogReadRunning() const;
    // Stops a catalog read still running, before the connection ends its transaction or closes.
    void stopCatalogReads();

private:
    Connection() = default;
    void learnServer();
    bool probeCharEncoding();

    std::shared_ptr<EnvironmentHandle> environment_;
    ConnectionHandle handle_;
    bool open_ = false;
    QString dbmsName_;
    bool charIsUtf8_ = false;
    sql::IdentifierCase identifierCase_ = sql::IdentifierCase::Upper;
    std::map<QString, std::vector<QString>> primaryKeys_;
    std::weak_ptr<CatalogLoader> catalog_;
};

// A statement handle on a shared connection, which it keeps open while it lives.
class Statement {
public:
    Statement() = default;
    // Allocates a statement on `connection`; an empty one, with `error`, on failure.
    static Statement allocate(std::shared_ptr<Connection> connection, Error& error);
    SQLHSTMT get() const { return handle_.get(); }
    explicit operator bool() const { return static_cast<bool>(handle_); }
    // The error of the last call on the statement, which returned `rc`; it knows whether the
    // connection is lost.
    Error error(SQLRETURN rc) const;
    // Frees the handle before the statement goes.
    void reset() { handle_.reset(); }

private:
    // Declared first so that the handle is freed before the connection goes.
    std::shared_ptr<Connection> connection_;
    StatementHandle handle_;
};

} // namespace platform::odbc
