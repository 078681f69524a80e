#pragma once

#include "platform/busy_source.h"
#include "platform/clock.h"
#include "platform/grid/grid_output.h"
#include "platform/grid/grid_view.h"
#include "platform/grid/griddata.h"
#include "platform/odbc/execute.h"

#include <QHash>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {
class Transaction;
class PrintJob;
} // namespace platform

namespace platform::grid {

class GridModel;
struct RetrievalOutcome;
enum class ExportFormat;

// The columns of the driver's own table catalog (ODBC SQLTables), by their place in its result.
enum class TableCatalogColumn { Catalog = 1, Schema = 2, Name = 3, Type = 4, Remarks = 5 };

// The grid data view: shows the rows of a data object, or of a definition made at run time,
// retrieved over a connection slot. Rows and columns count from 1, as the windows use them.
// The window that holds it asks it, as a busy source, before it takes input or closes.
//
// This is the face the windows use; the rows, their busy state and the retrieval belong to the
// model (GridModel), the cells on screen to the view (GridView), writing changes to
// writeChanges(), and files and printing to grid_output.h.
class DataWindow : public QWidget, public BusySource {
    Q_OBJECT
public:
    explicit DataWindow(QWidget* parent = nullptr);
    ~DataWindow() override;

    // --- definition
    // Loads a data object of the library by name; "" leaves the grid without a definition.
    bool setDataObject(const QString& name);
    QString DataObject() const { return dataObject_; }
    // Replaces the definition (and drops every row). Returns 1, or -1 with `errors` set.
    //
    // While the rows are being retrieved (by this grid or by one that shares them), every
    // operation that would change the rows or the definition (Create, Reset, Table.Select,
    // InsertRow, DeleteRow, SetItem, Sort, ShareData, Update, Retrieve) returns -1 and changes
    // nothing.
    int Create(const QString& syntax, QString& errors);
    const GridDefinition& definition() const;

    // Object.DataWindow.Syntax
    QString Syntax() const;
    // Object.DataWindow.Table.Select: read, each '"' as '~"'; written, it replaces the statement.
    QString TableSelect() const;
    int setTableSelect(const QString& select);
    // Object.DataWindow.Selected.Mouse
    void setSelectedMouse(bool on) { selectedMouse_ = on; }
    bool selectedMouse() const { return selectedMouse_; }
    // Object.DataWindow.Print.Margin.Top, in layout units.
    void setPrintMarginTop(int units) { printMarginTop_ = units; }
    int printMarginTop() const { return printMarginTop_; }

    // --- rows
    int SetTransObject(Transaction* slot);
    Transaction* transObject() const { return slot_; }
    // Retrieves every row of the statement (RetrieveRow can stop it). Returns the number of
    // rows, or -1 after showing the error; the rows read before an error stay. In a sheet that
    // is closing it retrieves nothing and returns -1.
    //
    // Rows that would take the grids past their memory limit (platform::rowMemoryLimit()),
    // memory that runs out, and a column that would outgrow 4 GiB stop the retrieval as Stop
    // does: it shows why, keeps the rows read so far and returns their number.
    long Retrieve();
    // Retrieves, instead of the statement, the tables and views that the driver's own catalog
    // lists (SQLTables), as Retrieve() does: on the worker, with RetrieveRow, Stop and the busy
    // state. Each grid column named in `columns` takes that catalog column; the others stay
    // NULL. Returns the number of rows, or -1 after showing the error.
    long RetrieveTableCatalog(const QHash<QString, TableCatalogColumn>& columns);
    // True while the rows this grid shows are being retrieved, by this grid or another that
    // shares them.
    bool retrieving() const;
    // True while this grid's own Retrieve() runs, or its own Save As writes a file: work that
    // runs the event loop until it ends, which DBCancel stops, and after which `idle` comes.
    bool runsRetrieval() const;
    // Stops the retrieval of the rows this grid shows at once, cancelling a statement the server
    // still executes.
    void DBCancel();
    void setRetrieveRowHandler(std::function<long(long row)> handler) {
        retrieveRow_ = std::move(handler);
    }
    // DBError: called with the driver's text before the grid shows a database error of one of
    // its operations; an answer of 1 shows nothing. The operation fails all the same.
    void setDbErrorHandler(std::function<long(const QString& errorText)> handler) {
        dbError_ = std::move(handler);
    }
    // When the last Retrieve() (or RetrieveTableCatalog()) stopped reading rows: before any
    // message it showed about them.
    platform::Instant lastRetrieveEnd() const { return lastRetrieveEnd_; }

    long RowCount() const;
    // True when Update() can write the rows: they come from one table, with its primary key.
    bool isEditable() const;
    // The row of the current cell (0: none), and moving the current cell (scrolled into view,
    // the grid focused).
    long GetRow() const;
    int SetCurrentCell(long row, int column);
    // Rows changed, inserted or deleted since they were retrieved or saved: what Update() would
    // write, and what dropping the rows would lose.
    bool hasPendingChanges() const;
    // Takes what an open cell editor holds into the rows and closes the editor.
    void AcceptText();
    int Reset();
    long InsertRow(long before);
    int DeleteRow(long row);
    int ColumnCount() const;
    // The text of any column; an empty string for NULL (see isItemNull).
    QString GetItemString(long row, int column) const;
    QString GetItemString(long row, const QString& column) const;
    bool isItemNull(long row, int column) const;
    int SetItem(long row, int column, const QString& value);
    int SetItem(long row, const QString& column, const QString& value);
    int SetItemNull(long row, int column);

    // --- highlighting, order, shared rows
    int SelectRow(long row, bool on);
    bool IsSelected(long row) const;
    long GetSelectedRow(long after) const;
    int SetSort(const QString& text);
    int Sort();
    // Sorting by the headings: a click sorts ascending, a second descending, a third puts the
    // rows back in the order they came in; the heading shows a mark. Off unless a window turns
    // it on (where a heading click has a meaning of its own, it stays off).
    void setHeadingSort(bool on) { headingSort_ = on; }
    // The heading sort shown: the column (from 1, 0 for none) and its direction.
    int headingSortColumn() const { return sortStep_ == 0 ? 0 : sortColumn_ + 1; }
    bool headingSortAscending() const { return sortStep_ == 1; }
    int ShareData(DataWindow* other);

    // Runs `statements`, which return no rows, one after another on `slot`, on a worker, with
    // the rows held meanwhile as during a retrieval: commands that would change them wait,
    // DBCancel (and a close) cancels the statement running and runs no further one. `progress`
    // hears a few times a second how many have run. What ran joins the connection's unit of
    // work (Transaction::wrote). The grid shows no message of its own; nullopt when nothing
    // could start (the rows are busy, the sheet is closing, the slot is not connected).
    std::optional<odbc::StatementRunner::Outcome>
    Execute(Transaction& slot, std::vector<QString> statements,
            const std::function<void(std::size_t)>& progress = {});

    // --- writing
    // Writes changed, inserted and deleted rows; COMMIT or ROLLBACK is the caller's.
    int Update();
    // Asks for a file and format, then writes every row.
    int SaveAs();
    int SaveAs(const QString& path, ExportFormat format);

    GridView* view() const { return view_; }
    // "Set to NULL" (Alt+Delete, and in the cell's context menu): the current cell becomes NULL.
    QAction* setNullAction() const { return view_->setNullAction(); }
    // Copy (Ctrl+C) and Copy with Headings (Ctrl+Shift+C), also in the context menu: the
    // highlighted rows, or the current cell when no row is highlighted, as tab-separated text
    // and as an HTML table.
    QAction* copyAction() const { return view_->copyAction(); }
    QAction* copyWithHeadingsAction() const { return view_->copyWithHeadingsAction(); }
    void copyToClipboard(bool headings) const { view_->copyToClipboard(headings); }

    // Runs `work`, which reads the rows while it runs the event loop (Save As, printing), with
    // the rows busy as during a retrieval, so that nothing changes them meanwhile; DBCancel and a
    // closing sheet call `stop`, and `idle` follows the end. Returns false, running nothing, while
    // the rows are busy already.
    bool withRowsHeld(const std::function<void()>& work, std::function<void()> stop);
    const GridData& rows() const;

    // --- as a busy source of the window that holds it
    bool busy() const override { return retrieving(); }
    bool runsWork() const override { return runsRetrieval(); }
    void stopWork() override { DBCancel(); }
    // `then` follows `idle`.
    void callWhenIdle(QObject* context, std::function<void()> then) override;
    // AcceptText(), then hasPendingChanges().
    bool holdsUnsavedChanges() override;
    Transaction* connection() const override { return slot_; }

Q_SIGNALS:
    void RetrieveStart();
    void RetrieveEnd();
    void Clicked(int xpos, int ypos, long row, const platform::grid::DwObject& dwo);
    void GetFocus();
    void LoseFocus();
    // The rows this grid shows are no longer being retrieved (by any grid that shares them).
    void idle();

private:
    void useModel(std::shared_ptr<GridModel> model);
    // Retrieve, of the statement or (given the catalog column of each grid column, 0 for none)
    // of the table catalog.
    long retrieveRows(const std::vector<int>* tableCatalog);
    // Tells what ended a retrieval early; returns the retrieval's result.
    long reportRetrievalEnd(const RetrievalOutcome& outcome);
    void showDatabaseError(const QString& context, const QString& text);
    void sortByHeading(int column);
    void showSortMark();
    bool validRow(long row) const { return row >= 1 && row <= RowCount(); }

    GridView* view_;
    std::shared_ptr<GridModel> model_;
    QString dataObject_;
    Transaction* slot_ = nullptr;
    std::function<long(long)> retrieveRow_;
    std::function<long(const QString&)> dbError_;
    platform::Instant lastRetrieveEnd_;
    bool selectedMouse_ = true;
    int printMarginTop_ = 0;
    QString sortText_;
    bool headingSort_ = false;
    int sortColumn_ = -1; // from 0
    int sortStep_ = 0;    // 0: the order the rows came in, 1: ascending, 2: descending
};

} // namespace platform::grid
