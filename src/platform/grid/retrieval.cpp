#include "platform/grid/retrieval.h"

#include "platform/odbc/connection.h"
#include "platform/odbc/handles.h"
#include "platform/odbc/values.h"
#include "platform/odbc/wide.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <sqlext.h>
#include <sqlucode.h>
#include <utility>

namespace platform::grid {

using odbc::StatementHandle;

// How one grid column is read.
struct FetchColumn {
    // The result column it reads, from 1; 0 when the result has none for it (the cell is NULL).
    SQLUSMALLINT source = 0;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    SQLULEN size = 0;
    bool binary = false;
    bool longData = false;
    std::size_t width = 0; // characters (bytes for binary) per bound cell, terminator included
};

// The column-wise buffers a block of rows is fetched into: text as UTF-16, or bytes (binary
// data, and UTF-8 text where the driver hands it out so), with an indicator for each cell.
struct BlockBuffers {
    std::vector<std::vector<char16_t>> text;
    std::vector<std::vector<char>> raw;
    std::vector<std::vector<SQLLEN>> indicators;
};

namespace {

constexpr SQLULEN kLongLimit = 8000;

bool isLongType(SQLSMALLINT type) {
    return type == SQL_LONGVARCHAR || type == SQL_WLONGVARCHAR || type == SQL_LONGVARBINARY;
}

bool isBinaryType(SQLSMALLINT type) {
    return type == SQL_BINARY || type == SQL_VARBINARY || type == SQL_LONGVARBINARY;
}

QString truncatedIndicatorText() {
    return QStringLiteral(
        "The ODBC driver returned 32-bit length values where 64-bit ones are needed, so the "
        "rows cannot be read correctly. Register the Db2 driver with unixODBC as libdb2o.so, "
        "not libdb2.so.");
}

} // namespace

Retrieval::Retrieval(std::shared_ptr<odbc::Connection> connection, QString statement,
                     RowStore& rows, std::function<void()> wake)
    : connection_(std::move(connection)), statement_(std::move(statement)), rows_(rows),
      columns_(rows.columnCount()), resultColumns_(columns_),
      utf8Char_(connection_->charDataIsUtf8()), wake_(std::move(wake)) {
    for (std::size_t i = 0; i < columns_; ++i)
        resultColumns_[i] = static_cast<SQLUSMALLINT>(i + 1);
}

Retrieval::Retrieval(std::shared_ptr<odbc::Connection> connection, TableCatalog catalog,
                     RowStore& rows, std::function<void()> wake)
    : connection_(std::move(connection)), tableCatalog_(true), rows_(rows),
      columns_(catalog.resultColumns.size()), resultColumns_(std::move(catalog.resultColumns)),
      utf8Char_(connection_->charDataIsUtf8()), wake_(std::move(wake)) {}

Retrieval::~Retrieval() {
    stop();
    join();
}

void Retrieval::start() {
    worker_ = std::thread([this] { run(); });
}

void Retrieval::join() {
    if (worker_.joinable())
        worker_.join();
    if (canceller_.joinable())
        canceller_.join();
}

void Retrieval::stop() {
    stop_ = true;
    std::lock_guard lock(mutex_);
    room_.notify_all();
    if (executing_ == nullptr || canceller_.joinable())
        return;
    // SQLCancel does nothing until the driver has begun to execute; a stop that comes just
    // before that would be lost. So the statement is cancelled until the execute returns.
    canceller_ = std::thread([this] {
        std::unique_lock wait(mutex_);
        while (executing_ != nullptr) {
            SQLCancel(executing_);
            executed_.wait_for(wait, std::chrono::milliseconds(10));
        }
    });
}

void Retrieval::taken(std::size_t rows) {
    std::lock_guard lock(mutex_);
    taken_ = rows;
    room_.notify_all();
}

bool Retrieval::waitForReader() {
    const std::size_t committed = rows_.rowCount();
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] { return stop_ || committed - taken_ < kAheadRows; });
    return !stop_;
}

bool Retrieval::done() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

odbc::Error Retrieval::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

bool Retrieval::outOfMemory() const {
    std::lock_guard lock(mutex_);
    return outOfMemory_;
}

void Retrieval::fail(odbc::Error error) {
    // A statement cancelled because the user stopped it is no error.
    if (stop_ && error.cancelled())
        return;
    std::lock_guard lock(mutex_);
    if (!error_)
        error_ = std::move(error);
}

void Retrieval::fail(const QString& text) {
    fail(odbc::Error::withText(text));
}

void Retrieval::fail(SQLSMALLINT handleType, SQLHANDLE handle) {
    fail(odbc::Error::fromHandle(SQL_ERROR, handleType, handle, connection_->handle()));
}

bool Retrieval::commit(std::size_t count, std::size_t allocatedBefore) {
    for (std::size_t col = 0; col < columns_; ++col) {
        if (rows_.overfull(col)) {
            overflow_ = true;
            stop_ = true;
            return false;
        }
    }
    // Memory the store held before counts as its own, filled or not.
    if (std::max(allocatedBefore, rows_.usedBytesNow()) > budget_.load(std::memory_order_relaxed)) {
        overBudget_ = true;
        stop_ = true;
        return false;
    }
    rows_.commitRows(count);
    return true;
}

void Retrieval::run() {
    odbc::Statement stmt;
    // Memory that runs out (for the rows, the driver's buffers, a value) ends the work as a stop
    // does; the rows committed before stay.
    try {
        odbc::Error error;
        stmt = odbc::Statement::allocate(connection_, error);
        if (!stmt)
            fail(std::move(error));
        else
            runStatement(stmt.get());
    } catch (const std::bad_alloc&) {
        std::lock_guard lock(mutex_);
        outOfMemory_ = true;
    }
    if (stmt)
        SQLFreeStmt(stmt.get(), SQL_CLOSE);
    stmt.reset();
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    // The buffers of the work are free again by now, so the wake-up finds the memory it needs;
    // should it not, nothing may leave the thread.
    try {
        wake_();
    } catch (const std::bad_alloc&) {
    }
}

bool Retrieval::runStatement(SQLHSTMT stmt) {
    {
        std::lock_guard lock(mutex_);
        if (stop_)
            return false;
        executing_ = stmt;
    }
    if (beforeExecute_)
        beforeExecute_();
    SQLRETURN rc = execute(stmt);
    {
        std::lock_guard lock(mutex_);
        executing_ = nullptr;
        executed_.notify_all();
    }
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        fail(SQL_HANDLE_STMT, stmt);
        return false;
    }
    if (stop_)
        return false;

    SQLSMALLINT count = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(stmt, &count))) {
        fail(SQL_HANDLE_STMT, stmt);
        return false;
    }
    if (!tableCatalog_ && static_cast<std::size_t>(count) != columns_) {
        fail(QStringLiteral("The statement returned %1 columns where the grid has %2.")
                 .arg(count)
                 .arg(columns_));
        return false;
    }

    std::vector<FetchColumn> columns(columns_);
    bool anyLong = false;
    if (!describeResult(stmt, count, columns, anyLong))
        return false;
    return anyLong ? fetchRows(stmt, columns) : fetchBlocks(stmt, columns);
}

bool Retrieval::describeResult(SQLHSTMT stmt, SQLSMALLINT count, std::vector<FetchColumn>& columns,
                               bool& anyLong) {
    for (std::size_t i = 0; i < columns_; ++i) {
        FetchColumn& c = columns[i];
        c.source = resultColumns_[i];
        if (c.source == 0)
            continue;
        if (c.source > count) {
            fail(QStringLiteral("The result has %1 columns; column %2 was asked for.")
                     .arg(count)
                     .arg(c.source));
            return false;
        }
        SQLWCHAR name[256];
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT decimals = 0;
        SQLSMALLINT nullable = 0;
        if (!SQL_SUCCEEDED(SQLDescribeColW(stmt, c.source, name, 256, &nameLength, &c.sqlType,
                                           &c.size, &decimals, &nullable))) {
            fail(SQL_HANDLE_STMT, stmt);
            return false;
        }
        c.binary = isBinaryType(c.sqlType);
        c.longData = isLongType(c.sqlType) || c.size == 0 || c.size > kLongLimit;
        anyLong = anyLong || c.longData;
        // Numbers, dates and times come as text; their described size does not count the sign,
        // point or separators.
        const bool text = c.sqlType == SQL_CHAR || c.sqlType == SQL_VARCHAR ||
                          c.sqlType == SQL_WCHAR || c.sqlType == SQL_WVARCHAR;
        c.width = c.binary ? c.size : text ? c.size + 1 : std::max<SQLULEN>(c.size + 8, 48);
        if (utf8Char_ && text)
            c.width = (c.width - 1) * 4 + 1; // a character takes up to four bytes in UTF-8
    }
    return true;
}

SQLRETURN Retrieval::execute(SQLHSTMT stmt) {
    if (!tableCatalog_)
        return SQLExecDirectW(stmt, odbc::wide(statement_), odbc::wideLength(statement_));
    // Every catalog and schema; the types as a comma-separated list, which ODBC allows with or
    // without quotes.
    const QString types = QStringLiteral("TABLE,VIEW");
    return SQLTablesW(stmt, nullptr, 0, nullptr, 0, nullptr, 0, odbc::wide(types),
                      static_cast<SQLSMALLINT>(odbc::wideLength(types)));
}

bool Retrieval::bindBlock(SQLHSTMT stmt, const std::vector<FetchColumn>& columns,
                          BlockBuffers& buffers) {
    const std::size_t n = columns.size();
    buffers.text.resize(n);
    buffers.raw.resize(n);
    buffers.indicators.assign(n, std::vector<SQLLEN>(kBlockRows));
    for (std::size_t i = 0; i < n; ++i) {
        const FetchColumn& c = columns[i];
        if (c.source == 0)
            continue;
        SQLRETURN rc;
        if (c.binary || utf8Char_) {
            buffers.raw[i].resize(c.width * kBlockRows);
            rc = SQLBindCol(stmt, c.source, c.binary ? SQL_C_BINARY : SQL_C_CHAR,
                            buffers.raw[i].data(), static_cast<SQLLEN>(c.width),
                            buffers.indicators[i].data());
        } else {
            buffers.text[i].resize(c.width * kBlockRows);
            rc = SQLBindCol(stmt, c.source, SQL_C_WCHAR, buffers.text[i].data(),
                            static_cast<SQLLEN>(c.width * sizeof(char16_t)),
                            buffers.indicators[i].data());
        }
        if (!SQL_SUCCEEDED(rc)) {
            fail(SQL_HANDLE_STMT, stmt);
            return false;
        }
    }
    return true;
}

bool Retrieval::appendBlock(const BlockBuffers& buffers, const std::vector<FetchColumn>& columns,
                            std::size_t rows, std::vector<char>& utf8) {
    // Column by column: each column's buffer and arena are read and written in one sweep.
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const FetchColumn& c = columns[i];
        const SQLLEN* indicators = buffers.indicators[i].data();
        const bool asBytes = c.binary || utf8Char_;
        const std::size_t unit = asBytes ? 1 : sizeof(char16_t);
        // Bound text holds up to width - 1 units and a terminator, binary data width bytes.
        const std::size_t longest = c.binary ? c.width : c.width - 1;
        QString problem;
        rows_.appendColumn(i, rows, [&](std::size_t row, const char*& data, std::size_t& size) {
            const SQLLEN indicator = indicators[row];
            if (c.source == 0 || !problem.isEmpty() || indicator == SQL_NULL_DATA)
                return false;
            const std::size_t length = static_cast<std::size_t>(indicator) / unit;
            if (odbc::indicatorCutShort(indicator))
                problem = truncatedIndicatorText();
            else if (indicator < 0 || length > longest)
                problem = QStringLiteral("A value of column %1 is longer than the driver "
                                         "described it (%2), so it cannot be read whole.")
                              .arg(i + 1)
                              .arg(c.size);
            if (!problem.isEmpty())
                return false;
            if (asBytes) {
                data = buffers.raw[i].data() + row * c.width;
                size = length;
            } else {
                utf8.resize(length * 3);
                size = utf16ToUtf8(buffers.text[i].data() + row * c.width, length, utf8.data());
                data = utf8.data();
            }
            return true;
        });
        if (!problem.isEmpty()) {
            fail(problem);
            return false;
        }
    }
    return true;
}

bool Retrieval::fetchBlocks(SQLHSTMT stmt, const std::vector<FetchColumn>& columns) {
    BlockBuffers buffers;
    SQLULEN fetched = 0;
    // The driver keeps the addresses of these buffers: they are unbound before they go.
    struct Unbind {
        SQLHSTMT stmt;
        ~Unbind() {
            SQLFreeStmt(stmt, SQL_UNBIND);
            SQLSetStmtAttrW(stmt, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
        }
    } unbind{stmt};

    SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_BIND_TYPE,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_BIND_BY_COLUMN)), 0);
    SQLSetStmtAttrW(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    if (!bindBlock(stmt, columns, buffers))
        return false;

    std::vector<char> utf8;
    std::size_t blockRows = kFirstBlockRows;
    while (waitForReader()) {
        SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_ARRAY_SIZE,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(blockRows)), 0);
        for (auto& column : buffers.indicators)
            std::fill(column.begin(), column.begin() + static_cast<std::ptrdiff_t>(blockRows),
                      odbc::kIndicatorSentinel);
        const SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA)
            return true;
        if (!SQL_SUCCEEDED(rc)) {
            fail(SQL_HANDLE_STMT, stmt);
            return false;
        }
        const std::size_t allocated = rows_.allocatedBytes();
        if (!appendBlock(buffers, columns, fetched, utf8))
            return false;
        if (!commit(fetched, allocated))
            return true;
        wake_();
        blockRows = kBlockRows;
    }
    return true;
}

bool Retrieval::fetchRows(SQLHSTMT stmt, const std::vector<FetchColumn>& columns) {
    const std::size_t n = columns.size();
    std::vector<char> buffer(64 * 1024);
    std::vector<char> cell;
    std::vector<char> utf8;
    // Rows are committed one by one; the reader is woken after 8 of them, then after every 256.
    std::size_t wakeEvery = 8;
    std::size_t unannounced = 0;
    while (waitForReader()) {
        const SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc)) {
            fail(SQL_HANDLE_STMT, stmt);
            return false;
        }
        const std::size_t allocated = rows_.allocatedBytes();
        for (std::size_t i = 0; i < n; ++i) {
            const FetchColumn& c = columns[i];
            if (c.source == 0) {
                rows_.appendNull(i);
                continue;
            }
            // Text comes as the block fetch reads it: bytes that are not UTF-8 reach the grid
            // as read, where the driver's own conversion to UTF-16 would drop or alter them.
            const bool asBytes = c.binary || utf8Char_;
            const odbc::ValueRead read = odbc::readValue(
                stmt, c.source, c.binary ? SQL_C_BINARY : (utf8Char_ ? SQL_C_CHAR : SQL_C_WCHAR),
                buffer, cell);
            if (read == odbc::ValueRead::Failed) {
                fail(SQL_HANDLE_STMT, stmt);
                return false;
            }
            if (read == odbc::ValueRead::CutShortIndicator) {
                fail(truncatedIndicatorText());
                return false;
            }
            const bool null = read == odbc::ValueRead::Null;
            if (null) {
                rows_.appendNull(i);
            } else if (asBytes) {
                rows_.appendCell(i, cell.data(), cell.size());
            } else {
                const std::size_t units = cell.size() / sizeof(char16_t);
                utf8.resize(units * 3);
                const std::size_t bytes =
                    utf16ToUtf8(reinterpret_cast<const char16_t*>(cell.data()), units, utf8.data());
                rows_.appendCell(i, utf8.data(), bytes);
            }
        }
        if (!commit(1, allocated))
            break;
        if (++unannounced >= wakeEvery) {
            wake_();
            unannounced = 0;
            wakeEvery = 256;
        }
    }
    return true;
}

} // namespace platform::grid
