#include "platform/grid/grid_view.h"

#include "platform/grid/clipboard.h"
#include "platform/grid/gridmodel.h"
#include "platform/grid/syntax.h"
#include "platform/host.h"
#include "platform/qtcompat.h"
#include "platform/units.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <memory>

namespace platform::grid {

// Paints the rows the view highlights (the shared model knows nothing of highlighting), and
// edits cells so that NULL stays NULL: an editor opened on NULL and left without typing changes
// nothing, and empty input is empty text only in a text column.
class GridView::Delegate final : public QStyledItemDelegate {
public:
    explicit Delegate(GridView* owner) : QStyledItemDelegate(owner), owner_(owner) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* edit = static_cast<QLineEdit*>(editor);
        if (edit->isModified() || owner_->model_ == nullptr)
            return; // what the user typed stays
        const QVariant value = index.data(Qt::EditRole);
        edit->setText(value.isValid() ? value.toString() : QString());
        // NULL (or the server's default) stays visible as such while the editor is empty.
        const GridData& rows = owner_->model_->rows();
        edit->setPlaceholderText(!value.isValid() ? (rows.isDefault(index.row(), index.column())
                                                         ? QStringLiteral("default")
                                                         : QStringLiteral("NULL"))
                                                  : QString());
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* edit = static_cast<QLineEdit*>(editor);
        if (!edit->isModified() || owner_->model_ == nullptr)
            return;
        const QString text = edit->text();
        const bool textColumn =
            owner_->model_->rows().column(index.column()).kind == ColumnKind::Text;
        model->setData(index, text.isEmpty() && !textColumn ? QVariant() : QVariant(text),
                       Qt::EditRole);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (owner_->isRowHighlighted(index.row() + 1))
            option->state |= QStyle::State_Selected;
        else
            option->state &= ~QStyle::State_Selected;
    }

private:
    GridView* owner_;
};

GridView::GridView(QWidget* parent)
    : QTableView(parent), delegate_(new Delegate(this)),
      setNull_(new QAction(QStringLiteral("Set to NULL"), this)),
      copy_(new QAction(QStringLiteral("Copy"), this)),
      copyWithHeadings_(new QAction(QStringLiteral("Copy with Headings"), this)) {
    setSelectionMode(QAbstractItemView::NoSelection);
    setItemDelegate(delegate_);
    setNull_->setShortcut(compat::keySequence(Qt::AltModifier, Qt::Key_Delete));
    copy_->setShortcut(QKeySequence::Copy);
    copyWithHeadings_->setShortcut(
        compat::keySequence(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_C));
    for (QAction* action : {setNull_, copy_, copyWithHeadings_}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    connect(setNull_, &QAction::triggered, this, &GridView::setCurrentCellNull);
    connect(copy_, &QAction::triggered, this, [this] { copyToClipboard(false); });
    connect(copyWithHeadings_, &QAction::triggered, this, [this] { copyToClipboard(true); });
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &GridView::showContextMenu);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Big grids: every row has the same height, so the view never measures rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    viewport()->installEventFilter(this);
    horizontalHeader()->viewport()->installEventFilter(this);
    installEventFilter(this);
    // QTableView repaints every cell in sight whenever the row count changes; while rows arrive
    // below the last one in sight that is a full paint a few times a second for nothing.
    if (disconnect(verticalHeader(), SIGNAL(sectionCountChanged(int, int)), this,
                   SLOT(rowCountChanged(int, int))))
        connect(verticalHeader(), &QHeaderView::sectionCountChanged, this, &GridView::rowsCounted);
}

void GridView::rowsCounted(int oldCount, int newCount) {
    const int lastInSight = rowAt(viewport()->height() - 1);
    if (newCount > oldCount && lastInSight >= 0 && lastInSight < oldCount)
        updateGeometries(); // only the scroll bars change
    else
        rowCountChanged(oldCount, newCount);
}

void GridView::setGridModel(GridModel* model) {
    if (model_ != nullptr)
        disconnect(model_, nullptr, this, nullptr);
    model_ = model;
    setModel(model);
    highlighted_.clear();
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        highlighted_.clear();
        sizeColumns();
        // A new result starts at its first column.
        horizontalScrollBar()->setValue(0);
    });
    sizeColumns();
}

long GridView::rowCount() const {
    return model_ != nullptr ? model_->rows().rowCount() : 0;
}

std::size_t GridView::storeRowOf(long row) const {
    return model_->rows().storeRow(row - 1);
}

void GridView::sizeColumns() {
    if (model_ == nullptr)
        return;
    const GridDefinition& def = model_->rows().definition();
    QStringList names;
    for (const ColumnInfo& column : def.columns)
        names << column.name;
    if (names == sizedColumns_)
        return;
    sizedColumns_ = names;
    // A width counts characters of about 28 units; a larger font (a 12-point desktop font)
    // widens the columns by as much, so that what fitted still fits. Never narrower.
    const double designChar = unitsToPixelsX(28);
    // The wider of a digit and an average lower-case letter.
    const auto perChar = [](const QFontMetrics& metrics) {
        const QString digits = QStringLiteral("0123456789");
        const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
        return std::max(metrics.horizontalAdvance(digits) / 10.0,
                        metrics.horizontalAdvance(letters) / 26.0);
    };
    const double fontChar =
        std::max(perChar(fontMetrics()), perChar(horizontalHeader()->fontMetrics()));
    const double scale = designChar > 0 ? std::max(1.0, fontChar / designChar) : 1.0;
    QHeaderView* header = horizontalHeader();
    for (int i = 0; i < static_cast<int>(def.columns.size()); ++i) {
        const double width =
            unitsToPixelsX(grid::columnWidth(def.columns[static_cast<std::size_t>(i)])) * scale;
        header->resizeSection(i, static_cast<int>(std::clamp(width, 40.0, 400.0 * scale)));
    }
}

void GridView::highlightStoreRow(std::size_t storeRow, bool on) {
    if (storeRow >= highlighted_.size())
        highlighted_.resize(storeRow + 1, false);
    highlighted_[storeRow] = on;
}

bool GridView::setRowHighlighted(long row, bool on) {
    if (row == 0) {
        highlighted_.clear();
        if (on)
            highlighted_.reserve(static_cast<std::size_t>(rowCount()));
        for (long r = 1; on && r <= rowCount(); ++r)
            highlightStoreRow(storeRowOf(r), true);
    } else if (row >= 1 && row <= rowCount()) {
        highlightStoreRow(storeRowOf(row), on);
    } else {
        return false;
    }
    viewport()->update();
    return true;
}

bool GridView::isRowHighlighted(long row) const {
    if (row < 1 || row > rowCount())
        return false;
    const std::size_t s = storeRowOf(row);
    return s < highlighted_.size() && highlighted_[s];
}

long GridView::highlightedRowAfter(long after) const {
    for (long row = std::max(after, 0L) + 1; row <= rowCount(); ++row) {
        if (isRowHighlighted(row))
            return row;
    }
    return 0;
}

void GridView::acceptEdit() {
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return;
    if (QWidget* editor = indexWidget(index)) {
        Q_EMIT delegate_->commitData(editor);
        Q_EMIT delegate_->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void GridView::copyToClipboard(bool headings) const {
    if (model_ == nullptr)
        return;
    std::vector<long> rows;
    for (long row = highlightedRowAfter(0); row != 0; row = highlightedRowAfter(row))
        rows.push_back(row - 1);
    ClipboardText text;
    if (!rows.empty()) {
        text = clipboardText(model_->rows(), rows, headings);
    } else {
        const QModelIndex current = currentIndex();
        if (!current.isValid())
            return;
        text = clipboardCell(model_->rows(), current.row(), current.column(), headings);
    }
    auto mime = std::make_unique<QMimeData>();
    mime->setText(text.plain);
    mime->setHtml(text.html);
    QGuiApplication::clipboard()->setMimeData(mime.release()); // the clipboard takes it over
}

bool GridView::refuseInputWhileBusy() const {
    return refuseWhileWindowBusy(this, model_ != nullptr && model_->busy());
}

void GridView::setCurrentCellNull() {
    const QModelIndex index = currentIndex();
    if (model_ == nullptr || !index.isValid() || !(model_->flags(index) & Qt::ItemIsEditable))
        return;
    // An editor open on the cell closes without writing what it holds.
    if (QWidget* editor = indexWidget(index))
        Q_EMIT delegate_->closeEditor(editor, QAbstractItemDelegate::NoHint);
    model_->setData(index, QVariant(), Qt::EditRole);
}

void GridView::showContextMenu(const QPoint& position) {
    const QModelIndex index = indexAt(position);
    if (model_ == nullptr || !index.isValid())
        return;
    setCurrentIndex(index);
    setNull_->setEnabled(model_->flags(index) & Qt::ItemIsEditable);
    QMenu menu(this);
    menu.addAction(copy_);
    menu.addAction(copyWithHeadings_);
    menu.addSeparator();
    menu.addAction(setNull_);
    menu.exec(viewport()->mapToGlobal(position));
    setNull_->setEnabled(true);
}

bool GridView::eventFilter(QObject* watched, QEvent* event) {
    // While the rows of this grid's sheet are being retrieved, a click on the grid is no
    // command: it would start another retrieval or change rows under the running one.
    if ((event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonDblClick) &&
        watched == viewport() && refuseInputWhileBusy())
        return true;
    if (event->type() == QEvent::MouseButtonPress && model_ != nullptr) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = compat::position(*mouse).toPoint();
        const GridDefinition& def = model_->rows().definition();
        DwObject dwo;
        long row = 0;
        if (watched == viewport()) {
            const QModelIndex index = indexAt(pos);
            if (index.isValid()) {
                row = index.row() + 1;
                dwo = {QStringLiteral("column"),
                       def.columns[static_cast<std::size_t>(index.column())].name};
            } else {
                dwo = {QStringLiteral("datawindow"), QStringLiteral("datawindow")};
            }
        } else if (watched == horizontalHeader()->viewport()) {
            if (refuseInputWhileBusy())
                return QTableView::eventFilter(watched, event);
            const int section = horizontalHeader()->logicalIndexAt(pos);
            dwo.type = QStringLiteral("text");
            if (section >= 0)
                dwo.name =
                    def.columns[static_cast<std::size_t>(section)].name + QStringLiteral("_t");
        } else {
            return QTableView::eventFilter(watched, event);
        }
        const QPoint inParent = static_cast<QWidget*>(watched)->mapTo(parentWidget(), pos);
        Q_EMIT clickedAt(inParent.x(), inParent.y(), row, dwo);
    } else if (watched == this && event->type() == QEvent::FocusIn) {
        Q_EMIT gotFocus();
    } else if (watched == this && event->type() == QEvent::FocusOut) {
        Q_EMIT lostFocus();
    }
    return QTableView::eventFilter(watched, event);
}

} // namespace platform::grid
