#include "platform/grid/gridmodel.h"

#include "platform/grid/row_order.h"

#include <QBrush>
#include <QCollator>
#include <QColor>
#include <QFont>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace platform::grid {

namespace {

// Every model of the process, for the memory their rows hold together.
struct Models {
    std::mutex mutex;
    std::vector<const GridModel*> all;
};

Models& models() {
    static Models instance;
    return instance;
}

} // namespace

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {
    Models& m = models();
    std::lock_guard lock(m.mutex);
    m.all.push_back(this);
}

// A sort by a heading, computed on a worker.
struct GridModel::SortJob {
    std::thread worker;
    std::atomic<bool> cancel{false};
    std::optional<std::vector<std::uint32_t>> order;
    std::function<void(bool)> done;
};

GridModel::~GridModel() {
    if (sortJob_) {
        sortJob_->cancel = true;
        sortJob_->worker.join();
    }
    Models& m = models();
    std::lock_guard lock(m.mutex);
    m.all.erase(std::find(m.all.begin(), m.all.end(), this));
}

std::size_t GridModel::rowMemoryOfAllGrids() {
    Models& m = models();
    std::lock_guard lock(m.mutex);
    std::size_t total = 0;
    for (const GridModel* model : m.all)
        total += model->data_.allocatedBytes();
    return total;
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : published_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : data_.columnCount();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= published_)
        return {};
    const int col = index.column();
    const ColumnInfo& column = data_.column(col);
    switch (role) {
    case Qt::DisplayRole: {
        if (data_.isNull(index.row(), col))
            return data_.isDefault(index.row(), col) ? QStringLiteral("default")
                                                     : QStringLiteral("NULL");
        // Only the start of a cell is read: a cell may hold megabytes.
        bool cut = false;
        if (column.kind == ColumnKind::Binary) {
            const QString hex = data_.head(index.row(), col, 16, cut);
            return cut ? QStringLiteral("0x%1\u2026 (%2 bytes)")
                             .arg(hex)
                             .arg(static_cast<qulonglong>(data_.byteCount(index.row(), col)))
                       : QStringLiteral("0x%1").arg(hex);
        }
        QString text = data_.head(index.row(), col, kShownCharacters, cut);
        if (cut)
            text.append(u'\u2026');
        // One line per row: line breaks show as a visible mark.
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\u21b5"));
        text.replace(u'\n', u'\u21b5');
        text.replace(u'\r', u'\u21b5');
        return text;
    }
    case Qt::EditRole:
        return data_.isNull(index.row(), col) ? QVariant() : QVariant(data_.text(index.row(), col));
    case Qt::ToolTipRole:
        if (column.kind != ColumnKind::Binary && !data_.isNull(index.row(), col)) {
            bool cut = false;
            const QString text = data_.head(index.row(), col, 4000, cut);
            if (text.size() > kShownCharacters)
                return text;
        }
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (isNumeric(column.kind) ? Qt::AlignRight : Qt::AlignLeft));
    case Qt::ForegroundRole:
        if (data_.isNull(index.row(), col))
            return QBrush(QColor(0x80, 0x80, 0x80));
        return {};
    case Qt::FontRole:
        if (data_.isNull(index.row(), col)) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return {};
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= data_.columnCount())
        return {};
    const ColumnInfo& column = data_.column(section);
    return column.label.isEmpty() ? column.name : column.label;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const GridDefinition& definition = data_.definition();
    if (!busy() && !definition.updateTable.isEmpty() && data_.column(index.column()).updatable &&
        data_.column(index.column()).kind != ColumnKind::Binary)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    // An invalid value is NULL; any text, the empty text too, is that text.
    const CellValue cell = value.isValid() ? CellValue(value.toString()) : CellValue();
    if (!data_.setItem(index.row(), index.column(), cell))
        return false;
    Q_EMIT dataChanged(index, index);
    return true;
}

void GridModel::resetAll() {
    beginResetModel();
    published_ = static_cast<int>(data_.rowCount());
    endResetModel();
}

void GridModel::publishRows() {
    const int rows = static_cast<int>(data_.rowCount());
    if (rows > published_) {
        beginInsertRows({}, published_, rows - 1);
        published_ = rows;
        endInsertRows();
    } else if (rows < published_) {
        resetAll();
    }
}

// --- busy state

GridModel::Hold::~Hold() {
    if (model_ != nullptr)
        model_->becomeIdle();
}

GridModel::Hold GridModel::hold(const void* owner, std::function<void()> stop) {
    if (busy())
        return {};
    state_ = RowsState::Held;
    owner_ = owner;
    stop_ = std::move(stop);
    return Hold(this);
}

void GridModel::stopWork() {
    if (state_ == RowsState::Retrieving)
        session_->stop();
    else if (state_ == RowsState::Held && stop_)
        stop_();
}

void GridModel::becomeIdle() {
    state_ = RowsState::Idle;
    owner_ = nullptr;
    stop_ = nullptr;
    Q_EMIT idle();
}

// --- changes

bool GridModel::setDefinition(GridDefinition definition) {
    if (busy())
        return false;
    data_.setDefinition(std::move(definition));
    resetAll();
    return true;
}

bool GridModel::clear() {
    if (busy())
        return false;
    data_.clear();
    resetAll();
    return true;
}

long GridModel::insertRowBefore(long before) {
    if (busy() || data_.columnCount() == 0)
        return -1;
    const long row = data_.insertRow(before);
    beginInsertRows({}, static_cast<int>(row), static_cast<int>(row));
    ++published_;
    endInsertRows();
    return row;
}

bool GridModel::deleteRow(long row) {
    if (busy() || row < 0 || row >= data_.rowCount())
        return false;
    beginRemoveRows({}, static_cast<int>(row), static_cast<int>(row));
    data_.deleteRow(row);
    --published_;
    endRemoveRows();
    return true;
}

bool GridModel::setItem(long row, int column, const CellValue& value) {
    if (busy() || !data_.setItem(row, column, value))
        return false;
    const QModelIndex cell = index(static_cast<int>(row), column);
    Q_EMIT dataChanged(cell, cell);
    return true;
}

bool GridModel::sortRows(const std::vector<SortKey>& keys) {
    if (busy())
        return false;
    Q_EMIT layoutAboutToBeChanged();
    data_.sort(keys);
    Q_EMIT layoutChanged();
    return true;
}

bool GridModel::sortInBackground(const void* owner, std::vector<SortKey> keys,
                                 std::function<void(bool)> done) {
    if (busy())
        return false;
    state_ = RowsState::Held;
    owner_ = owner;
    sortJob_ = std::make_unique<SortJob>();
    sortJob_->done = std::move(done);
    SortJob* job = sortJob_.get();
    stop_ = [job] {
        job->cancel = true;
    };
    job->worker = std::thread([this, job, keys = std::move(keys)] {
        try {
            const QCollator collator; // the user's locale
            job->order = keys.empty() ? arrivalOrder(data_)
                                      : sortedOrder(data_, keys, &collator, &job->cancel);
        } catch (const OrderCancelled&) {
        } catch (const std::bad_alloc&) {
            // No memory for the order: the rows stay as they are.
        }
        // By name: the call is queued inside Qt, which the worker must not reach into.
        QMetaObject::invokeMethod(this, "finishSort", Qt::QueuedConnection);
    });
    return true;
}

void GridModel::finishSort() {
    if (!sortJob_)
        return;
    sortJob_->worker.join();
    const std::unique_ptr<SortJob> job = std::move(sortJob_);
    const bool sorted = job->order.has_value() && !job->cancel;
    if (sorted)
        applyOrder(std::move(*job->order));
    becomeIdle();
    if (job->done)
        job->done(sorted);
}

void GridModel::applyOrder(std::vector<std::uint32_t> order) {
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The display row that each stored row gets, for the views' current cells and selections.
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> oldStore;
    oldStore.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        oldStore.push_back(data_.storeRow(index.row()));
    data_.setOrder(std::move(order));
    if (!before.isEmpty()) {
        std::unordered_map<std::uint32_t, int> rowOf;
        for (const std::uint32_t r : oldStore)
            rowOf.emplace(r, -1);
        for (long row = 0; row < data_.rowCount(); ++row) {
            const auto it = rowOf.find(data_.storeRow(row));
            if (it != rowOf.end())
                it->second = static_cast<int>(row);
        }
        QModelIndexList after;
        for (qsizetype i = 0; i < before.size(); ++i)
            after << index(rowOf[oldStore[static_cast<std::size_t>(i)]], before[i].column());
        changePersistentIndexList(before, after);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool GridModel::acceptSaved(const std::vector<SavedCell>& saved) {
    if (busy())
        return false;
    data_.acceptChanges();
    for (const SavedCell& cell : saved)
        data_.setSaved(cell.storeRow, cell.column, cell.value);
    if (data_.rowCount() > 0 && data_.columnCount() > 0)
        Q_EMIT dataChanged(index(0, 0),
                           index(static_cast<int>(data_.rowCount()) - 1, data_.columnCount() - 1));
    return true;
}

// --- retrieval

bool GridModel::startRetrieval(RetrievalRequest request, std::function<void()> done) {
    if (busy() || request.slot == nullptr)
        return false;
    RowStore& store = data_.beginRetrieval();
    resetAll();
    state_ = RowsState::Retrieving;
    owner_ = request.owner;
    session_ =
        std::make_unique<RetrievalSession>(*this, store, std::move(request), std::move(done));
    session_->start();
    return true;
}

RetrievalOutcome GridModel::finishRetrieval() {
    if (state_ != RowsState::Retrieving)
        return {};
    RetrievalOutcome outcome = session_->finish();
    session_.reset();
    publishRows();
    becomeIdle();
    return outcome;
}

} // namespace platform::grid
