#include "platform/grid/retrieval_session.h"

#include "platform/grid/gridmodel.h"
#include "platform/grid/retrieval.h"
#include "platform/memorylimit.h"

#include <new>

namespace platform::grid {

RetrievalSession::RetrievalSession(GridModel& model, RowStore& store, RetrievalRequest request,
                                   std::function<void()> done)
    : model_(model), store_(store), request_(std::move(request)), done_(std::move(done)) {
    // The worker wakes this thread through its event queue, and each wake-up takes one block of
    // rows, so that input is handled between blocks. One wake-up waits in the queue at a time:
    // the event loop handles every event that is queued when it starts a round before it looks
    // at input and timers again, and a wake-up queued for every block would let one round take
    // the rows that keep arriving meanwhile again and again (with several grids retrieving at
    // once, for as long as their workers are busy).
    auto wake = [this] {
        wakeUp();
    };
    const std::shared_ptr<odbc::Connection>& connection = request_.slot->connection();
    if (request_.tableCatalog) {
        retrieval_ = std::make_unique<Retrieval>(
            connection, Retrieval::TableCatalog{*request_.tableCatalog}, store_, std::move(wake));
    } else {
        retrieval_ =
            std::make_unique<Retrieval>(connection, request_.statement, store_, std::move(wake));
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
    updateMemoryBudget();
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
    takeRows();
    model_.retrievedRows().endRetrieval();
    outcome_.ended = Now();
    outcome_.overflow = retrieval_->overflow();
    if (retrieval_->overBudget()) {
        outcome_.memoryStop = RetrievalOutcome::MemoryStop::Limit;
        outcome_.memoryLimit = rowMemoryLimit();
    } else if (retrieval_->outOfMemory()) {
        outcome_.memoryStop = RetrievalOutcome::MemoryStop::OutOfMemory;
    }
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
        QMetaObject::invokeMethod(this, "rowsReady", Qt::QueuedConnection);
}

void RetrievalSession::rowsReady() {
    // Before the rows are taken: rows committed from now on wake this thread again.
    wakePending_ = false;
    if (!retrieval_)
        return;
    // Asked first: once the worker has ended, every row it committed can be taken.
    const bool ended = retrieval_->done();
    // One block a turn of the event loop: input, timers, paints and the rows of other grids
    // that retrieve at the same time come between two blocks of this grid.
    const bool more = takeRows(Retrieval::kBlockRows);
    if (more)
        wakeUp();
    else if (ended)
        done_();
}

bool RetrievalSession::takeRows(std::size_t limit) {
    GridData& rows = model_.retrievedRows();
    bool more = false;
    if (!stopRequested_) {
        const std::size_t committed = store_.rowCount();
        const std::size_t end = committed - taken_ > limit ? taken_ + limit : committed;
        more = end < committed;
        if (request_.perRow) {
            // The callback sees the rows arrive one by one, each the grid's last.
            while (taken_ < end && !stopRequested_) {
                ++taken_;
                rows.showRetrieved(taken_);
                if (request_.perRow(static_cast<long>(taken_)) == 1)
                    stop();
            }
        } else {
            taken_ = end;
            rows.showRetrieved(taken_);
        }
        retrieval_->taken(taken_);
        updateMemoryBudget();
    }
    // Views learn of new rows a few times a second: each change of the row count repaints the
    // view, which would cost more than the rows themselves if it happened for every block.
    if (model_.rowCount() == 0 || !lastPublish_.isValid() || lastPublish_.elapsed() >= 200) {
        model_.publishRows();
        lastPublish_.start();
    }
    return more && !stopRequested_;
}

void RetrievalSession::updateMemoryBudget() {
    const std::uint64_t limit = rowMemoryLimit();
    if (limit == kNoRowMemoryLimit) {
        retrieval_->setMemoryBudget(SIZE_MAX);
        return;
    }
    // This grid's rows go first into the memory they hold already (a retrieval reuses what the
    // one before it filled); the other grids hold what they hold.
    const std::size_t own = model_.rows().allocatedBytes();
    const std::uint64_t others = GridModel::rowMemoryOfAllGrids() - own;
    retrieval_->setMemoryBudget(others >= limit ? 0 : static_cast<std::size_t>(limit - others));
}

} // namespace platform::grid
