#pragma once

#include "platform/grid/griddata.h"
#include "platform/grid/retrieval_session.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace platform::grid {

// What a grid's rows are doing. While they are not idle, nothing may change the rows or the
// definition, and no cell can be edited.
enum class RowsState {
    Idle,
    Retrieving, // a retrieval's worker adds rows
    Held,       // work that reads them while it runs the event loop (Save As, printing)
};

// The table model over a grid's rows, and their only owner: every change of the rows happens
// here, tells the views in the same function, and is refused while the rows are busy. It owns
// the retrieval that fills the rows. Grids that share their data share one model; each grid's
// view keeps its own highlighting.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);
    ~GridModel() override;

    // The memory held by the rows of every grid of the process (grids that share their rows
    // count them once).
    static std::size_t rowMemoryOfAllGrids();

    const GridData& rows() const { return data_; }

    // Rows the views know of. Rows a retrieval appends join a few times a second.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // --- the busy state, shared by every grid that shows the rows
    RowsState state() const { return state_; }
    bool busy() const { return state_ != RowsState::Idle; }
    // True while work that `owner` started runs on the rows.
    bool busyWith(const void* owner) const { return busy() && owner_ == owner; }
    // Stops the running work: a retrieval as Stop does, a hold through its stop function.
    void stopWork();

    // The rows held for work that reads them; released when the object goes.
    class Hold {
    public:
        Hold() = default;
        Hold(Hold&& other) noexcept : model_(std::move(other.model_)) { other.model_ = nullptr; }
        Hold& operator=(Hold&&) = delete;
        Hold(const Hold&) = delete;
        ~Hold();
        explicit operator bool() const { return model_ != nullptr; }

    private:
        friend class GridModel;
        explicit Hold(GridModel* model) : model_(model) {}
        QPointer<GridModel> model_;
    };
    // Holds the rows for `owner`'s work (stopWork() calls `stop`). An empty hold, holding
    // nothing, while the rows are busy already.
    [[nodiscard]] Hold hold(const void* owner, std::function<void()> stop);

    // --- changes of the rows; each changes nothing while the rows are busy
    // A new definition drops every row.
    bool setDefinition(GridDefinition definition);
    bool clear();
    // Inserts an empty row before display row `before` (-1: at the end); returns its row, or -1.
    long insertRowBefore(long before);
    bool deleteRow(long row);
    bool setItem(long row, int column, const CellValue& value);
    bool sortRows(const std::vector<SortKey>& keys);
    // Orders the rows by `keys` (text in the user's collation), or with no keys back in the
    // order they came in, on a worker while the rows are held for `owner`: stopWork() cancels
    // it. The views hear of the new order once, when it is in; `done` follows (true when the
    // order changed). False, doing nothing, while the rows are busy.
    bool sortInBackground(const void* owner, std::vector<SortKey> keys,
                          std::function<void(bool sorted)> done);
    // After a save: the edits become what was read, and `saved` what was read back.
    bool acceptSaved(const std::vector<SavedCell>& saved);

    // --- retrieval
    // Drops the rows and starts retrieving new ones on a worker; `done` is called once the
    // worker has ended and every row is in. False, starting nothing, while the rows are busy.
    bool startRetrieval(RetrievalRequest request, std::function<void()> done);
    // Ends the running retrieval (stopping it first unless its worker has ended), takes the rows
    // still waiting, and makes the rows idle.
    RetrievalOutcome finishRetrieval();

    // The longest text a cell shows; longer texts end in an ellipsis (exports keep them whole).
    static constexpr int kShownCharacters = 200;

Q_SIGNALS:
    // The rows are no longer busy; after a retrieval, emitted once the last row has arrived.
    void idle();

private:
    friend class RetrievalSession;
    // The rows, for the retrieval that fills them.
    GridData& retrievedRows() { return data_; }
    // Tells the views of rows appended since the last call.
    void publishRows();
    void resetAll();
    void becomeIdle();
    Q_INVOKABLE void finishSort();
    // Puts the rows in `order`; the views' current cells and selections follow their rows.
    void applyOrder(std::vector<std::uint32_t> order);

    GridData data_;
    int published_ = 0;
    RowsState state_ = RowsState::Idle;
    const void* owner_ = nullptr;
    std::function<void()> stop_;
    std::unique_ptr<RetrievalSession> session_;
    struct SortJob;
    std::unique_ptr<SortJob> sortJob_;
};

} // namespace platform::grid
