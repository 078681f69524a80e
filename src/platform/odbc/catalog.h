#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>
#include <sql.h>
#include <thread>
#include <vector>

namespace platform::odbc {

// A table or view as the driver's own catalog lists it (SQLTables, SQLColumns).
struct CatalogTable {
    QString schema;
    QString name;
    QStringList columns; // in the table's order
};
using Catalog = std::vector<CatalogTable>;

// Stops a catalog read from another thread: between rows, and by cancelling the catalog call
// the driver is running.
class CatalogCancel {
public:
    void cancel();
    bool cancelled() const { return cancelled_; }
    // Around each catalog call of the read.
    void running(SQLHSTMT stmt);
    void done();

private:
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    SQLHSTMT running_ = nullptr;
};

// Reads every table and view of the connection, with their columns. On failure, or once
// cancelled, returns what was read (possibly nothing).
Catalog readCatalog(SQLHDBC connection, CatalogCancel& cancel);

// Reads a connection's catalog on a thread of its own, so that nobody waits for it; `ready` is
// emitted on the owner's thread once it has been read (or could not be). Going away, or stop(),
// cancels a read still running and waits for it.
class CatalogLoader final : public QObject {
    Q_OBJECT
public:
    explicit CatalogLoader(SQLHDBC connection, QObject* parent = nullptr);
    ~CatalogLoader() override;
    CatalogLoader(const CatalogLoader&) = delete;
    CatalogLoader& operator=(const CatalogLoader&) = delete;

    SQLHDBC connection() const { return connection_; }
    // Cancels a read still running and waits for it to end; what was read stays.
    void stop();
    bool isReady() const;
    // The catalog once ready (empty before, and when it could not be read).
    std::shared_ptr<const Catalog> catalog() const;

Q_SIGNALS:
    void ready();

private:
    Q_INVOKABLE void finished();

    SQLHDBC connection_;
    CatalogCancel cancel_;
    mutable std::mutex mutex_;
    std::shared_ptr<const Catalog> catalog_;
    bool ready_ = false;
    std::thread worker_;
};

// The catalog loader of a connection, shared by everyone who asks for that connection's
// catalog while one of them holds it; started when nobody does.
std::shared_ptr<CatalogLoader> sharedCatalog(SQLHDBC connection);

// True while a catalog read runs on `connection`.
bool catalogReadRunning(SQLHDBC connection);

// Stops the catalog reads running on `connection`, before the connection ends its transaction
// or goes (Transaction::Disconnect calls it): a read must never run on a freed connection.
void stopCatalogReads(SQLHDBC connection);

} // namespace platform::odbc
