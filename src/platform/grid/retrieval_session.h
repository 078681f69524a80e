#pragma once

#include "platform/clock.h"
#include "platform/odbc/error.h"
#include "platform/odbc/transaction.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <sql.h>
#include <vector>

namespace platform::grid {

class GridModel;
class Retrieval;
class RowStore;

// What a retrieval reads, and for whom.
struct RetrievalRequest {
    // The connected slot it reads on.
    Transaction* slot = nullptr;
    // The statement, as it goes to the server; or, when `tableCatalog` is set, the driver's
    // table catalog, grid column i taking the catalog's result column (*tableCatalog)[i] (from
    // 1; 0 for none).
    QString statement;
    std::optional<std::vector<SQLUSMALLINT>> tableCatalog;
    // Called for each row as it arrives (the row counts from 1); an answer of 1 stops.
    std::function<long(long row)> perRow;
    // The grid whose work the retrieval is (see GridModel::busyWith).
    const void* owner = nullptr;
};

// How a retrieval ended.
struct RetrievalOutcome {
    // When it stopped reading rows, before anything was shown about them.
    Instant ended;
    // The driver's error, or why the grid stopped it; none when it ended normally or was
    // stopped by the user.
    odbc::Error error;
    // A column would have outgrown 4 GiB: the rows read before stay.
    bool overflow = false;
    // Memory stopped it: the rows reached the memory limit (`memoryLimit`), or memory ran out.
    enum class MemoryStop { None, Limit, OutOfMemory };
    MemoryStop memoryStop = MemoryStop::None;
    std::uint64_t memoryLimit = 0;
};

// One retrieval into a model's rows, owned by the model: the worker, which appends to the rows'
// store; the pump that takes the rows it committed on the user-interface thread, a block per
// turn of the event loop, and raises the per-row callback for them; the memory limit; and the
// throttled news of new rows for the views. It holds a claim on its connection from start to
// finish.
class RetrievalSession final : public QObject {
    Q_OBJECT
public:
    // The rows go into `store` (the model's, see GridData::beginRetrieval()).
    RetrievalSession(GridModel& model, RowStore& store, RetrievalRequest request,
                     std::function<void()> done);
    // Stops and waits for the worker.
    ~RetrievalSession() override;

    void start();
    // Stops reading; the rows read so far stay, what arrives later is dropped.
    void stop();
    // Waits for the worker (stopping it unless it has ended), takes what it delivered, and
    // ends the reading's unit of work on the connection.
    RetrievalOutcome finish();

private:
    // Queued by the worker thread, by name: nothing but the call crosses threads.
    Q_INVOKABLE void rowsReady();
    // Queues a call of rowsReady() unless one is queued already; from either thread.
    void wakeUp();
    // Takes the rows the worker has committed, at most `limit` of them (after a stop, none).
    // True when it stopped at the limit with more rows waiting.
    bool takeRows(std::size_t limit = SIZE_MAX);
    // Tells the worker how much memory this grid's rows may take, given what the other grids'
    // rows hold now.
    void updateMemoryBudget();

    GridModel& model_;
    RowStore& store_;
    RetrievalRequest request_;
    std::function<void()> done_;
    Transaction::RetrievalClaim claim_;
    std::unique_ptr<Retrieval> retrieval_;
    // A call of rowsReady() is queued and has not started yet (either thread sets it).
    std::atomic<bool> wakePending_{false};
    bool stopRequested_ = false;
    std::size_t taken_ = 0;
    RetrievalOutcome outcome_;
    QElapsedTimer lastPublish_;
};

} // namespace platform::grid
