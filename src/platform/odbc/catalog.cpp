#include "platform/odbc/catalog.h"

#include "platform/odbc/connection.h"
#include "platform/odbc/handles.h"
#include "platform/odbc/values.h"
#include "platform/odbc/wide.h"

#include <QMetaObject>
#include <map>
#include <sqlext.h>
#include <utility>

namespace platform::odbc {

namespace {

QString columnText(SQLHSTMT stmt, SQLUSMALLINT column) {
    std::vector<char> buffer(512);
    std::vector<char> value;
    if (readValue(stmt, column, SQL_C_WCHAR, buffer, value) != ValueRead::Value)
        return {};
    return fromWide(reinterpret_cast<const SQLWCHAR*>(value.data()),
                    static_cast<qsizetype>(value.size() / sizeof(SQLWCHAR)));
}

// Runs a catalog function on a fresh statement and hands every row to `row`; false when it
// failed or was cancelled.
template <typename Call, typename Row>
bool eachRow(SQLHDBC connection, CatalogCancel& cancel, Call call, Row row) {
    StatementHandle stmt;
    if (!SQL_SUCCEEDED(StatementHandle::allocate(connection, stmt)))
        return false;
    cancel.running(stmt.get());
    const bool read = [&] {
        if (cancel.cancelled() || !SQL_SUCCEEDED(call(stmt.get())))
            return false;
        SQLRETURN rc = SQL_SUCCESS;
        while (!cancel.cancelled() && SQL_SUCCEEDED(rc = SQLFetch(stmt.get())))
            row(stmt.get());
        return rc == SQL_NO_DATA && !cancel.cancelled();
    }();
    cancel.done();
    SQLFreeStmt(stmt.get(), SQL_CLOSE);
    return read;
}

} // namespace

void CatalogCancel::cancel() {
    cancelled_ = true;
    const std::lock_guard lock(mutex_);
    if (running_ != nullptr)
        SQLCancel(running_);
}

void CatalogCancel::running(SQLHSTMT stmt) {
    const std::lock_guard lock(mutex_);
    running_ = stmt;
}

void CatalogCancel::done() {
    const std::lock_guard lock(mutex_);
    running_ = nullptr;
}

Catalog readCatalog(SQLHDBC connection, CatalogCancel& cancel) {
    Catalog catalog;
    std::map<std::pair<QString, QString>, std::size_t> index;
    const QString types = QStringLiteral("TABLE,VIEW");
    const bool tablesRead = eachRow(
        connection, cancel,
        [&](SQLHSTMT stmt) {
            return SQLTablesW(stmt, nullptr, 0, nullptr, 0, nullptr, 0, wide(types),
                              static_cast<SQLSMALLINT>(types.size()));
        },
        [&](SQLHSTMT stmt) {
            // TABLE_SCHEM is column 2, TABLE_NAME column 3.
            CatalogTable table{columnText(stmt, 2), columnText(stmt, 3), {}};
            if (table.name.isEmpty())
                return;
            index.emplace(std::make_pair(table.schema, table.name), catalog.size());
            catalog.push_back(std::move(table));
        });
    if (!tablesRead)
        return catalog;
    eachRow(
        connection, cancel,
        [](SQLHSTMT stmt) {
            return SQLColumnsW(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
        },
        [&](SQLHSTMT stmt) {
            // TABLE_SCHEM 2, TABLE_NAME 3, COLUMN_NAME 4; rows come in column order per table.
            const auto found = index.find({columnText(stmt, 2), columnText(stmt, 3)});
            if (found != index.end())
                catalog[found->second].columns << columnText(stmt, 4);
        });
    return catalog;
}

CatalogLoader::CatalogLoader(std::shared_ptr<Connection> connection, QObject* parent)
    : QObject(parent), connection_(std::move(connection)) {
    worker_ = std::thread([this] {
        auto catalog = std::make_shared<const Catalog>(readCatalog(connection_->handle(), cancel_));
        {
            const std::lock_guard lock(mutex_);
            catalog_ = std::move(catalog); // what could be read; nothing is offered otherwise
        }
        QMetaObject::invokeMethod(this, "finished", Qt::QueuedConnection);
    });
}

CatalogLoader::~CatalogLoader() {
    stop();
}

void CatalogLoader::stop() {
    cancel_.cancel();
    if (worker_.joinable())
        worker_.join();
}

void CatalogLoader::finished() {
    {
        const std::lock_guard lock(mutex_);
        ready_ = true;
    }
    Q_EMIT ready();
}

bool CatalogLoader::isReady() const {
    const std::lock_guard lock(mutex_);
    return ready_;
}

std::shared_ptr<const Catalog> CatalogLoader::catalog() const {
    const std::lock_guard lock(mutex_);
    return ready_ && catalog_ ? catalog_ : std::make_shared<const Catalog>();
}

} // namespace platform::odbc
