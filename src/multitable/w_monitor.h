#pragma once

#include "app/records.h"
#include "platform/grid/column.h"
#include "platform/windows.h"

#include <QString>
#include <array>
#include <map>

class QLabel;
class QPushButton;

namespace platform::grid {
class DataWindow;
}

namespace app {

struct RelatedGrid;

// The linked view: the master table's rows on top and up to four related tables below, each
// showing the rows that match the master row clicked last.
class w_monitor : public platform::Sheet {
    Q_OBJECT
public:
    w_monitor();
    ~w_monitor() override;

    void open() override;
    QSize sizeHint() const override { return normalSize_; }

    str_tbl_cols istr_tables;
    StringArray is_relation;
    QString is_dw;

    platform::grid::DataWindow* dw_1 = nullptr;
    platform::grid::DataWindow* dw_2 = nullptr;
    platform::grid::DataWindow* dw_3 = nullptr;
    platform::grid::DataWindow* dw_4 = nullptr;
    platform::grid::DataWindow* dw_5 = nullptr;
    QLabel* st_1 = nullptr;
    QLabel* st_2 = nullptr;
    QLabel* st_3 = nullptr;
    QLabel* st_4 = nullptr;
    QLabel* st_5 = nullptr;
    QPushButton* cb_report = nullptr;

    // Grid n and label n for n = 2 to 5; nullptr for any other number.
    platform::grid::DataWindow* relatedGrid(int n) const;
    QLabel* relatedLabel(int n) const;

    Q_INVOKABLE void ue_initialize();
    Q_INVOKABLE void ue_print() override;

    // The view has no Save command; the question about unsaved changes saves its grids.
    void saveChanges() override;

    void dw_1_clicked(long row);
    void related_clicked(int n);
    void cb_report_clicked();

private:
    // The tab order, and what the controls' events run.
    void connectControls();
    // The related column as the database names it: the described name behind the grid column
    // of the relation text, from the related grid's definition at initialisation.
    QString relatedColumnReference(long position, const QString& gridColumn) const;
    // Shows in the related grid of `related` the rows that go with the master grid's row `row`
    // (an empty grid where no key condition comes of it). False when describing or making the
    // grid failed, which ends the click.
    bool showRelatedRows(const RelatedGrid& related, long row);

    std::array<platform::grid::DataWindow*, 4> related_{};
    std::array<QLabel*, 4> labels_{};
    // Each related position's table as initialisation described it.
    std::map<long, platform::grid::GridDefinition> described_;
    QSize normalSize_;
    // A master click is being handled.
    bool clicking_ = false;
};

} // namespace app
