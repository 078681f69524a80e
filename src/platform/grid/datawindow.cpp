#include "platform/grid/datawindow.h"

#include "platform/grid/clipboard.h"
#include "platform/grid/dataobject.h"
#include "platform/grid/export.h"
#include "platform/grid/gridmodel.h"
#include "platform/grid/gridprint.h"
#include "platform/grid/retrieval.h"
#include "platform/grid/save.h"
#include "platform/grid/syntax.h"
#include "platform/grid/update_sql.h"
#include "platform/host.h"
#include "platform/memorylimit.h"
#include "platform/messagebox.h"
#include "platform/modal.h"
#include "platform/odbc/diagnostics.h"
#include "platform/odbc/handles.h"
#include "platform/odbc/transaction.h"
#include "platform/odbc/values.h"
#include "platform/odbc/wide.h"
#include "platform/printjob.h"
#include "platform/progress.h"
#include "platform/qtcompat.h"
#include "platform/units.h"

#include <QAction>
#include <QClipboard>
#include <QEventLoop>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <new>
#include <sqlext.h>

namespace platform::grid {

// Paints the rows this grid highlights (the shared model knows nothing of highlighting), and
// edits cells so that NULL stays NULL: an editor opened on NULL and left without typing changes
// nothing, and empty input is empty text only in a text column.
class DataWindow::Delegate final : public QStyledItemDelegate {
public:
    explicit Delegate(DataWindow* owner) : QStyledItemDelegate(owner), owner_(owner) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* edit = static_cast<QLineEdit*>(editor);
        if (edit->isModified())
            return; // what the user typed stays
        const QVariant value = index.data(Qt::EditRole);
        edit->setText(value.isValid() ? value.toString() : QString());
        // NULL (or the server's default) stays visible as such while the editor is empty.
        const GridData& rows = owner_->rows();
        edit->setPlaceholderText(!value.isValid() ? (rows.isDefault(index.row(), index.column())
                                                         ? QStringLiteral("default")
                                                         : QStringLiteral("NULL"))
                                                  : QString());
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* edit = static_cast<QLineEdit*>(editor);
        if (!edit->isModified())
            return;
        const QString text = edit->text();
        const bool textColumn = owner_->rows().column(index.column()).kind == ColumnKind::Text;
        model->setData(index, text.isEmpty() && !textColumn ? QVariant() : QVariant(text),
                       Qt::EditRole);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (owner_->IsSelected(index.row() + 1))
            option->state |= QStyle::State_Selected;
        else
            option->state &= ~QStyle::State_Selected;
    }

private:
    DataWindow* owner_;
};

DataWindow::DataWindow(QWidget* parent)
    : QWidget(parent), view_(new QTableView(this)), delegate_(new Delegate(this)),
      setNull_(new QAction(QStringLiteral("Set to NULL"), view_)),
      copy_(new QAction(QStringLiteral("Copy"), view_)),
      copyWithHeadings_(new QAction(QStringLiteral("Copy with Headings"), view_)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    view_->setSelectionMode(QAbstractItemView::NoSelection);
    view_->setItemDelegate(delegate_);
    setNull_->setShortcut(compat::keySequence(Qt::AltModifier, Qt::Key_Delete));
    setNull_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    view_->addAction(setNull_);
    connect(setNull_, &QAction::triggered, this, &DataWindow::setCurrentCellNull);
    copy_->setShortcut(QKeySequence::Copy);
    copyWithHeadings_->setShortcut(
        compat::keySequence(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_C));
    for (QAction* action : {copy_, copyWithHeadings_}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        view_->addAction(action);
    }
    connect(copy_, &QAction::triggered, this, [this] { copyToClipboard(false); });
    connect(copyWithHeadings_, &QAction::triggered, this, [this] { copyToClipboard(true); });
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this, &DataWindow::showContextMenu);
    view_->setWordWrap(false);
    view_->setTextElideMode(Qt::ElideRight);
    view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Big grids: every row has the same height, so the view never measures rows.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    view_->viewport()->installEventFilter(this);
    view_->horizontalHeader()->viewport()->installEventFilter(this);
    view_->installEventFilter(this);
    useModel(std::make_shared<GridModel>());
}

DataWindow::~DataWindow() {
    if (retrieval_) {
        retrieval_->stop();
        retrieval_->join();
        retrieval_.reset();
        if (retrievingSlot_ != nullptr)
            retrievingSlot_->retrievalEnded();
        model_->retrievalEnded();
    }
}

bool DataWindow::retrieving() const {
    return model_->retrieving();
}

void DataWindow::useModel(std::shared_ptr<GridModel> model) {
    if (model_)
        disconnect(model_.get(), nullptr, this, nullptr);
    model_ = std::move(model);
    view_->setModel(model_.get());
    selected_.clear();
    connect(model_.get(), &QAbstractItemModel::modelReset, this, [this] {
        selected_.clear();
        applyDefinition();
    });
    connect(model_.get(), &GridModel::idle, this, &DataWindow::idle);
    applyDefinition();
}

const GridDefinition& DataWindow::definition() const {
    return model_->data().definition();
}

const GridData& DataWindow::rows() const {
    return model_->data();
}

void DataWindow::applyDefinition() {
    // Widths come from the definition once; a new retrieval keeps what the user (or the window)
    // made of them.
    const GridDefinition& def = definition();
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
        std::max(perChar(view_->fontMetrics()), perChar(view_->horizontalHeader()->fontMetrics()));
    const double scale = designChar > 0 ? std::max(1.0, fontChar / designChar) : 1.0;
    QHeaderView* header = view_->horizontalHeader();
    for (int i = 0; i < static_cast<int>(def.columns.size()); ++i) {
        const double width =
            unitsToPixelsX(columnWidth(def.columns[static_cast<std::size_t>(i)])) * scale;
        header->resizeSection(i, static_cast<int>(std::clamp(width, 40.0, 400.0 * scale)));
    }
}

bool DataWindow::setDataObject(const QString& name) {
    if (retrieving())
        return false;
    dataObject_ = name;
    if (name.isEmpty()) {
        model_->data().setDefinition({});
        model_->resetAll();
        return true;
    }
    QString errors;
    const QString syntax = loadDataObject(name, errors);
    if (!errors.isEmpty())
        return false;
    return Create(syntax, errors) == 1;
}

int DataWindow::Create(const QString& syntax, QString& errors) {
    errors.clear();
    if (retrieving()) {
        errors = QStringLiteral("The grid is retrieving.");
        return -1;
    }
    GridDefinition def = parseSyntax(syntax, errors);
    if (!errors.isEmpty())
        return -1;
    model_->data().setDefinition(std::move(def));
    model_->resetAll();
    sortText_.clear();
    return 1;
}

QString DataWindow::Syntax() const {
    return definition().columns.empty() ? QString() : writeSyntax(definition());
}

QString DataWindow::TableSelect() const {
    return selectForDisplay(definition().select);
}

int DataWindow::setTableSelect(const QString& select) {
    if (retrieving())
        return -1;
    GridDefinition def = definition();
    def.select = selectFromDisplay(select);
    model_->data().setDefinition(std::move(def));
    model_->resetAll();
    return 1;
}

int DataWindow::SetTransObject(Transaction* slot) {
    slot_ = slot;
    return slot == nullptr ? -1 : 1;
}

void DataWindow::showDatabaseError(const QString& context, const QString& text) {
    if (dbError_ && dbError_(text) == 1)
        return;
    MessageBox(QStringLiteral("Database Error"), context + QStringLiteral("\n\n") + text,
               Icon::StopSign);
}

long DataWindow::Retrieve() {
    return retrieveRows(nullptr);
}

long DataWindow::RetrieveTableCatalog(const QHash<QString, TableCatalogColumn>& columns) {
    std::vector<int> sources;
    for (const ColumnInfo& column : definition().columns) {
        const auto source = columns.constFind(column.name);
        sources.push_back(source == columns.constEnd() ? 0 : static_cast<int>(*source));
    }
    return retrieveRows(&sources);
}

long DataWindow::retrieveRows(const std::vector<int>* tableCatalog) {
    // A retrieval that never starts ends here, before any message about it.
    lastRetrieveEnd_ = Now();
    if (retrieving())
        return -1;
    // A sheet that is closing retrieves nothing more: it closes once its handlers are done.
    if (windowClosing(this))
        return -1;
    const GridDefinition& def = definition();
    if (def.columns.empty() || (tableCatalog == nullptr && def.select.trimmed().isEmpty())) {
        showDatabaseError(QStringLiteral("Retrieve failed."),
                          QStringLiteral("The grid has no statement to retrieve."));
        return -1;
    }
    if (slot_ == nullptr || !slot_->isConnected()) {
        showDatabaseError(QStringLiteral("Retrieve failed."),
                          QStringLiteral("The grid has no connected transaction."));
        return -1;
    }

    Q_EMIT RetrieveStart();
    model_->data().clearForRetrieval();
    model_->resetAll();
    stopRequested_ = false;
    overflow_ = false;
    memoryStop_ = MemoryStop::None;
    lastPublish_.invalidate();

    QEventLoop loop;
    retrieveLoop_ = &loop;
    // The worker wakes this thread through its event queue, and each wake-up takes one batch,
    // so that input is handled between batches. One wake-up waits in the queue at a time: the
    // event loop handles every event that is queued when it starts a round before it looks at
    // input and timers again, and a wake-up queued for every batch would let one round take the
    // batches that keep arriving meanwhile again and again (with several grids retrieving at
    // once, for as long as their workers are busy).
    wakePending_ = false;
    auto wake = [this] {
        wakeUp();
    };
    if (tableCatalog == nullptr) {
        retrieval_ = std::make_unique<Retrieval>(slot_->handle(), slot_->statementFor(def.select),
                                                 def.columns.size(), slot_->charDataIsUtf8(),
                                                 std::move(wake));
    } else {
        Retrieval::TableCatalog catalog;
        for (const int source : *tableCatalog)
            catalog.resultColumns.push_back(static_cast<SQLUSMALLINT>(source));
        retrieval_ = std::make_unique<Retrieval>(slot_->handle(), std::move(catalog),
                                                 slot_->charDataIsUtf8(), std::move(wake));
    }
    // From here until the end, the rows are busy for every grid that shows them, and the slot
    // refuses to end its transaction under the open cursor.
    retrievingSlot_ = slot_;
    retrievingSlot_->retrievalStarted();
    model_->retrievalStarted([this] { stopRetrieval(); });
    retrieval_->start();
    loop.exec();

    // The loop may also have ended because the application is leaving.
    if (!retrieval_->done())
        retrieval_->stop();
    retrieval_->join();
    consumeBatches();
    model_->data().releaseUnusedMemory();
    lastRetrieveEnd_ = Now();
    if (retrieval_->outOfMemory() && memoryStop_ == MemoryStop::None)
        memoryStop_ = MemoryStop::OutOfMemory;
    QString error = retrieval_->errorText();
    if (overflow_)
        error = QStringLiteral("The result is too large: a column holds more than 4 GiB of "
                               "text. The rows read so far are kept.");
    retrieval_.reset();
    retrievingSlot_->retrievalEnded();
    // Reading holds no locks once it is done.
    retrievingSlot_->endReadWork();
    retrievingSlot_ = nullptr;
    model_->publishRows();
    model_->retrievalEnded();

    long result = RowCount();
    // The grid's own stops keep the rows as Stop does; the reason is told all the same.
    const QString kept = QLocale(QLocale::English).toString(static_cast<qlonglong>(result));
    if (memoryStop_ == MemoryStop::Limit) {
        MessageBox(QStringLiteral("Retrieve"),
                   QStringLiteral("The rows reached the memory limit of %1: the retrieval stopped "
                                  "after %2 rows; the rows read so far are kept. (Set the limit "
                                  "with --row-memory or DORVANE_ROW_MEMORY.)")
                       .arg(formatMemorySize(memoryLimit_), kept),
                   Icon::Exclamation);
    } else if (memoryStop_ == MemoryStop::OutOfMemory) {
        MessageBox(QStringLiteral("Retrieve"),
                   QStringLiteral("Not enough memory: the retrieval stopped after %1 rows; the "
                                  "rows read so far are kept.")
                       .arg(kept),
                   Icon::Exclamation);
    } else if (!error.isEmpty()) {
        showDatabaseError(QStringLiteral("Retrieve failed after %1 rows.").arg(result), error);
        // A column that would outgrow 4 GiB stops the retrieval; any other error fails it.
        if (!overflow_)
            result = -1;
    }
    Q_EMIT RetrieveEnd();
    return result;
}

void DataWindow::stopForGrid() {
    stopRequested_ = true;
    retrieval_->stop();
}

bool DataWindow::batchFitsRowMemory(const RowStore& batch) const {
    const std::uint64_t limit = rowMemoryLimit();
    if (limit == kNoRowMemoryLimit)
        return true;
    // This grid's rows go first into the memory they hold already (a retrieval reuses what
    // the one before it filled); the other grids hold what they hold.
    const GridData& data = model_->data();
    const std::size_t own = data.allocatedBytes();
    const std::size_t others = GridModel::rowMemoryOfAllGrids() - own;
    const std::size_t after = std::max(own, data.usedBytes() + batch.usedBytes());
    return std::uint64_t{others} + after <= limit;
}

void DataWindow::stopRetrieval() {
    if (retrieval_) {
        stopRequested_ = true;
        retrieval_->stop();
    }
}

void DataWindow::wakeUp() {
    if (!wakePending_.exchange(true))
        QMetaObject::invokeMethod(this, "batchesReady", Qt::QueuedConnection);
}

void DataWindow::batchesReady() {
    // Before the batches are taken: a batch delivered from now on wakes this thread again.
    wakePending_ = false;
    // One batch a turn of the event loop: input, timers, paints and the batches of other grids
    // that retrieve at the same time come between two batches of this grid.
    const bool more = consumeBatches(1);
    if (!retrieveLoop_ || !retrieval_)
        return;
    if (retrieval_->done())
        retrieveLoop_->quit();
    else if (more)
        wakeUp();
}

bool DataWindow::consumeBatches(std::size_t limit) {
    if (!retrieval_)
        return false;
    GridData& data = model_->data();
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
        const std::size_t rows = batch->rowCount();
        const long before = data.rowCount();
        if (!batchFitsRowMemory(*batch)) {
            memoryStop_ = MemoryStop::Limit;
            memoryLimit_ = rowMemoryLimit();
            stopForGrid();
            break;
        }
        // The whole batch goes in at once; RetrieveRow then sees the rows arrive one by one.
        bool fits = false;
        try {
            fits = data.appendRetrieved(*batch, 0, rows);
        } catch (const std::bad_alloc&) {
            // Nothing of the batch went in.
            memoryStop_ = MemoryStop::OutOfMemory;
            stopForGrid();
            break;
        }
        if (!fits) {
            overflow_ = true;
            stopForGrid();
            break;
        }
        if (retrieveRow_) {
            for (std::size_t i = 0; i < rows; ++i) {
                data.hideLastRows(rows - i - 1);
                if (retrieveRow_(before + static_cast<long>(i) + 1) == 1) {
                    stopRequested_ = true;
                    retrieval_->stop();
                    break;
                }
            }
            data.dropHiddenRows();
        }
    }
    // Views learn of new rows a few times a second: each change of the row count repaints the
    // view, which would cost more than the rows themselves if it happened for every batch.
    if (model_->rowCount() == 0 || !lastPublish_.isValid() || lastPublish_.elapsed() >= 200) {
        model_->publishRows();
        lastPublish_.start();
    }
    return limited;
}

void DataWindow::DBCancel() {
    model_->cancelRetrieval();
}

long DataWindow::RowCount() const {
    return model_->data().rowCount();
}

int DataWindow::ColumnCount() const {
    return model_->data().columnCount();
}

bool DataWindow::hasPendingChanges() const {
    // Rows a program filled in a grid that cannot write them (a list of its own) are no one's
    // unsaved work.
    const GridDefinition& def = definition();
    return !def.updateTable.isEmpty() && !keyColumns(def).empty() &&
           model_->data().hasPendingChanges();
}

void DataWindow::AcceptText() {
    const QModelIndex index = view_->currentIndex();
    if (!index.isValid())
        return;
    if (QWidget* editor = view_->indexWidget(index)) {
        Q_EMIT delegate_->commitData(editor);
        Q_EMIT delegate_->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

bool DataWindow::holdsUnsavedChanges() {
    AcceptText();
    return hasPendingChanges();
}

void DataWindow::callWhenIdle(QObject* context, std::function<void()> then) {
    connect(this, &DataWindow::idle, context, std::move(then));
}

int DataWindow::Reset() {
    if (retrieving())
        return -1;
    model_->data().clear();
    model_->resetAll();
    return 1;
}

long DataWindow::InsertRow(long before) {
    if (retrieving() || definition().columns.empty())
        return -1;
    const long row = model_->data().insertRow(before <= 0 ? -1 : before - 1);
    model_->insertedRow(row);
    return row + 1;
}

int DataWindow::DeleteRow(long row) {
    if (retrieving() || !validRow(row))
        return -1;
    model_->data().deleteRow(row - 1);
    model_->removedRow(row - 1);
    return 1;
}

QString DataWindow::GetItemString(long row, int column) const {
    if (!validRow(row) || column < 1 || column > ColumnCount())
        return {};
    return model_->data().text(row - 1, column - 1);
}

QString DataWindow::GetItemString(long row, const QString& column) const {
    return GetItemString(row, definition().columnIndex(column) + 1);
}

bool DataWindow::isItemNull(long row, int column) const {
    if (!validRow(row) || column < 1 || column > ColumnCount())
        return true;
    return model_->data().isNull(row - 1, column - 1);
}

int DataWindow::SetItem(long row, int column, const QString& value) {
    if (retrieving() || !model_->data().setItem(row - 1, column - 1, value))
        return -1;
    model_->rowsChangedInPlace(row - 1, row - 1);
    return 1;
}

int DataWindow::SetItem(long row, const QString& column, const QString& value) {
    return SetItem(row, definition().columnIndex(column) + 1, value);
}

int DataWindow::SetItemNull(long row, int column) {
    if (retrieving() || !model_->data().setItem(row - 1, column - 1, std::nullopt))
        return -1;
    model_->rowsChangedInPlace(row - 1, row - 1);
    return 1;
}

long DataWindow::storeRowOf(long row) const {
    return model_->data().storeRow(row - 1);
}

int DataWindow::SelectRow(long row, bool on) {
    if (row == 0) {
        selected_.assign(on ? static_cast<std::size_t>(RowCount()) + 64 : 0, on);
        if (on) {
            for (long r = 1; r <= RowCount(); ++r) {
                const auto s = static_cast<std::size_t>(storeRowOf(r));
                if (s >= selected_.size())
                    selected_.resize(s + 1, false);
                selected_[s] = true;
            }
        }
        view_->viewport()->update();
        return 1;
    }
    if (!validRow(row))
        return -1;
    const auto s = static_cast<std::size_t>(storeRowOf(row));
    if (s >= selected_.size())
        selected_.resize(s + 1, false);
    selected_[s] = on;
    view_->viewport()->update();
    return 1;
}

bool DataWindow::IsSelected(long row) const {
    if (!validRow(row))
        return false;
    const auto s = static_cast<std::size_t>(storeRowOf(row));
    return s < selected_.size() && selected_[s];
}

long DataWindow::GetSelectedRow(long after) const {
    for (long row = std::max(after, 0L) + 1; row <= RowCount(); ++row) {
        if (IsSelected(row))
            return row;
    }
    return 0;
}

int DataWindow::SetSort(const QString& text) {
    if (!parseSortText(text, definition()))
        return -1;
    sortText_ = text;
    return 1;
}

int DataWindow::Sort() {
    if (retrieving())
        return -1;
    const auto keys = parseSortText(sortText_, definition());
    if (!keys)
        return -1;
    model_->data().sort(*keys);
    model_->orderChanged();
    view_->viewport()->update();
    return 1;
}

int DataWindow::ShareData(DataWindow* other) {
    if (other == nullptr || other == this || retrieving() || other->retrieving())
        return -1;
    other->useModel(model_);
    return 1;
}

bool DataWindow::refuseInputWhileBusy() const {
    return refuseWhileWindowBusy(this, retrieving());
}

void DataWindow::setCurrentCellNull() {
    const QModelIndex index = view_->currentIndex();
    if (!index.isValid() || !(model_->flags(index) & Qt::ItemIsEditable))
        return;
    // An editor open on the cell closes without writing what it holds.
    if (QWidget* editor = view_->indexWidget(index))
        Q_EMIT delegate_->closeEditor(editor, QAbstractItemDelegate::NoHint);
    model_->setData(index, QVariant(), Qt::EditRole);
}

void DataWindow::showContextMenu(const QPoint& position) {
    const QModelIndex index = view_->indexAt(position);
    if (!index.isValid())
        return;
    view_->setCurrentIndex(index);
    setNull_->setEnabled(model_->flags(index) & Qt::ItemIsEditable);
    QMenu menu(this);
    menu.addAction(copy_);
    menu.addAction(copyWithHeadings_);
    menu.addSeparator();
    menu.addAction(setNull_);
    menu.exec(view_->viewport()->mapToGlobal(position));
    setNull_->setEnabled(true);
}

void DataWindow::copyToClipboard(bool headings) const {
    std::vector<long> rows;
    for (long row = GetSelectedRow(0); row != 0; row = GetSelectedRow(row))
        rows.push_back(row - 1);
    ClipboardText text;
    if (!rows.empty()) {
        text = clipboardText(model_->data(), rows, headings);
    } else {
        const QModelIndex current = view_->currentIndex();
        if (!current.isValid())
            return;
        text = clipboardCell(model_->data(), current.row(), current.column(), headings);
    }
    auto mime = std::make_unique<QMimeData>();
    mime->setText(text.plain);
    mime->setHtml(text.html);
    QGuiApplication::clipboard()->setMimeData(mime.release()); // the clipboard takes it over
}

bool DataWindow::eventFilter(QObject* watched, QEvent* event) {
    // While the rows of this grid's sheet are being retrieved, a click on the grid is no
    // command: it would start another retrieval or change rows under the running one.
    if ((event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonDblClick) &&
        watched == view_->viewport() && refuseInputWhileBusy())
        return true;
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = compat::position(*mouse).toPoint();
        DwObject dwo;
        long row = 0;
        if (watched == view_->viewport()) {
            const QModelIndex index = view_->indexAt(pos);
            if (index.isValid()) {
                row = index.row() + 1;
                dwo = {QStringLiteral("column"),
                       definition().columns[static_cast<std::size_t>(index.column())].name};
            } else {
                dwo = {QStringLiteral("datawindow"), QStringLiteral("datawindow")};
            }
        } else if (watched == view_->horizontalHeader()->viewport()) {
            if (refuseInputWhileBusy())
                return QWidget::eventFilter(watched, event);
            const int section = view_->horizontalHeader()->logicalIndexAt(pos);
            dwo.type = QStringLiteral("text");
            if (section >= 0)
                dwo.name = definition().columns[static_cast<std::size_t>(section)].name +
                           QStringLiteral("_t");
        } else {
            return QWidget::eventFilter(watched, event);
        }
        const QPoint inGrid = static_cast<QWidget*>(watched)->mapTo(this, pos);
        Q_EMIT Clicked(inGrid.x(), inGrid.y(), row, dwo);
    } else if (watched == view_ && event->type() == QEvent::FocusIn) {
        Q_EMIT GetFocus();
    } else if (watched == view_ && event->type() == QEvent::FocusOut) {
        Q_EMIT LoseFocus();
    }
    return QWidget::eventFilter(watched, event);
}

// --- Update -------------------------------------------------------------------------------

namespace {

// The cell `column` of the row `stmt` is on, in the grid's text form (hex for binary columns).
std::optional<CellValue> cellOf(SQLHSTMT stmt, SQLUSMALLINT column, bool binary) {
    std::vector<char> buffer(8192);
    std::vector<char> value;
    switch (odbc::readValue(stmt, column, binary ? SQL_C_BINARY : SQL_C_WCHAR, buffer, value)) {
    case odbc::ValueRead::Null:
        return CellValue();
    case odbc::ValueRead::Value:
        break;
    default:
        return std::nullopt;
    }
    if (binary)
        return CellValue(hexOf(QByteArray(value.data(), static_cast<qsizetype>(value.size()))));
    return CellValue(odbc::fromWide(reinterpret_cast<const SQLWCHAR*>(value.data()),
                                    static_cast<qsizetype>(value.size() / sizeof(SQLWCHAR))));
}

} // namespace

QString DataWindow::conflictText(const SaveStatement& failed) const {
    const GridData& data = model_->data();
    const GridDefinition& def = data.definition();
    const std::uint32_t row = failed.change.storeRow;
    const QString rowText = QString::number(failed.change.row + 1);
    // The cells the statement compared, as they were read; the key finds the row again.
    std::vector<BoundValue> read;
    for (int c = 0; c < data.columnCount(); ++c)
        read.push_back({c, data.original(row, c)});
    const std::vector<BoundValue> compared = comparedValues(def, read);
    const std::vector<int> keys = keyColumns(def);
    std::vector<int> columns = keys;
    std::vector<SqlValue> keyValues;
    for (int k : keys)
        keyValues.push_back(data.original(row, k));
    for (const BoundValue& cell : compared)
        columns.push_back(cell.column);
    if (failed.change.kind == GridData::Change::Modify) {
        // An UPDATE compared only the cells it sets.
        columns.resize(keys.size());
        for (const BoundValue& cell : compared) {
            if (data.isModified(row, cell.column))
                columns.push_back(cell.column);
        }
    }

    SQLLEN ignored = 0;
    QString error;
    odbc::StatementHandle stmt =
        runBound(slot_->handle(), def, selectRowStatement(def, columns, keyValues), ignored, error);
    const SQLRETURN fetched = stmt ? SQLFetch(stmt.get()) : SQL_ERROR;
    if (fetched == SQL_NO_DATA)
        return QStringLiteral("Row %1 was deleted by another user since it was read; nothing "
                              "was saved. Retrieve it again.")
            .arg(rowText);
    QString changedColumn;
    if (SQL_SUCCEEDED(fetched)) {
        for (std::size_t i = keys.size(); i < columns.size() && changedColumn.isEmpty(); ++i) {
            const ColumnInfo& column = def.columns[static_cast<std::size_t>(columns[i])];
            const auto now = cellOf(stmt.get(), static_cast<SQLUSMALLINT>(i + 1),
                                    column.kind == ColumnKind::Binary);
            if (now && *now != data.original(row, columns[i]))
                changedColumn = column.label.isEmpty() ? column.name : column.label;
        }
    }
    return changedColumn.isEmpty()
               ? QStringLiteral("Row %1 was changed by another user since it was read; nothing "
                                "was saved. Retrieve it again.")
                     .arg(rowText)
               : QStringLiteral("Row %1 was changed by another user since it was read (column "
                                "%2); nothing was saved. Retrieve it again.")
                     .arg(rowText, changedColumn);
}

int DataWindow::Update() {
    if (retrieving())
        return -1;
    GridData& data = model_->data();
    const GridDefinition& def = data.definition();
    const auto changes = data.pendingChanges();
    if (changes.empty())
        return 1;
    const std::vector<int> keys = keyColumns(def);
    if (def.updateTable.isEmpty() || keys.empty()) {
        showDatabaseError(QStringLiteral("Update failed."),
                          QStringLiteral("These rows cannot be saved: the grid does not hold "
                                         "the primary key of one table."));
        return -1;
    }
    if (slot_ == nullptr || !slot_->isConnected()) {
        showDatabaseError(QStringLiteral("Update failed."),
                          QStringLiteral("The grid has no connected transaction."));
        return -1;
    }
    // Writing would end up in the transaction of a retrieval that is still reading.
    if (slot_->retrieving()) {
        showDatabaseError(QStringLiteral("Update failed."), Transaction::busyText());
        return -1;
    }

    auto keyValues = [&](std::uint32_t row, bool current) {
        std::vector<SqlValue> values;
        for (int k : keys)
            values.push_back(current ? data.current(row, k) : data.original(row, k));
        return values;
    };

    const std::vector<SaveStatement> statements = saveStatements(data, changes);
    // From the first statement on, the unit of work holds writing that only COMMIT or ROLLBACK
    // may end.
    slot_->wrote();
    const SaveOutcome outcome = runSaveStatements(slot_->handle(), def, statements);
    if (outcome.failed != SaveOutcome::kAllDone) {
        const SaveStatement& failed = statements[outcome.failed];
        if (!outcome.error.isEmpty()) {
            showDatabaseError(QStringLiteral("Update failed:\n") + failed.statement.sql,
                              outcome.error);
        } else if (outcome.touched == 0 && failed.change.kind != GridData::Change::Insert) {
            showDatabaseError(QStringLiteral("Update failed."), conflictText(failed));
        } else {
            showDatabaseError(QStringLiteral("Update failed:\n") + failed.statement.sql,
                              QStringLiteral("The statement changed %1 rows instead of one.")
                                  .arg(outcome.touched));
        }
        // Nothing is accepted: the grid keeps every edit, for the user to save again.
        return -1;
    }

    // New rows whose whole key the user typed are read back after the update, so that the grid
    // shows what the database made of them (defaults, triggers, conversions).
    std::vector<std::uint32_t> readBack;
    for (const SaveStatement& written : statements) {
        if (written.change.kind != GridData::Change::Insert)
            continue;
        const std::uint32_t row = written.change.storeRow;
        const auto key = keyValues(row, true);
        if (std::all_of(keys.begin(), keys.end(), [&](int k) { return data.isModified(row, k); }) &&
            std::all_of(key.begin(), key.end(), [](const SqlValue& v) { return v.has_value(); }))
            readBack.push_back(row);
    }

    struct Saved {
        std::uint32_t row;
        int column;
        CellValue value;
    };
    std::vector<Saved> saved;
    for (std::uint32_t row : readBack) {
        const auto [statement, columns] = readBackStatement(def, keyValues(row, true));
        SQLLEN ignored = 0;
        QString error;
        odbc::StatementHandle stmt = runBound(slot_->handle(), def, statement, ignored, error);
        // The row is saved either way; a row that cannot be read back keeps what it shows.
        if (!stmt || !SQL_SUCCEEDED(SQLFetch(stmt.get())))
            continue;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const bool binary =
                def.columns[static_cast<std::size_t>(columns[i])].kind == ColumnKind::Binary;
            if (const auto value = cellOf(stmt.get(), static_cast<SQLUSMALLINT>(i + 1), binary))
                saved.push_back({row, columns[i], *value});
        }
    }
    data.acceptChanges();
    for (const Saved& cell : saved)
        data.setSaved(cell.row, cell.column, cell.value);
    model_->rowsChangedInPlace(0, RowCount() - 1);
    return 1;
}

// --- SaveAs and printing ---------------------------------------------------------------------

int DataWindow::SaveAs() {
    if (retrieving())
        return -1;
    const QStringList filters = exportFilters();
    // Choosing the file is part of Save As: the rows are held from here on, as while they are
    // written, and Stop or a closing sheet cancels the dialog. The dialog hangs from a window
    // that outlives it, never from this grid.
    const QPointer<QFileDialog> dialog(new QFileDialog(dialogParent(),
                                                       QStringLiteral("Save Rows As"), QString(),
                                                       filters.join(QStringLiteral(";;"))));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    bool chosen = false;
    QString path;
    QString filter;
    const bool held = withRowsHeld(
        [&] {
            const ModalScope modal;
            chosen = dialog->exec() == QDialog::Accepted;
        },
        [dialog] {
            if (dialog != nullptr)
                dialog->reject();
        });
    if (dialog != nullptr) {
        if (chosen && !dialog->selectedFiles().isEmpty()) {
            path = dialog->selectedFiles().constFirst();
            filter = dialog->selectedNameFilter();
        }
        dialog->deleteLater();
    }
    // A sheet that was asked to close meanwhile writes nothing more.
    if (windowClosing(this))
        return -1;
    if (!held || path.isEmpty())
        return -1;
    return SaveAs(path, formatForFilter(filter));
}

namespace {

// A Save As's progress dialog, which a stop of the grid's work (DBCancel, a closing sheet)
// cancels as the user's Cancel does.
class SaveProgress final : public ExportProgress {
public:
    SaveProgress(long rows, QWidget* over)
        : work_(QStringLiteral("Saving %1 rows...").arg(rows), rows, over) {}
    bool rowsWritten(long done, long) override { return !stopped && work_.step(done); }
    bool stopped = false;

private:
    WorkProgress work_;
};

} // namespace

int DataWindow::SaveAs(const QString& path, ExportFormat format) {
    // A file of part of the rows would look like a whole one.
    if (retrieving())
        return -1;
    SaveProgress progress(RowCount(), this);
    QString error;
    bool written = false;
    withRowsHeld(
        [&] {
            written = exportRows(model_->data(), format, path, definition().updateTable, error,
                                 &progress);
        },
        [&progress] { progress.stopped = true; });
    if (!written) {
        if (!error.isEmpty()) // empty: cancelled, and nothing was written
            MessageBox(QStringLiteral("Save As"), error, Icon::StopSign);
        return -1;
    }
    return 1;
}

bool DataWindow::withRowsHeld(const std::function<void()>& work, std::function<void()> stop) {
    if (retrieving())
        return false;
    model_->retrievalStarted(std::move(stop));
    exporting_ = true;
    work();
    exporting_ = false;
    model_->retrievalEnded();
    return true;
}

namespace {

// A grid in a print job: printed when the job closes, with its rows held meanwhile; a grid
// gone by then prints nothing.
class DataWindowPrintBlock final : public PrintBlock {
public:
    explicit DataWindowPrintBlock(DataWindow& grid) : grid_(&grid) {}

    void print(PrintCanvas& canvas) override {
        if (grid_ == nullptr)
            return;
        DataWindow& grid = *grid_;
        grid.withRowsHeld([&] { GridPrintBlock(grid.rows(), grid.printMarginTop()).print(canvas); },
                          [&canvas] { canvas.stop(); });
    }
    long units() const override { return grid_ != nullptr ? grid_->RowCount() : 0; }

private:
    QPointer<DataWindow> grid_;
};

} // namespace

int PrintDataWindow(PrintJob& job, DataWindow& grid) {
    if (grid.retrieving())
        return -1;
    job.add(std::make_unique<DataWindowPrintBlock>(grid));
    return 1;
}

} // namespace platform::grid
