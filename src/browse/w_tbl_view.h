#pragma once

#include "browse/query_grid.h"

#include <QSize>
#include <QStringList>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace platform::grid {
struct DwObject;
}

namespace app {

// The sheet on which the user looks at the rows of one table: a table list, a count of the
// chosen table's rows, and a result grid for a column list, a criterion and a sort order. The
// ancestor of the Db2 table list; its own list has no data object.
class w_tbl_view : public QueryGridSheet {
    Q_OBJECT
public:
    // Enter in the table list: the table the arrow keys moved to is chosen, as by a click.
    void chooseCurrentTable();
    static QString noTableText();
    w_tbl_view();
    ~w_tbl_view() override;

    void open() override;
    using Sheet::runsWhileBusy;
    bool runsWhileBusy(Command command) const override;
    QSize sizeHint() const override { return normalSize_; }

    // Controls (dw_1, st_preview, st_retrieved, st_1, cb_retrieve and cb_stop are the query
    // grid's).
    QPushButton* cb_rows;
    platform::grid::DataWindow* dw_rows;
    platform::grid::DataWindow* dw_tables;
    QLabel* st_2;
    QLineEdit* sle_1;
    QLabel* st_3;
    QLineEdit* sle_restriction;
    QLabel* st_4;
    QLineEdit* sle_sort;
    QPushButton* cb_close;

    QString is_tbl_name;
    QString is_old_name;

    // The column list of the last ue_get_columns: the chosen table, then every column of dw_1.
    QStringList columnList;

    Q_INVOKABLE void ue_initialize();
    Q_INVOKABLE void ue_retrieve() override;
    Q_INVOKABLE void ue_save() override;
    Q_INVOKABLE void ue_print() override;
    Q_INVOKABLE void ue_sqlpad() override;
    Q_INVOKABLE void ue_get_columns() override;

    void cb_rows_clicked();
    void cb_close_clicked();
    virtual void dw_tables_clicked(int xpos, int ypos, long row,
                                   const platform::grid::DwObject& dwo);

    // The table that the count query in dw_rows names at present.
    const QString& countedName() const { return countedName_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Says which of the sheet's fields the server refused, with the composed statement, and
    // empties the grid, whose rows no longer belong to what the fields say.
    void statementRefused(const QString& statement, const QString& error) override;
    // Fills the table list on the slot it is bound to (ue_initialize, step 3): the list's own
    // statement, retrieved. Returns the number of rows, or -1.
    virtual long retrieveTableList();

private:
    // The tab order, and what the controls' events run.
    void connectControls();
    QSize normalSize_;
    QString countedName_;
};

} // namespace app
