#include "platform/grid/griddata.h"

#include "platform/grid/row_order.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <numeric>

namespace platform::grid {

std::optional<std::vector<SortKey>> parseSortText(const QString& text,
                                                  const GridDefinition& definition) {
    std::vector<SortKey> keys;
    const QStringList parts = text.split(u',', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QStringList words = part.simplified().split(u' ');
        if (words.isEmpty() || words.size() > 2 || words.front().isEmpty())
            return std::nullopt;
        SortKey key;
        const QString& column = words.front();
        if (column.startsWith(u'#')) {
            bool ok = false;
            key.column = column.mid(1).toInt(&ok) - 1;
            if (!ok || key.column < 0 || key.column >= static_cast<int>(definition.columns.size()))
                return std::nullopt;
        } else {
            key.column = definition.columnIndex(column);
            if (key.column < 0)
                return std::nullopt;
        }
        if (words.size() == 2) {
            const QString direction = words.back().toUpper();
            if (direction != u"A" && direction != u"D")
                return std::nullopt;
            key.ascending = direction == u"A";
        }
        keys.push_back(key);
    }
    return keys;
}

QString hexOf(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex().toUpper());
}

void GridData::setDefinition(GridDefinition definition) {
    definition_ = std::move(definition);
    clear();
}

void GridData::clear() {
    store_ = RowStore(definition_.columns.size());
    dropRowState();
}

RowStore& GridData::beginRetrieval() {
    if (store_.columnCount() == definition_.columns.size())
        store_.reuse();
    else
        store_ = RowStore(definition_.columns.size());
    dropRowState();
    retrieving_ = true;
    shown_ = 0;
    return store_;
}

void GridData::endRetrieval() {
    if (!retrieving_)
        return;
    retrieving_ = false;
    store_.truncate(shown_);
    store_.releaseUnused();
}

void GridData::dropRowState() {
    order_.clear();
    order_.shrink_to_fit();
    ordered_ = false;
    base_.clear();
    edits_.clear();
    inserted_.clear();
    defaulted_.clear();
    modified_.clear();
    deleted_.clear();
}

long GridData::rowCount() const {
    if (ordered_)
        return static_cast<long>(order_.size());
    return static_cast<long>(retrieving_ ? shown_ : store_.rowCount());
}

std::uint32_t GridData::storeRow(long row) const {
    return ordered_ ? order_[static_cast<std::size_t>(row)] : static_cast<std::uint32_t>(row);
}

CellValue GridData::stored(std::uint32_t storeRow, int col) const {
    if (store_.isNull(storeRow, static_cast<std::size_t>(col)))
        return std::nullopt;
    if (definition_.columns[static_cast<std::size_t>(col)].kind == ColumnKind::Binary)
        return hexOf(store_.bytes(storeRow, static_cast<std::size_t>(col)));
    return store_.text(storeRow, static_cast<std::size_t>(col));
}

CellValue GridData::original(std::uint32_t storeRow, int col) const {
    if (!base_.empty()) {
        const auto it = base_.find(cellKey(storeRow, col));
        if (it != base_.end())
            return it->second;
    }
    return stored(storeRow, col);
}

CellValue GridData::current(std::uint32_t storeRow, int col) const {
    if (!edits_.empty()) {
        const auto it = edits_.find(cellKey(storeRow, col));
        if (it != edits_.end())
            return it->second;
    }
    return original(storeRow, col);
}

bool GridData::currentNumber(std::uint32_t storeRow, int col, double& value) const {
    if (!edits_.empty() || !base_.empty()) {
        const CellValue cell = current(storeRow, col);
        if (cell)
            value = cell->toDouble();
        return cell.has_value();
    }
    if (store_.isNull(storeRow, static_cast<std::size_t>(col)))
        return false;
    value = store_.number(storeRow, static_cast<std::size_t>(col));
    return true;
}

bool GridData::isModified(std::uint32_t storeRow, int col) const {
    return edits_.count(cellKey(storeRow, col)) != 0;
}

bool GridData::isNull(long row, int col) const {
    const std::uint32_t r = storeRow(row);
    if (edits_.empty() && base_.empty())
        return store_.isNull(r, static_cast<std::size_t>(col));
    return !current(r, col).has_value();
}

QString GridData::text(long row, int col) const {
    return current(storeRow(row), col).value_or(QString());
}

QString GridData::head(long row, int col, qsizetype characters, bool& cut) const {
    const std::uint32_t r = storeRow(row);
    const auto c = static_cast<std::size_t>(col);
    if (isModified(r, col) || base_.count(cellKey(r, col)) != 0 || store_.isNull(r, c)) {
        QString text = current(r, col).value_or(QString());
        cut = text.size() > characters;
        if (cut)
            text.truncate(characters);
        return text;
    }
    const auto wanted = static_cast<std::size_t>(std::max<qsizetype>(characters, 0));
    if (definition_.columns[c].kind == ColumnKind::Binary) {
        cut = store_.cellSize(r, c) > wanted / 2;
        return hexOf(store_.head(r, c, wanted / 2));
    }
    // A character takes at most four bytes of UTF-8 (a byte that is not UTF-8 becomes one
    // character); the margin keeps a sequence cut at the end of the read bytes clear of the
    // characters kept.
    const std::size_t limit = wanted * 4 + 8;
    QString text = textOfCell(store_.head(r, c, limit));
    cut = store_.cellSize(r, c) > limit || text.size() > characters;
    if (cut)
        text.truncate(characters);
    return text;
}

std::size_t GridData::byteCount(long row, int col) const {
    const std::uint32_t r = storeRow(row);
    if (!isModified(r, col) && base_.count(cellKey(r, col)) == 0)
        return store_.isNull(r, static_cast<std::size_t>(col))
                   ? 0
                   : store_.cellSize(r, static_cast<std::size_t>(col));
    return static_cast<std::size_t>(bytes(row, col).size());
}

bool GridData::storedUtf8(long row, int col, std::string& scratch, std::string_view& cell) const {
    const auto c = static_cast<std::size_t>(col);
    if (!edits_.empty() || !base_.empty() || definition_.columns[c].kind == ColumnKind::Binary)
        return false;
    cell = store_.view(storeRow(row), c, scratch);
    return true;
}

QByteArray GridData::bytes(long row, int col) const {
    if (definition_.columns[static_cast<std::size_t>(col)].kind != ColumnKind::Binary)
        return {};
    const std::uint32_t r = storeRow(row);
    if (!isModified(r, col) && base_.count(cellKey(r, col)) == 0)
        return store_.isNull(r, static_cast<std::size_t>(col))
                   ? QByteArray()
                   : store_.bytes(r, static_cast<std::size_t>(col));
    return QByteArray::fromHex(current(r, col).value_or(QString()).toLatin1());
}

void GridData::materializeOrder() {
    if (ordered_)
        return;
    order_.resize(store_.rowCount());
    std::iota(order_.begin(), order_.end(), 0U);
    ordered_ = true;
}

long GridData::insertRow(long before) {
    const auto newRow = static_cast<std::uint32_t>(store_.rowCount());
    for (std::size_t col = 0; col < store_.columnCount(); ++col)
        store_.appendNull(col);
    store_.commitRow();
    inserted_.insert(newRow);
    const long count = rowCount();
    if (before < 0 || before >= count - 1) {
        if (ordered_)
            order_.push_back(newRow);
        return rowCount() - 1;
    }
    materializeOrder();
    order_.pop_back();
    order_.insert(order_.begin() + before, newRow);
    return before;
}

bool GridData::deleteRow(long row) {
    if (row < 0 || row >= rowCount())
        return false;
    materializeOrder();
    const std::uint32_t r = order_[static_cast<std::size_t>(row)];
    order_.erase(order_.begin() + row);
    if (inserted_.erase(r) == 0)
        deleted_.push_back({r, row});
    modified_.erase(r);
    return true;
}

bool GridData::setItem(long row, int col, const CellValue& value) {
    if (row < 0 || row >= rowCount() || col < 0 || col >= columnCount())
        return false;
    const std::uint32_t r = storeRow(row);
    const std::uint64_t key = cellKey(r, col);
    // A cell of a new row is written once it is set at all, even to NULL.
    if (original(r, col) == value && inserted_.count(r) == 0) {
        edits_.erase(key);
    } else {
        edits_[key] = value;
    }
    defaulted_.erase(key);
    if (inserted_.count(r) == 0) {
        bool anyEdit = false;
        for (int c = 0; c < columnCount() && !anyEdit; ++c)
            anyEdit = edits_.count(cellKey(r, c)) != 0;
        if (anyEdit)
            modified_.insert(r);
        else
            modified_.erase(r);
    }
    return true;
}

bool GridData::isDefault(long row, int col) const {
    // Only rows a database fills in have defaults; a grid the program fills has none.
    if (definition_.updateTable.isEmpty())
        return false;
    const std::uint32_t r = storeRow(row);
    const std::uint64_t key = cellKey(r, col);
    if (inserted_.count(r) != 0)
        return edits_.count(key) == 0;
    return !defaulted_.empty() && defaulted_.count(key) != 0;
}

void GridData::sort(const std::vector<SortKey>& keys) {
    if (!keys.empty())
        setOrder(sortedOrder(*this, keys, nullptr));
}

std::vector<std::uint32_t> GridData::displayOrder() const {
    if (ordered_)
        return order_;
    std::vector<std::uint32_t> order(static_cast<std::size_t>(rowCount()));
    std::iota(order.begin(), order.end(), 0U);
    return order;
}

void GridData::setOrder(std::vector<std::uint32_t> order) {
    order_ = std::move(order);
    ordered_ = true;
}

bool GridData::hasPendingChanges() const {
    if (!deleted_.empty() || !modified_.empty())
        return true;
    for (std::uint32_t r : inserted_) {
        for (int c = 0; c < columnCount(); ++c) {
            if (edits_.count(cellKey(r, c)) != 0)
                return true;
        }
    }
    return false;
}

std::vector<GridData::Change> GridData::pendingChanges() const {
    std::vector<Change> changes;
    for (const Deleted& d : deleted_)
        changes.push_back({Change::Delete, d.storeRow, d.row});
    // Modified and inserted rows in display order, so that statements follow what the user sees.
    const long count = rowCount();
    for (long row = 0; row < count; ++row) {
        const std::uint32_t r = storeRow(row);
        if (inserted_.count(r) != 0) {
            bool edited = false;
            for (int c = 0; c < columnCount() && !edited; ++c)
                edited = edits_.count(cellKey(r, c)) != 0;
            if (edited)
                changes.push_back({Change::Insert, r, row});
        } else if (modified_.count(r) != 0)
            changes.push_back({Change::Modify, r, row});
    }
    return changes;
}

void GridData::acceptChanges() {
    // New rows that nobody edited were not written: they stay new.
    std::unordered_set<std::uint32_t> unwritten;
    for (std::uint32_t r : inserted_) {
        bool edited = false;
        for (int c = 0; c < columnCount(); ++c) {
            if (edits_.count(cellKey(r, c)) != 0)
                edited = true;
        }
        if (!edited) {
            unwritten.insert(r);
            continue;
        }
        for (int c = 0; c < columnCount(); ++c) {
            if (edits_.count(cellKey(r, c)) == 0)
                defaulted_.insert(cellKey(r, c));
        }
    }
    for (auto& [key, value] : edits_)
        base_[key] = value;
    edits_.clear();
    inserted_ = std::move(unwritten);
    modified_.clear();
    deleted_.clear();
}

void GridData::setSaved(std::uint32_t storeRow, int col, const CellValue& value) {
    const std::uint64_t key = cellKey(storeRow, col);
    base_[key] = value;
    defaulted_.erase(key);
}

} // namespace platform::grid
