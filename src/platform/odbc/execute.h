#pragma once

#include "platform/odbc/connection.h"
#include "platform/odbc/error.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::odbc {

// Statements that return no rows (INSERT, UPDATE, CREATE TABLE ...), executed one after another
// on a worker thread, each as the server gets it (SQLExecDirect). stop() cancels the statement
// the server is executing and runs no further one.
class StatementRunner {
public:
    struct Outcome {
        std::size_t executed = 0;   // statements that ran to their end
        long long rowsAffected = 0; // their rows inserted, changed or deleted together
        bool rowsKnown = false;     // true when a statement said how many rows it touched
        Error error;                // the failure of statement `executed`, if one failed
        bool stopped = false;       // stop() ended the run before every statement had run
    };

    // Starts the worker; `ended` is called on the worker once it has finished.
    StatementRunner(std::shared_ptr<Connection> connection, std::vector<QString> statements,
                    std::function<void()> ended);
    // Stops the run and waits for the worker.
    ~StatementRunner();
    StatementRunner(const StatementRunner&) = delete;
    StatementRunner& operator=(const StatementRunner&) = delete;

    void stop();
    // The statements that have run to their end so far.
    std::size_t executed() const { return executed_.load(std::memory_order_relaxed); }
    // Waits for the worker, then tells what happened.
    Outcome finish();

private:
    void run();

    std::shared_ptr<Connection> connection_;
    std::vector<QString> statements_;
    std::function<void()> ended_;
    Outcome outcome_;
    std::atomic<std::size_t> executed_{0};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable executedOne_;
    SQLHSTMT executing_ = SQL_NULL_HANDLE;
    std::thread worker_;
    std::thread canceller_;
};

} // namespace platform::odbc
