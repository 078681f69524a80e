#include "platform/grid/datawindow.h"

#include "platform/grid/dataobject.h"
#include "platform/grid/export.h"
#include "platform/grid/gridmodel.h"
#include "platform/grid/gridprint.h"
#include "platform/grid/retrieval.h"
#include "platform/grid/syntax.h"
#include "platform/messagebox.h"
#include "platform/odbc/diagnostics.h"
#include "platform/odbc/handles.h"
#include "platform/odbc/transaction.h"
#include "platform/odbc/wide.h"
#include "platform/printjob.h"
#include "platform/units.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <sqlext.h>

namespace platform::grid {

// Paints the rows this grid highlights; the shared model knows nothing of highlighting.
class DataWindow::Delegate final : public QStyledItemDelegate {
public:
    Delegate(DataWindow* owner) : QStyledItemDelegate(owner), owner_(owner) {}

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

DataWindow::DataWindow(QWidget* parent) : QWidget(parent), view_(new QTableView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    view_->setSelectionMode(QAbstractItemView::NoSelection);
    view_->setItemDelegate(new Delegate(this));
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
    }
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
    QHeaderView* header = view_->horizontalHeader();
    for (int i = 0; i < static_cast<int>(def.columns.size()); ++i)
        header->resizeSection(
            i, std::clamp(unitsToPixelsX(columnWidth(def.columns[static_cast<std::size_t>(i)])), 40,
                          400));
}

bool DataWindow::setDataObject(const QString& name) {
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

void DataWindow::setTableSelect(const QString& select) {
    GridDefinition def = definition();
    def.select = selectFromDisplay(select);
    model_->data().setDefinition(std::move(def));
    model_->resetAll();
}

int DataWindow::SetTransObject(Transaction* slot) {
    slot_ = slot;
    return slot == nullptr ? -1 : 1;
}

void DataWindow::showDatabaseError(const QString& context, const QString& text) {
    MessageBox(QStringLiteral("Database Error"), context + QStringLiteral("\n\n") + text,
               Icon::StopSign);
}

long DataWindow::Retrieve() {
    if (retrieving())
        return -1;
    const GridDefinition& def = definition();
    if (def.columns.empty() || def.select.trimmed().isEmpty()) {
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
    lastPublish_.invalidate();

    QEventLoop loop;
    QPointer<QEventLoop> guard(&loop);
    // The worker wakes this thread through its event queue; each wake-up takes what is ready,
    // so input is handled between batches.
    retrieval_ =
        std::make_unique<Retrieval>(slot_->handle(), slot_->statementFor(def.select),
                                    def.columns.size(), slot_->charDataIsUtf8(), [this, guard] {
                                        QMetaObject::invokeMethod(
                                            this,
                                            [this, guard] {
                                                consumeBatches();
                                                if (guard && retrieval_ && retrieval_->done())
                                                    guard->quit();
                                            },
                                            Qt::QueuedConnection);
                                    });
    retrieval_->start();
    loop.exec();

    // The loop may also have ended because the application is leaving.
    if (!retrieval_->done())
        retrieval_->stop();
    retrieval_->join();
    consumeBatches();
    model_->data().releaseUnusedMemory();
    QString error = retrieval_->errorText();
    if (overflow_)
        error = QStringLiteral("The result is too large: a column holds more than 4 GiB of "
                               "text. The rows read so far are kept.");
    retrieval_.reset();
    model_->publishRows();

    long result = RowCount();
    if (!error.isEmpty()) {
        showDatabaseError(QStringLiteral("Retrieve failed after %1 rows.").arg(result), error);
        result = -1;
    }
    Q_EMIT RetrieveEnd();
    return result;
}

void DataWindow::consumeBatches() {
    if (!retrieval_)
        return;
    GridData& data = model_->data();
    while (auto batch = retrieval_->takeBatch()) {
        if (stopRequested_)
            continue;
        const std::size_t rows = batch->rowCount();
        const long before = data.rowCount();
        // The whole batch goes in at once; RetrieveRow then sees the rows arrive one by one.
        if (!data.appendRetrieved(*batch, 0, rows)) {
            overflow_ = true;
            stopRequested_ = true;
            retrieval_->stop();
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
}

void DataWindow::DBCancel() {
    if (retrieval_) {
        stopRequested_ = true;
        retrieval_->stop();
    }
}

long DataWindow::RowCount() const {
    return model_->data().rowCount();
}

int DataWindow::ColumnCount() const {
    return model_->data().columnCount();
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
    if (!model_->data().setItem(row - 1, column - 1, value))
        return -1;
    model_->rowsChangedInPlace(row - 1, row - 1);
    return 1;
}

int DataWindow::SetItem(long row, const QString& column, const QString& value) {
    return SetItem(row, definition().columnIndex(column) + 1, value);
}

int DataWindow::SetItemNull(long row, int column) {
    if (!model_->data().setItem(row - 1, column - 1, std::nullopt))
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
    if (other == nullptr || other == this || other->retrieving())
        return -1;
    other->useModel(model_);
    return 1;
}

bool DataWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = mouse->position().toPoint();
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

QString quoted(const QString& name) {
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

QString quotedTable(const QString& table) {
    QStringList parts;
    for (const QString& part : table.split(u'.'))
        parts << (part.startsWith(u'"') ? part : quoted(part));
    return parts.join(u'.');
}

// One statement with bound text parameters, each converted by the driver to its column's type.
class BoundStatement {
public:
    struct Parameter {
        const ColumnInfo* column;
        CellValue value;
    };

    bool run(SQLHDBC connection, const QString& sql, std::vector<Parameter> parameters,
             SQLLEN& rowCount, QString& error) {
        odbc::StatementHandle stmt;
        if (!SQL_SUCCEEDED(odbc::StatementHandle::allocate(connection, stmt))) {
            error = odbc::formatDiagnostics(odbc::diagnostics(SQL_HANDLE_DBC, connection));
            return false;
        }
        parameters_ = std::move(parameters);
        indicators_.assign(parameters_.size(), 0);
        for (std::size_t i = 0; i < parameters_.size(); ++i) {
            const Parameter& p = parameters_[i];
            const ColumnInfo& column = *p.column;
            const SQLULEN size =
                std::max<SQLULEN>(static_cast<SQLULEN>(column.size),
                                  p.value ? static_cast<SQLULEN>(p.value->size()) : 1);
            indicators_[i] = p.value ? static_cast<SQLLEN>(p.value->size() * 2) : SQL_NULL_DATA;
            const SQLRETURN rc = SQLBindParameter(
                stmt.get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
                column.sqlType, size, static_cast<SQLSMALLINT>(column.decimals),
                p.value ? odbc::wide(*p.value) : nullptr, indicators_[i], &indicators_[i]);
            if (!SQL_SUCCEEDED(rc)) {
                error = odbc::formatDiagnostics(odbc::diagnostics(SQL_HANDLE_STMT, stmt.get()));
                return false;
            }
        }
        const SQLRETURN rc = SQLExecDirectW(stmt.get(), odbc::wide(sql), odbc::wideLength(sql));
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            error = odbc::formatDiagnostics(odbc::diagnostics(SQL_HANDLE_STMT, stmt.get()));
            return false;
        }
        rowCount = 0;
        SQLRowCount(stmt.get(), &rowCount);
        return true;
    }

private:
    std::vector<Parameter> parameters_;
    std::vector<SQLLEN> indicators_;
};

} // namespace

int DataWindow::Update() {
    if (retrieving())
        return -1;
    GridData& data = model_->data();
    const GridDefinition& def = data.definition();
    const auto changes = data.pendingChanges();
    if (changes.empty())
        return 1;
    std::vector<int> keys;
    for (int c = 0; c < data.columnCount(); ++c) {
        if (def.columns[static_cast<std::size_t>(c)].key)
            keys.push_back(c);
    }
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

    const QString table = quotedTable(def.updateTable);
    for (const auto& change : changes) {
        QString sql;
        std::vector<BoundStatement::Parameter> parameters;
        auto addKeyCondition = [&] {
            QStringList conditions;
            for (int k : keys) {
                const ColumnInfo& column = def.columns[static_cast<std::size_t>(k)];
                conditions << quoted(column.dbName.isEmpty() ? column.name : column.dbName) +
                                  QStringLiteral(" = ?");
                parameters.push_back({&column, data.original(change.storeRow, k)});
            }
            sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
        };
        if (change.kind == GridData::Change::Delete) {
            sql = QStringLiteral("DELETE FROM ") + table;
            addKeyCondition();
        } else if (change.kind == GridData::Change::Modify) {
            QStringList sets;
            for (int c = 0; c < data.columnCount(); ++c) {
                const ColumnInfo& column = def.columns[static_cast<std::size_t>(c)];
                if (!column.updatable || !data.isModified(change.storeRow, c))
                    continue;
                sets << quoted(column.dbName.isEmpty() ? column.name : column.dbName) +
                            QStringLiteral(" = ?");
                parameters.push_back({&column, data.current(change.storeRow, c)});
            }
            sql = QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") +
                  sets.join(QStringLiteral(", "));
            addKeyCondition();
        } else {
            QStringList names;
            QStringList marks;
            for (int c = 0; c < data.columnCount(); ++c) {
                const ColumnInfo& column = def.columns[static_cast<std::size_t>(c)];
                const CellValue value = data.current(change.storeRow, c);
                if (!column.updatable || !value)
                    continue;
                names << quoted(column.dbName.isEmpty() ? column.name : column.dbName);
                marks << QStringLiteral("?");
                parameters.push_back({&column, value});
            }
            sql = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                  names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                  marks.join(QStringLiteral(", ")) + u')';
        }

        BoundStatement statement;
        SQLLEN touched = 0;
        QString error;
        if (!statement.run(slot_->handle(), sql, std::move(parameters), touched, error)) {
            showDatabaseError(QStringLiteral("Update failed:\n") + sql, error);
            return -1;
        }
        if (touched != 1) {
            showDatabaseError(
                QStringLiteral("Update failed:\n") + sql,
                QStringLiteral("The statement changed %1 rows instead of one: the row was "
                               "changed or deleted by someone else since it was retrieved.")
                    .arg(touched));
            return -1;
        }
    }
    data.acceptChanges();
    return 1;
}

// --- SaveAs and printing ---------------------------------------------------------------------

int DataWindow::SaveAs() {
    QStringList filters;
    for (ExportFormat format :
         {ExportFormat::Csv, ExportFormat::Text, ExportFormat::Html, ExportFormat::Json,
          ExportFormat::Xml, ExportFormat::SqlInsert, ExportFormat::Excel})
        filters << exportFilter(format);
    QString chosen;
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save Rows As"), QString(),
                                     filters.join(QStringLiteral(";;")), &chosen);
    if (path.isEmpty())
        return -1;
    return SaveAs(path, formatForFilter(chosen));
}

int DataWindow::SaveAs(const QString& path, ExportFormat format) {
    QString error;
    if (!exportRows(model_->data(), format, path, definition().updateTable, error)) {
        MessageBox(QStringLiteral("Save As"), error, Icon::StopSign);
        return -1;
    }
    return 1;
}

int PrintDataWindow(PrintJob& job, const DataWindow& grid) {
    job.add(std::make_unique<GridPrintBlock>(grid.rows(), grid.printMarginTop()));
    return 1;
}

} // namespace platform::grid
