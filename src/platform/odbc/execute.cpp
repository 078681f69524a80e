#include "platform/odbc/execute.h"

#include "platform/odbc/wide.h"

#include <chrono>

namespace platform::odbc {

StatementRunner::StatementRunner(std::shared_ptr<Connection> connection,
                                 std::vector<QString> statements, std::function<void()> ended)
    : connection_(std::move(connection)), statements_(std::move(statements)),
      ended_(std::move(ended)) {
    worker_ = std::thread([this] { run(); });
}

StatementRunner::~StatementRunner() {
    stop();
    finish();
}

void StatementRunner::run() {
    Statement stmt = Statement::allocate(connection_, outcome_.error);
    for (std::size_t i = 0; stmt && i < statements_.size(); ++i) {
        if (stop_.load()) {
            outcome_.stopped = true;
            break;
        }
        const QString& text = statements_[i];
        {
            const std::lock_guard lock(mutex_);
            executing_ = stmt.get();
        }
        const SQLRETURN rc = SQLExecDirectW(stmt.get(), wide(text), wideLength(text));
        {
            const std::lock_guard lock(mutex_);
            executing_ = SQL_NULL_HANDLE;
        }
        executedOne_.notify_all();
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            outcome_.error = stmt.error(rc);
            outcome_.stopped = stop_.load();
            break;
        }
        SQLLEN rows = -1;
        if (SQL_SUCCEEDED(SQLRowCount(stmt.get(), &rows)) && rows >= 0) {
            outcome_.rowsAffected += rows;
            outcome_.rowsKnown = true;
        }
        // A statement that answered with rows after all (a procedure's result) has them dropped.
        SQLFreeStmt(stmt.get(), SQL_CLOSE);
        outcome_.executed = i + 1;
        executed_.store(i + 1, std::memory_order_relaxed);
    }
    stmt.reset();
    if (ended_)
        ended_();
}

void StatementRunner::stop() {
    stop_ = true;
    const std::lock_guard lock(mutex_);
    if (executing_ == SQL_NULL_HANDLE || canceller_.joinable())
        return;
    // SQLCancel does nothing until the driver has begun to execute: the statement is cancelled
    // until its execute returns.
    canceller_ = std::thread([this] {
        std::unique_lock wait(mutex_);
        while (executing_ != SQL_NULL_HANDLE) {
            SQLCancel(executing_);
            executedOne_.wait_for(wait, std::chrono::milliseconds(10));
        }
    });
}

StatementRunner::Outcome StatementRunner::finish() {
    if (worker_.joinable())
        worker_.join();
    if (canceller_.joinable())
        canceller_.join();
    return outcome_;
}

} // namespace platform::odbc
