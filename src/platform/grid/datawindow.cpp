#include "platform/grid/datawindow.h"

#include "platform/grid/dataobject.h"
#include "platform/grid/gridmodel.h"
#include "platform/grid/syntax.h"
#include "platform/grid/update_sql.h"
#include "platform/grid/write_changes.h"
#include "platform/host.h"
#include "platform/memorylimit.h"
#include "platform/messagebox.h"
#include "platform/odbc/transaction.h"

#include <QEventLoop>
#include <QHeaderView>
#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

namespace platform::grid {

DataWindow::DataWindow(QWidget* parent) : QWidget(parent), view_(new GridView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    connect(view_, &GridView::clickedAt, this, &DataWindow::Clicked);
    connect(view_, &GridView::gotFocus, this, &DataWindow::GetFocus);
    connect(view_, &GridView::lostFocus, this, &DataWindow::LoseFocus);
    connect(view_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &DataWindow::sortByHeading);
    useModel(std::make_shared<GridModel>());
}

DataWindow::~DataWindow() {
    // A retrieval of this grid's own stops with it (the rows stay with any grid that shares
    // them).
    if (model_->busyWith(this) && model_->state() == RowsState::Retrieving) {
        model_->stopWork();
        model_->finishRetrieval();
    }
    // The view outlives this object's own part (QWidget deletes it), and its focus leaving then
    // must not reach the signals of a grid that is gone.
    disconnect(view_, nullptr, this, nullptr);
    disconnect(model_.get(), nullptr, this, nullptr);
}

bool DataWindow::retrieving() const {
    return model_->busy();
}

bool DataWindow::runsRetrieval() const {
    return model_->busyWith(this);
}

void DataWindow::useModel(std::shared_ptr<GridModel> model) {
    if (model_)
        disconnect(model_.get(), nullptr, this, nullptr);
    model_ = std::move(model);
    view_->setGridModel(model_.get());
    connect(model_.get(), &GridModel::idle, this, &DataWindow::idle);
    // New rows come in their own order.
    connect(model_.get(), &QAbstractItemModel::modelReset, this, [this] {
        sortStep_ = 0;
        showSortMark();
    });
}

void DataWindow::sortByHeading(int column) {
    if (!headingSort_ || column < 0 || column >= ColumnCount())
        return;
    // The heading flips its own mark as it is clicked: the mark shows what the rows are.
    if (refuseWhileWindowBusy(this, retrieving())) {
        showSortMark();
        return;
    }
    AcceptText();
    const int step = column == sortColumn_ ? (sortStep_ + 1) % 3 : 1;
    std::vector<SortKey> keys;
    if (step != 0)
        keys.push_back({column, step == 1});
    const QPointer<DataWindow> self(this);
    model_->sortInBackground(this, std::move(keys), [self, column, step](bool sorted) {
        if (self == nullptr)
            return;
        if (sorted) {
            self->sortColumn_ = column;
            self->sortStep_ = step;
        }
        self->showSortMark();
    });
    showSortMark();
}

void DataWindow::showSortMark() {
    QHeaderView* header = view_->horizontalHeader();
    header->setSortIndicatorShown(sortStep_ != 0);
    if (sortStep_ != 0)
        header->setSortIndicator(sortColumn_,
                                 sortStep_ == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

const GridDefinition& DataWindow::definition() const {
    return model_->rows().definition();
}

const GridData& DataWindow::rows() const {
    return model_->rows();
}

bool DataWindow::setDataObject(const QString& name) {
    if (retrieving())
        return false;
    dataObject_ = name;
    if (name.isEmpty())
        return model_->setDefinition({});
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
    if (!errors.isEmpty() || !model_->setDefinition(std::move(def)))
        return -1;
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
    GridDefinition def = definition();
    def.select = selectFromDisplay(select);
    return model_->setDefinition(std::move(def)) ? 1 : -1;
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

// --- retrieval -------------------------------------------------------------------------------

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
    RetrievalRequest request;
    request.slot = slot_;
    request.owner = this;
    request.perRow = retrieveRow_;
    if (tableCatalog == nullptr) {
        request.statement = slot_->statementFor(def.select);
    } else {
        request.tableCatalog.emplace();
        for (const int source : *tableCatalog)
            request.tableCatalog->push_back(static_cast<SQLUSMALLINT>(source));
    }
    // The one nested event loop of the grid: it runs until every row is in, or Stop.
    QEventLoop loop;
    const QPointer<QEventLoop> running(&loop);
    if (!model_->startRetrieval(std::move(request), [running] {
            if (running != nullptr)
                running->quit();
        }))
        return -1;
    loop.exec();
    const RetrievalOutcome outcome = model_->finishRetrieval();
    lastRetrieveEnd_ = outcome.ended;
    const long result = reportRetrievalEnd(outcome);
    Q_EMIT RetrieveEnd();
    return result;
}

long DataWindow::reportRetrievalEnd(const RetrievalOutcome& outcome) {
    long result = RowCount();
    // The grid's own stops keep the rows as Stop does; the reason is told all the same.
    const QString kept = QLocale(QLocale::English).toString(static_cast<qlonglong>(result));
    if (outcome.memoryStop == RetrievalOutcome::MemoryStop::Limit) {
        MessageBox(QStringLiteral("Retrieve"),
                   QStringLiteral("The rows reached the memory limit of %1: the retrieval stopped "
                                  "after %2 rows; the rows read so far are kept. (Set the limit "
                                  "with --row-memory or DORVANE_ROW_MEMORY.)")
                       .arg(formatMemorySize(outcome.memoryLimit), kept),
                   Icon::Exclamation);
    } else if (outcome.memoryStop == RetrievalOutcome::MemoryStop::OutOfMemory) {
        MessageBox(QStringLiteral("Retrieve"),
                   QStringLiteral("Not enough memory: the retrieval stopped after %1 rows; the "
                                  "rows read so far are kept.")
                       .arg(kept),
                   Icon::Exclamation);
    } else if (outcome.error) {
        showDatabaseError(QStringLiteral("Retrieve failed after %1 rows.").arg(result),
                          outcome.error.text());
        // A column that would outgrow 4 GiB stops the retrieval; any other error fails it.
        if (!outcome.overflow)
            result = -1;
    }
    return result;
}

void DataWindow::DBCancel() {
    model_->stopWork();
}

bool DataWindow::withRowsHeld(const std::function<void()>& work, std::function<void()> stop) {
    const GridModel::Hold hold = model_->hold(this, std::move(stop));
    if (!hold)
        return false;
    work();
    return true;
}

std::optional<odbc::StatementRunner::Outcome>
DataWindow::Execute(Transaction& slot, std::vector<QString> statements,
                    const std::function<void(std::size_t)>& progress) {
    lastRetrieveEnd_ = Now();
    if (retrieving() || windowClosing(this) || !slot.isConnected() || slot.retrieving())
        return std::nullopt;
    std::optional<odbc::StatementRunner::Outcome> outcome;
    std::unique_ptr<odbc::StatementRunner> runner;
    // While the statements run, the rows are busy as during a retrieval, and the connection
    // refuses COMMIT and ROLLBACK.
    withRowsHeld(
        [&] {
            const Transaction::RetrievalClaim claim = slot.claimForRetrieval();
            QEventLoop loop;
            QTimer ticker;
            runner = std::make_unique<odbc::StatementRunner>(
                slot.connection(), std::move(statements), [&loop] {
                    // By name: the call is queued inside Qt, which the worker must not reach
                    // into.
                    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
                });
            if (progress) {
                connect(&ticker, &QTimer::timeout, this,
                        [&progress, &runner] { progress(runner->executed()); });
                constexpr int progressMs = 100;
                ticker.start(progressMs);
            }
            loop.exec();
            outcome = runner->finish();
        },
        [&runner] {
            if (runner)
                runner->stop();
        });
    lastRetrieveEnd_ = Now();
    if (!outcome)
        return std::nullopt;
    // What ran joins the unit of work, which stays open until it is committed or rolled back;
    // a statement that failed first leaves nothing open.
    if (outcome->executed > 0)
        slot.wrote();
    else
        slot.endReadWork();
    return outcome;
}

void DataWindow::callWhenIdle(QObject* context, std::function<void()> then) {
    connect(this, &DataWindow::idle, context, std::move(then));
}

// --- rows ------------------------------------------------------------------------------------

long DataWindow::RowCount() const {
    return model_->rows().rowCount();
}

int DataWindow::ColumnCount() const {
    return model_->rows().columnCount();
}

bool DataWindow::isEditable() const {
    const GridDefinition& def = definition();
    return !def.updateTable.isEmpty() && !keyColumns(def).empty();
}

long DataWindow::GetRow() const {
    const QModelIndex current = view_->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

int DataWindow::SetCurrentCell(long row, int column) {
    if (!validRow(row) || column < 1 || column > ColumnCount())
        return -1;
    const QModelIndex cell = model_->index(static_cast<int>(row - 1), column - 1);
    view_->setCurrentIndex(cell);
    view_->scrollTo(cell);
    view_->setFocus();
    return 1;
}

bool DataWindow::hasPendingChanges() const {
    // Rows a program filled in a grid that cannot write them (a list of its own) are no one's
    // unsaved work.
    return isEditable() && model_->rows().hasPendingChanges();
}

void DataWindow::AcceptText() {
    view_->acceptEdit();
}

bool DataWindow::holdsUnsavedChanges() {
    AcceptText();
    return hasPendingChanges();
}

int DataWindow::Reset() {
    return model_->clear() ? 1 : -1;
}

long DataWindow::InsertRow(long before) {
    const long row = model_->insertRowBefore(before <= 0 ? -1 : before - 1);
    return row < 0 ? -1 : row + 1;
}

int DataWindow::DeleteRow(long row) {
    return validRow(row) && model_->deleteRow(row - 1) ? 1 : -1;
}

QString DataWindow::GetItemString(long row, int column) const {
    if (!validRow(row) || column < 1 || column > ColumnCount())
        return {};
    return model_->rows().text(row - 1, column - 1);
}

QString DataWindow::GetItemString(long row, const QString& column) const {
    return GetItemString(row, definition().columnIndex(column) + 1);
}

bool DataWindow::isItemNull(long row, int column) const {
    if (!validRow(row) || column < 1 || column > ColumnCount())
        return true;
    return model_->rows().isNull(row - 1, column - 1);
}

int DataWindow::SetItem(long row, int column, const QString& value) {
    return model_->setItem(row - 1, column - 1, value) ? 1 : -1;
}

int DataWindow::SetItem(long row, const QString& column, const QString& value) {
    return SetItem(row, definition().columnIndex(column) + 1, value);
}

int DataWindow::SetItemNull(long row, int column) {
    return model_->setItem(row - 1, column - 1, std::nullopt) ? 1 : -1;
}

// --- highlighting, order, shared rows ----------------------------------------------------------

int DataWindow::SelectRow(long row, bool on) {
    return view_->setRowHighlighted(row, on) ? 1 : -1;
}

bool DataWindow::IsSelected(long row) const {
    return view_->isRowHighlighted(row);
}

long DataWindow::GetSelectedRow(long after) const {
    return view_->highlightedRowAfter(after);
}

int DataWindow::SetSort(const QString& text) {
    if (!parseSortText(text, definition()))
        return -1;
    sortText_ = text;
    return 1;
}

int DataWindow::Sort() {
    const auto keys = parseSortText(sortText_, definition());
    if (!keys || !model_->sortRows(*keys))
        return -1;
    view_->viewport()->update();
    return 1;
}

int DataWindow::ShareData(DataWindow* other) {
    if (other == nullptr || other == this || retrieving() || other->retrieving())
        return -1;
    other->useModel(model_);
    return 1;
}

// --- writing ---------------------------------------------------------------------------------

int DataWindow::Update() {
    if (retrieving())
        return -1;
    const WriteResult result = writeChanges(slot_, model_->rows());
    if (result.outcome == WriteResult::Failed) {
        // Nothing is accepted: the grid keeps every edit, for the user to save again.
        showDatabaseError(result.context, result.error.text());
        return -1;
    }
    if (result.outcome == WriteResult::Written)
        model_->acceptSaved(result.saved);
    return 1;
}

int DataWindow::SaveAs() {
    return saveRowsAs(*this);
}

int DataWindow::SaveAs(const QString& path, ExportFormat format) {
    return saveRowsAs(*this, path, format);
}

} // namespace platform::grid
