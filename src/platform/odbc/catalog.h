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

class Connection;

// Reads a connection's catalog on a thread of its own, so that nobody waits for it; `ready` is
// emitted on the owner's thread once it has been read (or could not be). Going away, or stop(),
// cancels a read still running and waits for it. It holds the connection meanwhile; get one
// through Connection::catalog().
class CatalogLoader final : public QObject {
    Q_OBJECT
public:
    explicit CatalogLoader(std::shared_ptr<Connection> connection, QObject* parent = nullptr);
    ~CatalogLoader() override;
    CatalogLoader(const CatalogLoader&) = delete;
    CatalogLoader& operator=(const CatalogLoader&) = delete;

    Connection& connection() const { return *connection_; }
    // Cancels a read still running and waits for it to end; what was read stays.
    void stop();
    bool isReady() const;
    // The catalog once ready (empty before, and when it could not be read).
    std::shared_ptr<const Catalog> catalog() const;

Q_SIGNALS:
    void ready();

private:
    Q_INVOKABLE void finished();

    std::shared_ptr<Connection> connection_;
    CatalogCancel cancel_;
    mutable std::mutex mutex_;
    std::shared_ptr<const Catalog> catalog_;
    bool ready_ = false;
    std::thread worker_;
};

} // namespace platform::odbc
