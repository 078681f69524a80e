#pragma once

#include "app/records.h"
#include "platform/sql/sql_text.h"
#include "platform/windows.h"

#include <QSize>
#include <QString>
#include <optional>

class QKeyEvent;
class QLabel;
class QPushButton;

namespace platform {
class DropDownListBox;
namespace grid {
class DataWindow;
struct DwObject;
} // namespace grid
} // namespace platform

namespace app {

// The relation selector: the user picks a master table, related tables and, for each related
// table, the pair of columns that ties it to the master table; OK opens the linked view.
class w_tbl_sel : public platform::Sheet {
    Q_OBJECT
public:
    w_tbl_sel();
    ~w_tbl_sel() override;

    void open() override;
    // Storing a relation text touches no grid, so it may happen while the lists are retrieved.
    using Sheet::runsWhileBusy;
    bool runsWhileBusy(const char* event) const override;
    QSize sizeHint() const override { return normalSize_; }

    QLabel* st_1;
    QLabel* st_2;
    platform::grid::DataWindow* dw_tbl_1;
    platform::grid::DataWindow* dw_tbl_2;
    platform::DropDownListBox* ddlb_1;
    QLabel* st_3;
    platform::DropDownListBox* ddlb_2;
    platform::grid::DataWindow* dw_col_1;
    platform::grid::DataWindow* dw_col_2;
    platform::grid::DataWindow* dw_1;
    QPushButton* cb_ok;
    QPushButton* cb_cancel;

    str_sqlca istr_sqlca;
    QString is_database;
    str_tbl_cols istr_tables;
    long il_index = 0;
    // dw_tbl_1 and dw_tbl_2 as created: height and y, in layout units.
    int h1 = 0;
    int y1 = 0;
    int h2 = 0;
    int y2 = 0;

    Q_INVOKABLE void ue_create_dw(const QString& as_tbl_name);
    using Sheet::ue_get_columns;
    void ue_get_columns(platform::grid::DataWindow* as_dw);
    Q_INVOKABLE void ue_relate();
    Q_INVOKABLE void ue_ok();

    void dw_tbl_1_clicked(long row);
    void dw_tbl_2_clicked(long row);
    void dw_tbl_1_constructor();
    void dw_tbl_1_getfocus();
    void dw_tbl_1_losefocus();
    void dw_tbl_2_constructor();
    void dw_tbl_2_getfocus();
    void dw_tbl_2_losefocus();
    void dw_col_1_clicked(long row);
    void dw_col_2_clicked(long row);
    void ddlb_1_ue_populate();
    void ddlb_2_ue_populate();
    void cb_ok_clicked();
    void cb_cancel_clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The tab order, and what the controls' events run.
    void connectControls();
    // The list's table at `row`: the creator without its blanks, ".", the name; none for a
    // database kind without a table list.
    std::optional<QString> tableAt(const platform::grid::DataWindow* list, long row) const;

    QSize normalSize_;
    // How the names of the lists' catalog fold.
    platform::sql::IdentifierCase listFolding_ = platform::sql::IdentifierCase::Upper;
    // Counts the LoseFocus handling of each list; a growth still to come is dropped by it.
    unsigned focusTurn1_ = 0;
    unsigned focusTurn2_ = 0;
};

} // namespace app
