#pragma once

#include "platform/grid/column.h"
#include "platform/grid/gridrows.h"
#include "platform/grid/rowstore.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace platform::grid {

// A cell value as the program sets it: text, or nullopt for NULL.
using CellValue = std::optional<QString>;

// One sort key: a column and its direction.
struct SortKey {
    int column = 0;
    bool ascending = true;
    friend bool operator==(const SortKey&, const SortKey&) = default;
};

// Parses a sort text such as "#1 A", "lastname D, #2 A" against `definition`. Returns nullopt
// when a column or direction is not understood; an empty text gives no keys.
std::optional<std::vector<SortKey>> parseSortText(const QString& text,
                                                  const GridDefinition& definition);

// The rows of a grid: what was retrieved (in columnar storage), what the program or the user
// changed, inserted and deleted since, and the display order. Rows count from 0 here.
class GridData final : public GridRows {
public:
    GridData() = default;

    const GridDefinition& definition() const { return definition_; }
    // A new definition drops every row.
    void setDefinition(GridDefinition definition);
    void clear();
    // A retrieval appends rows to the store from its own thread. beginRetrieval() drops every
    // row, as clear() does, but keeps the memory of the stored rows (retrieving again neither
    // frees nor newly maps the memory of a big result) and gives the store to append to. Until
    // endRetrieval() the grid has the first showRetrieved() rows of the store (committed ones,
    // see RowStore) and nothing else changes its rows; endRetrieval() drops the rows appended
    // past them and gives back the memory that the retrieval did not fill.
    RowStore& beginRetrieval();
    void showRetrieved(std::size_t rows) { shown_ = rows; }
    void endRetrieval();

    // GridRows, in display order.
    long rowCount() const override;
    int columnCount() const override { return static_cast<int>(definition_.columns.size()); }
    const ColumnInfo& column(int col) const override {
        return definition_.columns.at(static_cast<std::size_t>(col));
    }
    bool isNull(long row, int col) const override;
    QString text(long row, int col) const override;
    QByteArray bytes(long row, int col) const override;
    bool storedUtf8(long row, int col, std::string& scratch, std::string_view& cell) const override;
    // The first `characters` characters of text(), and whether the cell holds more: reads only
    // the start of a stored cell however long it is (binary cells: hex digits, two a byte).
    QString head(long row, int col, qsizetype characters, bool& cut) const;
    // The length in bytes of a binary cell (0 for NULL).
    std::size_t byteCount(long row, int col) const;

    // Inserts an empty row before display row `before` (or at the end for -1); returns its row.
    long insertRow(long before);
    bool deleteRow(long row);
    bool setItem(long row, int col, const CellValue& value);
    // A cell whose value the database chooses: a cell of a new row that nobody set (Update()
    // leaves it out, so the server's default applies), or one that was saved so and not read
    // back. It reads as NULL.
    bool isDefault(long row, int col) const;

    // Sorts by `keys`, text by character codes (see sortedOrder()).
    void sort(const std::vector<SortKey>& keys);
    std::uint32_t storeRow(long row) const;
    // The stored row of each display row, in display order.
    std::vector<std::uint32_t> displayOrder() const;
    // Shows the rows in `order`: the stored rows of displayOrder(), rearranged.
    void setOrder(std::vector<std::uint32_t> order);

    // What Update() has to write. A new row that nobody edited is not written.
    struct Change {
        enum Kind { Insert, Modify, Delete } kind;
        std::uint32_t storeRow;
        // The display row, or for a deleted row the one it had when it was deleted.
        long row;
    };
    std::vector<Change> pendingChanges() const;
    // Whether pendingChanges() holds anything, without listing it.
    bool hasPendingChanges() const;
    // True for a cell set since it was retrieved or written (a cell of a new row: set at all,
    // to a value or to NULL).
    bool isModified(std::uint32_t storeRow, int col) const;
    // The value of a cell as it was last retrieved or written to the database.
    CellValue original(std::uint32_t storeRow, int col) const;
    CellValue current(std::uint32_t storeRow, int col) const;
    // current() of a number column as a number, without making a string of an unchanged cell;
    // false for NULL.
    bool currentNumber(std::uint32_t storeRow, int col, double& value) const;
    // After a successful update: the current values become the original ones; the cells of new
    // rows that nobody set keep their default mark until setSaved() gives their value.
    void acceptChanges();
    // A value read back from the database after an update.
    void setSaved(std::uint32_t storeRow, int col, const CellValue& value);

    std::size_t allocatedBytes() const { return store_.allocatedBytes() + order_.capacity() * 4; }
    // The part of allocatedBytes() that the rows fill.
    std::size_t usedBytes() const { return store_.usedBytes() + order_.size() * 4; }

private:
    static std::uint64_t cellKey(std::uint32_t row, int col) {
        return (std::uint64_t{row} << 16) | static_cast<std::uint16_t>(col);
    }
    // Everything but the stored rows: order and changes.
    void dropRowState();
    void materializeOrder();
    CellValue stored(std::uint32_t storeRow, int col) const;

    GridDefinition definition_;
    RowStore store_;
    // Display row -> stored row; empty while the two are the same.
    std::vector<std::uint32_t> order_;
    bool ordered_ = false;
    // While a retrieval appends: the stored rows the grid has.
    bool retrieving_ = false;
    std::size_t shown_ = 0;
    // Values written since retrieval: `base_` holds what the database has now, `edits_` what the
    // grid shows and Update() has yet to write.
    std::unordered_map<std::uint64_t, CellValue> base_;
    std::unordered_map<std::uint64_t, CellValue> edits_;
    std::unordered_set<std::uint32_t> inserted_;
    std::unordered_set<std::uint64_t> defaulted_; // saved cells whose value the server chose
    std::unordered_set<std::uint32_t> modified_;
    struct Deleted {
        std::uint32_t storeRow;
        long row; // its display row when it was deleted
    };
    std::vector<Deleted> deleted_;
};

// A value the database holds for a cell after a save, read back from it.
struct SavedCell {
    std::uint32_t storeRow;
    int column;
    CellValue value;
};

// Binary cells show and export as upper-case hex.
QString hexOf(const QByteArray& bytes);

} // namespace platform::grid
