#include "platform/grid/retrieval_session.h"

#include "platform/grid/gridmodel.h"
#include "platform/grid/retrieval.h"
#include "platform/memorylimit.h"

#include <algorithm>
#include <new>

namespace platform::grid {

RetrievalSession::RetrievalSession(GridModel& model, RetrievalRequest request,
                                   std::function<void()> done)
    : model_(model), request_(std::move(request)), done_(std::move(done)) {
    // The worker wakes this thread through its event queue, and each wake-up takes one batch,
    // so that input is handled between batches. One wake-up waits in the queue at a time: the
    // event loop handles every event that is queued when it starts a round before it looks at
    // input and timers again, and a wake-up queued for every batch would let one round take the
    // batches that keep arriving meanwhile again and again (with several grids retrieving at
    // once, for as long as their workers are busy).
    auto wake = [this] {
        wakeUp();
    };
    const std::shared_ptr<odbc::Connection>& connection = request_.slot->connection();
    if (request_.tableCatalog) {
        retrieval_ = std::make_unique<Retrieval>(
            connection, Retrieval::TableCatalog{*request_.tableCatalog}, std::move(wake));
    } else {
        retrieval_ = std::make_unique<Retrieval>(
            connection, request_.statement, static_cast<std::size_t>(model_.rows().columnCount()),
            std::move(wake));
    }
}

RetrievalSession::~RetrievalSession() {
    if (retrieval_) {
        retrieval_->stop();
        retrieval_->join();
    }
}

void RetrievalSession::start() {
    // From here until the end the slot refuses to end its transaction under the open cursor.
    claim_ = request_.slot->claimForRetrieval();
    retrieval_->start();
}

void RetrievalSession::stop() {
    stopRequested_ = true;
    retrieval_->stop();
}

RetrievalOutcome RetrievalSession::finish() {
    // The event loop may also have ended because the application is leaving.
    if (!retrieval_->done())
        retrieval_->stop();
    retrieval_->join();
    consumeBatches();
    model_.retrievedRows().releaseUnusedMemory();
    outcome_.ended = Now();
    if (retrieval_->outOfMemory() && outcome_.memoryStop == RetrievalOutcome::MemoryStop::None)
        outcome_.memoryStop = RetrievalOutcome::MemoryStop::OutOfMemory;
    if (outcome_.overflow)
        outcome_.error = odbc::Error::withText(
            QStringLiteral("The result is too large: a column holds more than 4 GiB of text. The "
                           "rows read so far are kept."));
    else
        outcome_.error = retrieval_->error();
    retrieval_.reset();
    claim_.release();
    // Reading holds no locks once it is done.
    request_.slot->endReadWork();
    return outcome_;
}

void RetrievalSession::wakeUp() {
    if (!wakePending_.exchange(true))
        QMetaObject::invokeMethod(this, "batchesReady", Qt::QueuedConnection);
}

void RetrievalSession::batchesReady() {
    // Before the batches are taken: a batch delivered from now on wakes this thread again.
    wakePending_ = false;
    if (!retrieval_)
        return;
    // One batch a turn of the event loop: input, timers, paints and the batches of other grids
    // that retrieve at the same time come between two batches of this grid.
    const bool more = consumeBatches(1);
    if (retrieval_->done())
        done_();
    else if (more)
        wakeUp();
}

bool RetrievalSession::consumeBatches(std::size_t limit) {
    std::size_t appended = 0;
    bool limited = false;
    for (;;) {
        // Batches that come after a stop are only dropped, which takes no time.
        if (appended == limit && !stopRequested_) {
            limited = retrieval_->batchWaiting();
            break;
        }
        auto batch = retrieval_->takeBatch();
        if (!batch)
            break;
        if (stopRequested_)
            continue;
        ++appended;
        if (!appendBatch(*batch))
            break;
    }
    // Views learn of new rows a few times a second: each change of the row count repaints the
    // view, which would cost more than the rows themselves if it happened for every batch.
    if (model_.rowCount() == 0 || !lastPublish_.isValid() || lastPublish_.elapsed() >= 200) {
        model_.publishRows();
        lastPublish_.start();
    }
    return limited;
}

bool RetrievalSession::appendBatch(const RowStore& batch) {
    GridData& rows = model_.retrievedRows();
    const std::size_t count = batch.rowCount();
    const long before = rows.rowCount();
    if (!batchFitsRowMemory(batch)) {
        outcome_.memoryStop = RetrievalOutcome::MemoryStop::Limit;
        outcome_.memoryLimit = rowMemoryLimit();
        stop();
        return false;
    }
    // The whole batch goes in at once; the per-row callback then sees the rows arrive one by
    // one.
    bool fits = false;
    try {
        fits = rows.appendRetrieved(batch, 0, count);
    } catch (const std::bad_alloc&) {
        // Nothing of the batch went in.
        outcome_.memoryStop = RetrievalOutcome::MemoryStop::OutOfMemory;
        stop();
        return false;
    }
    if (!fits) {
        outcome_.overflow = true;
        stop();
        return false;
    }
    if (request_.perRow) {
        for (std::size_t i = 0; i < count; ++i) {
            rows.hideLastRows(count - i - 1);
            if (request_.perRow(before + static_cast<long>(i) + 1) == 1) {
                stop();
                break;
            }
        }
        rows.dropHiddenRows();
    }
    return true;
}

bool RetrievalSession::batchFitsRowMemory(const RowStore& batch) const {
    const std::uint64_t limit = rowMemoryLimit();
    if (limit == kNoRowMemoryLimit)
        return true;
    // This grid's rows go first into the memory they hold already (a retrieval reuses what
    // the one before it filled); the other grids hold what they hold.
    const GridData& rows = model_.rows();
    const std::size_t own = rows.allocatedBytes();
    const std::size_t others = GridModel::rowMemoryOfAllGrids() - own;
    const std::size_t after = std::max(own, rows.usedBytes() + batch.usedBytes());
    return std::uint64_t{others} + after <= limit;
}

} // namespace platform::grid
