#pragma once

#include "platform/odbc/diagnostics.h"
#include "platform/odbc/handles.h"
#include "platform/odbc/sql_text.h"

#include <QString>
#include <map>
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

    const QString& name() const { return name_; }
    bool isConnected() const { return static_cast<bool>(connection_); }
    // SQL_DBMS_NAME of the connected server ("PostgreSQL", "DB2/LINUXX8664" ...).
    const QString& dbmsName() const { return dbmsName_; }
    bool isDb2() const;
    // How the server folds names written without quotes (SQL_IDENTIFIER_CASE; upper case when
    // the driver does not say).
    odbc::IdentifierCase identifierCase() const { return identifierCase_; }
    // The statement as it goes to this server: verbatim for Db2; for any other server without a
    // trailing Db2 isolation clause.
    QString statementFor(const QString& sql) const;
    // True when the driver hands out character data (SQL_C_CHAR) as UTF-8, so that text can be
    // read without converting it from UTF-16. Found out once at connect, never assumed for Db2,
    // whose character data comes in the application's code page.
    bool charDataIsUtf8() const { return charIsUtf8_; }
    void setCharDataIsUtf8(bool utf8) { charIsUtf8_ = utf8; }
    // The connection handle, for statements run on this slot; SQL_NULL_HANDLE when unconnected.
    SQLHDBC handle() const { return connection_.get(); }

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
        // Ends the claim before the object goes.
        void release() noexcept {
            if (slot_ != nullptr)
                --std::exchange(slot_, nullptr)->retrievals_;
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

    // Records an ODBC result for an operation on `handle`: success clears the error fields.
    void setResult(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle);
    void setError(const QString& text);

private:
    void endTransaction(SQLSMALLINT completion);
    bool refuseWhileRetrieving();
    bool probeCharEncoding();
    void clearResult();

    QString name_;
    QString dbmsName_;
    bool charIsUtf8_ = false;
    odbc::IdentifierCase identifierCase_ = odbc::IdentifierCase::Upper;
    int retrievals_ = 0;
    bool pendingWrites_ = false;
    std::map<QString, std::vector<QString>> primaryKeys_;
    std::shared_ptr<odbc::EnvironmentHandle> environment_;
    odbc::ConnectionHandle connection_;
};

} // namespace platform
