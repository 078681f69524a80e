#pragma once

#include "app/records.h"
#include "platform/windows.h"

#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;

namespace platform {
class Transaction;
namespace grid {
class DataWindow;
}
} // namespace platform

namespace app {

// The slot that the record names: "SQLCA", "SQLCA1", "SQLCA2" or "SQLCA3", compared exactly.
// Any other text names no slot.
platform::Transaction* recordSlot(const str_sqlca& record);

// The names of the grid's columns, in order: each text between "column(name=" and the next
// " band=detail" of its syntax.
QStringList columnsOfSyntax(const QString& syntax);

// A sheet that shows a statement's result in a grid built at run time: the table view and the SQL
// workspace. It creates the labels of the retrieval progress (st_preview, st_retrieved, st_1),
// which both sheets show at the same place; the derived sheet creates the other controls in its
// own layout, then calls connectQueryGrid().
class QueryGridSheet : public platform::Sheet {
    Q_OBJECT
public:
    explicit QueryGridSheet(QWidget* parent = nullptr);
    ~QueryGridSheet() override;

    str_sqlca istr_sqlca;
    bool ib_stop = false;
    bool ib_preview = false;

    platform::grid::DataWindow* dw_1 = nullptr;
    QLabel* st_preview = nullptr;
    QLabel* st_retrieved = nullptr;
    QLabel* st_1 = nullptr;
    QPushButton* cb_retrieve = nullptr;
    QPushButton* cb_stop = nullptr;

    // Builds dw_1 for `statement` on the record's slot. False after a "Caution" message: the
    // calling handler ends there, and the grid keeps its previous layout and rows.
    bool buildGrid(const QString& statement);
    // As buildGrid(), but a statement that the server prepared and that returns no columns (an
    // UPDATE, a CREATE TABLE) is told apart from failures: no message, the grid as it was.
    enum class GridBuild { Built, Failed, NoColumns };
    GridBuild buildGridOrStatement(const QString& statement);

    // Save: writes the grid's changes, then COMMIT on the sheet's slot when that worked and
    // ROLLBACK when it did not; without a slot nothing follows the update.
    void saveGrid();

    // Insert appends a row to an editable grid and puts the cursor in its first cell; Delete
    // marks the highlighted rows (or the current one) deleted, for Save to write. Where the grid
    // cannot be written the status line says why.
    Q_INVOKABLE void ue_insert() override;
    Q_INVOKABLE void ue_delete() override;

    void cb_retrieve_clicked();
    void cb_stop_clicked();
    void cb_stop_losefocus();
    void dw_1_retrievestart();
    long dw_1_retrieverow(long row);
    void dw_1_retrieveend();

protected:
    // Tells that the server refused the statement that buildGrid() described: the "Caution"
    // message with the driver's text.
    virtual void statementRefused(const QString& statement, const QString& error);
    // Wires the buttons and the grid to the handlers above; once the controls exist.
    void connectQueryGrid();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void requestStop();
    GridBuild build(const QString& statement, bool statementsRun);
    bool refuseUnlessEditable() const;
};

} // namespace app
