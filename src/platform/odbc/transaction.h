#pragma once

#include "platform/odbc/connection.h"
#include "platform/odbc/error.h"
#include "platform/sql/sql_text.h"

#include <QString>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

// A connection slot: the system's transaction object. It reaches a database through ODBC in
// manual-commit mode, so that COMMIT and ROLLBACK end the work done since the last of them.
//
// DBMS names the interface ("ODBC"); DBParm is the connect text "DSN=d;UID=u;PWD=p'", which
// Connect() splits at its markers and hands to SQLConnect. Any other DBParm text is passed to
// the driver manager as a connection string. Every operation sets SQLCode: 0 on success, 100 when
// nothing was found, -1 on error, with SQLDBCode (the native code of the first diagnostic) and
// SQLErrText (every diagnostic record: SQLSTATE, native code and the driver's text).
//
// The connection itself is an odbc::Connection, shared with the retrievals and catalog reads that
// run on it; the slot is the adapter that fills the status fields the windows read.
class Transaction {
public:
    explicit Transaction(QString name = {});
    // An open connection is rolled back and closed.
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    QString DBMS;
    QString DBParm;
    long SQLCode = 0;
    long SQLDBCode = 0;
    QString SQLErrText;

    void Connect();
    // Commits the open work, then closes the connection. When the server cannot end the
    // connection, the work is rolled back and the connection stays open, with SQLCode -1.
    void Disconnect();
    void Commit();
    void Rollback();
    // COMMIT (or ROLLBACK) now, or, while a retrieval runs on the connection, as soon as the last
    // one ends: what the user decided about the unit of work is not lost because another sheet
    // is still reading. True when it ran now.
    bool endWorkWhenIdle(bool commit);

    const QString& name() const { return name_; }
    bool isConnected() const { return static_cast<bool>(connection_); }
    // The open connection, for work that runs on it; null when unconnected.
    const std::shared_ptr<odbc::Connection>& connection() const { return connection_; }
    // The connection handle, for statements run on this slot while it lives; SQL_NULL_HANDLE
    // when unconnected.
    SQLHDBC handle() const { return connection_ ? connection_->handle() : SQL_NULL_HANDLE; }
    // What the connected server is (see odbc::Connection); empty or defaults when unconnected.
    const QString& dbmsName() const;
    bool isDb2() const { return connection_ && connection_->isDb2(); }
    sql::IdentifierCase identifierCase() const;
    QString statementFor(const QString& sql) const;
    bool charDataIsUtf8() const { return connection_ && connection_->charDataIsUtf8(); }
    void setCharDataIsUtf8(bool utf8) {
        if (connection_)
            connection_->setCharDataIsUtf8(utf8);
    }

    // Retrievals that have a statement open on this connection. While there is one, COMMIT,
    // ROLLBACK and DISCONNECT would close its cursor under it: they fail instead (SQLCode -1)
    // and change nothing.
    bool retrieving() const { return retrievals_ > 0; }
    static QString busyText();

    // A retrieval's claim on the connection: retrieving() holds while any claim lives.
    class RetrievalClaim {
    public:
        RetrievalClaim() = default;
        RetrievalClaim(RetrievalClaim&& other) noexcept
            : slot_(std::exchange(other.slot_, nullptr)) {}
        RetrievalClaim& operator=(RetrievalClaim&& other) noexcept {
            if (this != &other) {
                release();
                slot_ = std::exchange(other.slot_, nullptr);
            }
            return *this;
        }
        ~RetrievalClaim() { release(); }
        // Ends the claim before the object goes; the last claim to end runs a COMMIT or
        // ROLLBACK that waited for it (endWorkWhenIdle()).
        void release() noexcept {
            if (slot_ == nullptr)
                return;
            Transaction* slot = std::exchange(slot_, nullptr);
            if (--slot->retrievals_ == 0)
                slot->runWaitingEnd();
        }

    private:
        friend class Transaction;
        explicit RetrievalClaim(Transaction& slot) : slot_(&slot) { ++slot.retrievals_; }
        Transaction* slot_ = nullptr;
    };
    [[nodiscard]] RetrievalClaim claimForRetrieval() { return RetrievalClaim(*this); }

    // Work written on this connection and not yet committed or rolled back (a grid's Update
    // ran statements). Only such work keeps the unit of work open after reading.
    bool hasPendingWrites() const { return pendingWrites_; }
    void wrote() { pendingWrites_ = true; }
    // Ends the unit of work that reading opened, so that the locks of reading go (on Db2 an open
    // unit of work blocks ALTER, REORG and DROP of the tables read; on other servers the session
    // stays "idle in transaction"). Does nothing while a retrieval or a catalog read runs on the
    // connection or work is pending. Leaves SQLCode and the other status fields as they are.
    void endReadWork();

    // Primary keys this connection has looked up, by "schema.table" as the catalog names them:
    // a grid built again over the same table (the linked view rebuilds its grids at every click)
    // asks the catalog once. Forgotten when the connection closes.
    const std::vector<QString>* knownPrimaryKey(const QString& table) const;
    void rememberPrimaryKey(const QString& table, std::vector<QString> columns);

    // Records the outcome of an operation: no error clears the status fields.
    void setResult(const odbc::Error& error);
    // Records an ODBC result for an operation on `handle`.
    void setResult(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle);
    void setError(const QString& text);

private:
    void endTransaction(SQLSMALLINT completion);
    bool refuseWhileRetrieving();
    void runWaitingEnd() noexcept;
    void clearResult();

    QString name_;
    int retrievals_ = 0;
    bool pendingWrites_ = false;
    SQLSMALLINT waitingEnd_ = -1; // SQL_COMMIT or SQL_ROLLBACK waiting for the retrievals
    std::shared_ptr<odbc::Connection> connection_;
};

} // namespace platform
