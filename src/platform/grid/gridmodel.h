#pragma once

#include "platform/grid/griddata.h"

#include <QAbstractTableModel>
#include <cstddef>
#include <functional>

namespace platform::grid {

// The table model over a grid's rows. Grids that share their data share one model; each grid's
// view keeps its own highlighting.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);
    ~GridModel() override;

    // The memory held by the rows of every grid of the process (grids that share their rows
    // count them once).
    static std::size_t rowMemoryOfAllGrids();

    GridData& data() { return data_; }
    const GridData& data() const { return data_; }

    // Rows the views know of. Rows appended during a retrieval batch join with publishRows().
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The busy state of the rows, shared by every grid that shows them: while a retrieval adds
    // rows, nothing may change the rows or the definition, and no cell can be edited.
    bool retrieving() const { return static_cast<bool>(cancel_); }
    // `cancel` stops the running retrieval; it is called by cancelRetrieval().
    void retrievalStarted(std::function<void()> cancel);
    void retrievalEnded();
    void cancelRetrieval();

    // The grid's definition or every row changed.
    void resetAll();
    // Tells the views of rows appended to the data since the last call.
    void publishRows();
    void rowsChangedInPlace(long first, long last);
    void insertedRow(long row);
    void removedRow(long row);
    void orderChanged();

    // The longest text a cell shows; longer texts end in an ellipsis (exports keep them whole).
    static constexpr int kShownCharacters = 200;

Q_SIGNALS:
    // The rows are no longer being retrieved; emitted after the last row has arrived.
    void idle();

private:
    GridData data_;
    int published_ = 0;
    std::function<void()> cancel_;
};

} // namespace platform::grid
