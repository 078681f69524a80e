#pragma once

#include "platform/grid/column.h"
#include "platform/grid/rowstore.h"
#include "platform/odbc/error.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <sql.h>
#include <thread>
#include <utility>
#include <vector>

namespace platform::odbc {
class Connection;
}

namespace platform::grid {

// Runs one SELECT, or reads the driver's table catalog, on a worker thread: execute, then block
// fetch into columnar batches that the user-interface thread takes in turn. stop() ends the
// fetch loop and closes the cursor, and cancels a statement that the server is still executing.
class Retrieval {
public:
    // The tables and views that the driver's own catalog lists (SQLTables with the table types
    // TABLE and VIEW), read instead of a statement's rows. Grid column i takes the catalog's
    // result column resultColumns[i], counted from 1 (TABLE_CAT, TABLE_SCHEM, TABLE_NAME,
    // TABLE_TYPE, REMARKS); where that is 0 the grid column stays NULL.
    struct TableCatalog {
        std::vector<SQLUSMALLINT> resultColumns;
    };

    // `wake` is called on the worker thread whenever a batch is ready or the work has ended.
    // The retrieval holds the connection until it goes.
    Retrieval(std::shared_ptr<odbc::Connection> connection, QString statement, std::size_t columns,
              std::function<void()> wake);
    // Reads the table catalog into a grid of catalog.resultColumns.size() columns.
    Retrieval(std::shared_ptr<odbc::Connection> connection, TableCatalog catalog,
              std::function<void()> wake);
    ~Retrieval();
    Retrieval(const Retrieval&) = delete;
    Retrieval& operator=(const Retrieval&) = delete;

    void start();
    void stop();
    // Waits for the worker to end.
    void join();

    // A batch of rows taken by the user-interface thread. Dropping it hands its memory back to
    // the worker, which fills it again: batches are allocated once per retrieval, not once per
    // block, and never freed by the thread that does not fill them.
    class Batch {
    public:
        Batch() = default;
        Batch(Batch&& other) noexcept;
        Batch& operator=(Batch&& other) noexcept;
        ~Batch();
        explicit operator bool() const { return rows_ != nullptr; }
        const RowStore& operator*() const { return *rows_; }
        const RowStore* operator->() const { return rows_.get(); }

    private:
        friend class Retrieval;
        Batch(Retrieval* owner, std::unique_ptr<RowStore> rows)
            : owner_(owner), rows_(std::move(rows)) {}
        void giveBack();

        Retrieval* owner_ = nullptr;
        std::unique_ptr<RowStore> rows_;
    };

    // The next batch, or an empty one when none is waiting. Every batch must be dropped before
    // the retrieval is.
    Batch takeBatch();
    // True while a batch waits to be taken.
    bool batchWaiting() const;
    // True once the worker has ended and every batch has been taken.
    bool done() const;
    // The error that ended the work (none when it ended normally or was stopped).
    odbc::Error error() const;
    // True when the work ended because memory ran out; the batches delivered before stay.
    bool outOfMemory() const;
    bool stopped() const { return stop_.load(); }

    // For tests: runs on the worker right before the statement goes to the driver.
    void setBeforeExecute(std::function<void()> hook) { beforeExecute_ = std::move(hook); }

    // Batches hold at most this many rows; the first ones are smaller, so that the first rows
    // show at once.
    static constexpr std::size_t kBlockRows = 1024;
    static constexpr std::size_t kFirstBlockRows = 32;
    static constexpr std::size_t kQueuedBatches = 8;

private:
    void run();
    bool runStatement(SQLHSTMT stmt);
    SQLRETURN execute(SQLHSTMT stmt);
    bool describeResult(SQLHSTMT stmt, SQLSMALLINT count, std::vector<struct FetchColumn>& columns,
                        bool& anyLong);
    bool fetchBlocks(SQLHSTMT stmt, const std::vector<struct FetchColumn>& columns);
    bool bindBlock(SQLHSTMT stmt, const std::vector<struct FetchColumn>& columns,
                   struct BlockBuffers& buffers);
    // Appends the `rows` rows of a fetched block to `batch`.
    bool appendBlock(const struct BlockBuffers& buffers,
                     const std::vector<struct FetchColumn>& columns, std::size_t rows,
                     RowStore& batch, std::vector<char>& utf8);
    bool fetchRows(SQLHSTMT stmt, const std::vector<struct FetchColumn>& columns);
    bool deliver(std::unique_ptr<RowStore> batch);
    // An empty batch: one given back, or a new one while there are not enough of them yet.
    std::unique_ptr<RowStore> emptyBatch();
    void fail(odbc::Error error);
    void fail(SQLSMALLINT handleType, SQLHANDLE handle);
    void fail(const QString& text);

    std::shared_ptr<odbc::Connection> connection_;
    QString statement_;
    bool tableCatalog_ = false;
    std::size_t columns_;
    // The result column that each grid column reads, from 1; 0 for none.
    std::vector<SQLUSMALLINT> resultColumns_;
    bool utf8Char_;
    std::function<void()> wake_;
    std::function<void()> beforeExecute_;
    std::thread worker_;
    // Cancels the statement again and again until the driver returns from executing it.
    std::thread canceller_;
    std::atomic<bool> stop_{false};

    mutable std::mutex mutex_;
    std::condition_variable space_;
    std::condition_variable executed_;
    std::deque<std::unique_ptr<RowStore>> batches_;
    std::vector<std::unique_ptr<RowStore>> spare_; // given back, to be filled again
    bool finished_ = false;
    bool outOfMemory_ = false;
    odbc::Error error_;
    SQLHSTMT executing_ = nullptr; // the statement while the server executes it
};

} // namespace platform::grid
