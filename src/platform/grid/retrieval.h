#pragma once

#include "platform/grid/column.h"
#include "platform/grid/rowstore.h"
#include "platform/odbc/error.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
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
// fetch straight into the grid's row store, committing each block; the user-interface thread
// reads the committed rows meanwhile. stop() ends the fetch loop and closes the cursor, and
// cancels a statement that the server is still executing.
class Retrieval {
public:
    // The tables and views that the driver's own catalog lists (SQLTables with the table types
    // TABLE and VIEW), read instead of a statement's rows. Grid column i takes the catalog's
    // result column resultColumns[i], counted from 1 (TABLE_CAT, TABLE_SCHEM, TABLE_NAME,
    // TABLE_TYPE, REMARKS); where that is 0 the grid column stays NULL.
    struct TableCatalog {
        std::vector<SQLUSMALLINT> resultColumns;
    };

    // The rows go into `rows`, which nobody else changes until the retrieval has been joined.
    // `wake` is called on the worker thread whenever rows are committed or the work has ended.
    // The retrieval holds the connection until it goes.
    Retrieval(std::shared_ptr<odbc::Connection> connection, QString statement, RowStore& rows,
              std::function<void()> wake);
    // Reads the table catalog into a grid of catalog.resultColumns.size() columns.
    Retrieval(std::shared_ptr<odbc::Connection> connection, TableCatalog catalog, RowStore& rows,
              std::function<void()> wake);
    ~Retrieval();
    Retrieval(const Retrieval&) = delete;
    Retrieval& operator=(const Retrieval&) = delete;

    void start();
    void stop();
    // Waits for the worker to end.
    void join();

    // The reader has taken the committed rows before `rows`; the worker fetches no further than
    // kAheadRows past them, so that a reader that stops early has not made it read far ahead.
    void taken(std::size_t rows);
    // The most memory the rows may hold (allocated, or filled once the next block is in): a
    // block that would take them past it is not committed, and the work ends as a stop does.
    void setMemoryBudget(std::size_t bytes) { budget_.store(bytes, std::memory_order_relaxed); }

    // True once the worker has ended; every row it committed is in the store by then.
    bool done() const;
    // The error that ended the work (none when it ended normally or was stopped).
    odbc::Error error() const;
    // True when the work ended because memory ran out; the rows committed before stay.
    bool outOfMemory() const;
    // True when a block went past the memory budget, or would have made a column outgrow what
    // the store can address (4 GiB); the rows committed before stay.
    bool overBudget() const { return overBudget_.load(); }
    bool overflow() const { return overflow_.load(); }

    // For tests: runs on the worker right before the statement goes to the driver.
    void setBeforeExecute(std::function<void()> hook) { beforeExecute_ = std::move(hook); }

    // Blocks hold at most this many rows; the first one is smaller, so that the first rows show
    // at once.
    static constexpr std::size_t kBlockRows = 1024;
    static constexpr std::size_t kFirstBlockRows = 32;
    static constexpr std::size_t kAheadRows = 8 * kBlockRows;

private:
    void run();
    bool runStatement(SQLHSTMT stmt);
    SQLRETURN execute(SQLHSTMT stmt);
    bool describeResult(SQLHSTMT stmt, SQLSMALLINT count, std::vector<struct FetchColumn>& columns,
                        bool& anyLong);
    bool fetchBlocks(SQLHSTMT stmt, const std::vector<struct FetchColumn>& columns);
    bool bindBlock(SQLHSTMT stmt, const std::vector<struct FetchColumn>& columns,
                   struct BlockBuffers& buffers);
    // Appends the `rows` rows of a fetched block to the store, without committing them.
    bool appendBlock(const struct BlockBuffers& buffers,
                     const std::vector<struct FetchColumn>& columns, std::size_t rows,
                     std::vector<char>& utf8);
    bool fetchRows(SQLHSTMT stmt, const std::vector<struct FetchColumn>& columns);
    // Commits the `count` rows appended last, unless they take the store past its memory budget
    // or past 4 GiB in a column; false (and the work stops) when they do.
    bool commit(std::size_t count, std::size_t allocatedBefore);
    // Waits until the reader is no more than kAheadRows behind; false when stopped.
    bool waitForReader();
    void fail(odbc::Error error);
    void fail(SQLSMALLINT handleType, SQLHANDLE handle);
    void fail(const QString& text);

    std::shared_ptr<odbc::Connection> connection_;
    QString statement_;
    bool tableCatalog_ = false;
    RowStore& rows_;
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
    std::atomic<std::size_t> budget_{SIZE_MAX};
    std::atomic<bool> overBudget_{false};
    std::atomic<bool> overflow_{false};

    mutable std::mutex mutex_;
    std::condition_variable room_;
    std::condition_variable executed_;
    std::size_t taken_ = 0;
    bool finished_ = false;
    bool outOfMemory_ = false;
    odbc::Error error_;
    SQLHSTMT executing_ = nullptr; // the statement while the server executes it
};

} // namespace platform::grid
