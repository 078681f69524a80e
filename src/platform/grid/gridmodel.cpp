#include "platform/grid/gridmodel.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <algorithm>
#include <mutex>
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

GridModel::~GridModel() {
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
    if (!retrieving() && !definition.updateTable.isEmpty() &&
        data_.column(index.column()).updatable &&
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

void GridModel::retrievalStarted(std::function<void()> cancel) {
    cancel_ = std::move(cancel);
}

void GridModel::retrievalEnded() {
    cancel_ = nullptr;
    Q_EMIT idle();
}

void GridModel::cancelRetrieval() {
    if (cancel_)
        cancel_();
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

void GridModel::rowsChangedInPlace(long first, long last) {
    if (first > last || data_.columnCount() == 0)
        return;
    Q_EMIT dataChanged(index(static_cast<int>(first), 0),
                       index(static_cast<int>(last), data_.columnCount() - 1));
}

void GridModel::insertedRow(long row) {
    beginInsertRows({}, static_cast<int>(row), static_cast<int>(row));
    ++published_;
    endInsertRows();
}

void GridModel::removedRow(long row) {
    beginRemoveRows({}, static_cast<int>(row), static_cast<int>(row));
    --published_;
    endRemoveRows();
}

void GridModel::orderChanged() {
    Q_EMIT layoutAboutToBeChanged();
    Q_EMIT layoutChanged();
}

} // namespace platform::grid
