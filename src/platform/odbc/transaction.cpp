#include "platform/odbc/transaction.h"

#include "platform/odbc/catalog.h"

#include <utility>
#include <vector>

namespace platform {

using namespace odbc;

Transaction::Transaction(QString name) : name_(std::move(name)) {}

Transaction::~Transaction() {
    if (connection_)
        connection_->stopCatalogReads();
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

void Transaction::setResult(const Error& error) {
    if (!error) {
        clearResult();
        return;
    }
    SQLCode = -1;
    SQLDBCode = error.records().empty() ? -1 : error.nativeCode();
    SQLErrText = error.text();
}

void Transaction::setResult(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
    if (rc == SQL_NO_DATA) {
        clearResult();
        SQLCode = 100;
        return;
    }
    const Error error = Error::fromHandle(rc, handleType, handle);
    setResult(error);
    if (error && error.records().empty())
        SQLErrText = QStringLiteral("ODBC call failed with return code %1").arg(rc);
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
    Error error;
    connection_ = Connection::open(DBParm, error);
    setResult(error);
}

void Transaction::Disconnect() {
    if (!connection_) {
        setError(QStringLiteral("Transaction %1 is not connected.").arg(name_));
        return;
    }
    if (refuseWhileRetrieving())
        return;
    connection_->stopCatalogReads();
    const Error commit = connection_->endTransaction(SQL_COMMIT);
    if (commit)
        connection_->endTransaction(SQL_ROLLBACK);
    const Error closed = connection_->disconnect();
    setResult(closed ? closed : commit);
    // Still connected: the slot keeps its connection, so that it stays usable and can be closed
    // later.
    if (closed)
        return;
    connection_.reset();
    pendingWrites_ = false;
}

const QString& Transaction::dbmsName() const {
    static const QString none;
    return connection_ ? connection_->dbmsName() : none;
}

sql::IdentifierCase Transaction::identifierCase() const {
    return connection_ ? connection_->identifierCase() : sql::IdentifierCase::Upper;
}

QString Transaction::statementFor(const QString& sql) const {
    return connection_ ? connection_->statementFor(sql) : Connection::statementFor(sql, false);
}

const std::vector<QString>* Transaction::knownPrimaryKey(const QString& table) const {
    return connection_ ? connection_->knownPrimaryKey(table) : nullptr;
}

void Transaction::rememberPrimaryKey(const QString& table, std::vector<QString> columns) {
    if (connection_)
        connection_->rememberPrimaryKey(table, std::move(columns));
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
    const Error error = connection_->endTransaction(completion);
    setResult(error);
    if (!error || completion == SQL_ROLLBACK)
        pendingWrites_ = false;
}

void Transaction::endReadWork() {
    if (!connection_ || retrievals_ > 0 || pendingWrites_ || connection_->catalogReadRunning())
        return;
    // Nothing was written: COMMIT and ROLLBACK end the same empty unit of work. Whatever
    // the server says is no news for the windows, which read the status fields of their own
    // operations.
    if (connection_->endTransaction(SQL_COMMIT))
        connection_->endTransaction(SQL_ROLLBACK);
}

bool Transaction::endWorkWhenIdle(bool commit) {
    const SQLSMALLINT completion = commit ? SQL_COMMIT : SQL_ROLLBACK;
    if (retrievals_ > 0) {
        waitingEnd_ = completion;
        return false;
    }
    endTransaction(completion);
    return true;
}

void Transaction::runWaitingEnd() noexcept {
    if (waitingEnd_ < 0 || !connection_)
        return;
    const SQLSMALLINT completion = std::exchange(waitingEnd_, SQLSMALLINT{-1});
    const odbc::Error error = connection_->endTransaction(completion);
    if (!error || completion == SQL_ROLLBACK)
        pendingWrites_ = false;
}

void Transaction::Commit() {
    endTransaction(SQL_COMMIT);
}

void Transaction::Rollback() {
    endTransaction(SQL_ROLLBACK);
}

} // namespace platform
