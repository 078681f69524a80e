#include "browse/w_tbl_view.h"

#include "app/look.h"
#include "browse/view_query.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/grid/describe.h"
#include "platform/message.h"
#include "platform/messagebox.h"
#include "platform/odbc/transaction.h"
#include "platform/pointer.h"
#include "platform/printjob.h"
#include "platform/units.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>

namespace app {

w_tbl_view::w_tbl_view() : countedName_(countPlaceholderName()) {
    setWindowTitle(QStringLiteral("Quorvel "));
    setWindowBackground(this);
    platform::placeControl(this, 220, 237, 3329, 1693);
    normalSize_ = size();

    const QFont bold = windowFont(QStringLiteral("MS Sans Serif"), 8, true);

    cb_rows = commandButton(this, QStringLiteral("Rows in the table"), bold);
    platform::placeControl(cb_rows, 138, 45, 513, 93);

    dw_rows = new platform::grid::DataWindow(this);
    dw_rows->setDataObject(QStringLiteral("d_rows"));
    dw_rows->view()->setFrameShape(QFrame::NoFrame);
    // The count grid is one line high: the count itself, without headings, fills it.
    dw_rows->view()->horizontalHeader()->hide();
    dw_rows->view()->verticalHeader()->hide();
    dw_rows->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    dw_rows->view()->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    platform::placeControl(dw_rows, 654, 53, 421, 73);

    dw_tables = new platform::grid::DataWindow(this);
    // dw_tables constructor: no mouse selection of data in the list.
    dw_tables->setSelectedMouse(false);
    platform::placeControl(dw_tables, 46, 173, 1061, 925);

    dw_1 = new platform::grid::DataWindow(this);
    platform::placeControl(dw_1, 1153, 173, 2090, 925);

    st_2 = sheetLabel(this, QStringLiteral("Column(s):"), bold);
    platform::placeControl(st_2, 101, 1173, 289, 65);
    sle_1 = singleLineEdit(this, bold);
    platform::placeControl(sle_1, 380, 1153, 1303, 93);

    st_3 = sheetLabel(this, QStringLiteral("Criteria:"), bold);
    platform::placeControl(st_3, 165, 1289, 225, 65);
    sle_restriction = singleLineEdit(this, bold);
    platform::placeControl(sle_restriction, 380, 1273, 1303, 93);

    st_4 = sheetLabel(this, QStringLiteral("Sort:"), bold);
    platform::placeControl(st_4, 247, 1405, 142, 65);
    sle_sort = singleLineEdit(this, bold);
    platform::placeControl(sle_sort, 380, 1393, 1303, 93);

    cb_retrieve = commandButton(this, QStringLiteral("Retrieve"), bold);
    cb_retrieve->setDefault(true);
    platform::placeControl(cb_retrieve, 1802, 1325, 279, 109);

    cb_stop = commandButton(this, QStringLiteral("Stop"), bold);
    platform::placeControl(cb_stop, 2204, 1325, 247, 109);

    cb_close = commandButton(this, QStringLiteral("Close"), bold);
    platform::placeControl(cb_close, 2885, 1325, 247, 109);

    connectControls(); // Made larger, the sheet gives the new space to its grid.
    growWithSheet(dw_1);
}

void w_tbl_view::connectControls() {
    // Tab order: dw_tables, cb_rows, dw_rows, dw_1, cb_stop, sle_sort, sle_1, sle_restriction,
    // cb_retrieve, cb_close.
    setTabOrder(dw_tables, cb_rows);
    setTabOrder(cb_rows, dw_rows);
    setTabOrder(dw_rows, dw_1);
    setTabOrder(dw_1, cb_stop);
    setTabOrder(cb_stop, sle_sort);
    setTabOrder(sle_sort, sle_1);
    setTabOrder(sle_1, sle_restriction);
    setTabOrder(sle_restriction, cb_retrieve);
    setTabOrder(cb_retrieve, cb_close);

    connectCommand(cb_rows, this, &w_tbl_view::cb_rows_clicked);
    connect(cb_close, &QPushButton::clicked, this, &w_tbl_view::cb_close_clicked);
    connect(dw_tables, &platform::grid::DataWindow::Clicked, this,
            [this](int x, int y, long row, const platform::grid::DwObject& dwo) {
                dw_tables_clicked(x, y, row, dwo);
            });
    connectQueryGrid();
}

w_tbl_view::~w_tbl_view() = default;

void w_tbl_view::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        // In the table list Enter chooses the table the arrow keys moved to, as a click does.
        if (dw_tables->isAncestorOf(QApplication::focusWidget())) {
            chooseCurrentTable();
            return;
        }
        // Elsewhere Retrieve is the default button, once there is a table to read.
        if (is_tbl_name.isEmpty()) {
            platform::SetMicroHelp(noTableText());
            return;
        }
        cb_retrieve->click();
        return;
    }
    QueryGridSheet::keyPressEvent(event);
}

QString w_tbl_view::noTableText() {
    return QStringLiteral("No table is chosen: choose one in the list with the arrow keys and "
                          "Enter, or with a click.");
}

void w_tbl_view::chooseCurrentTable() {
    if (refuseWhileBusy())
        return;
    const long row = dw_tables->GetRow();
    if (row < 1) {
        platform::SetMicroHelp(noTableText());
        return;
    }
    // Chosen already: Enter leaves it so (a second click would let it go).
    if (dw_tables->IsSelected(row))
        return;
    dw_tables_clicked(0, 0, row, platform::grid::DwObject{QStringLiteral("column"), QString()});
}

void w_tbl_view::open() {
    if (QMdiSubWindow* sub = subWindow())
        sub->resize(sub->sizeHint());
    const auto* record = platform::Message().parm<str_sqlca>();
    istr_sqlca = record != nullptr ? *record : str_sqlca{};
    setWindowTitle(QStringLiteral("Quorvel ") + istr_sqlca.s_dsn);
    platform::TriggerEvent(this, "ue_initialize");
}

void w_tbl_view::ue_initialize() {
    // 1.
    platform::SetMicroHelp(QStringLiteral("Retrieving data, please wait..."));
    // 2.
    platform::Transaction* slot = recordSlot(istr_sqlca);
    if (slot == nullptr)
        return;
    // 3.
    if (slot->SQLCode == 0) {
        dw_tables->SetTransObject(slot);
        retrieveTableList();
        ib_stop = false;
        platform::SetMicroHelp(QStringLiteral("Ready."));
        platform::SetPointer(platform::Pointer::Arrow);
        return;
    }
    // 4.
    Close();
}

long w_tbl_view::retrieveTableList() {
    return dw_tables->Retrieve();
}

void w_tbl_view::ue_retrieve() {
    // 1.
    platform::SetPointer(platform::Pointer::HourGlass);
    // 2.
    platform::SetMicroHelp(QStringLiteral("Retrieving data, please wait..."));
    // 3.
    st_preview->setVisible(ib_preview);
    // 4.
    istr_sqlca.s_sql =
        viewQuery(is_tbl_name, sle_1->text(), sle_restriction->text(), sle_sort->text());
    // 5.
    if (!buildGrid(istr_sqlca.s_sql))
        return;
    // 6.
    const long ll_rows = dw_1->Retrieve();
    // 7.
    st_1->setVisible(true);
    // 8. The marker stays only while the preview may hold back rows: it goes when nothing came,
    // and when the count of this very table says the five rows are all there are.
    if (ll_rows == 0) {
        st_preview->setVisible(false);
    } else if (dw_rows->RowCount() >= 1 && countedName_ == is_tbl_name) {
        bool counted = false;
        const long ll_count =
            dw_rows->GetItemString(1, QStringLiteral("tbl_rows")).toLong(&counted);
        if (counted && ll_count <= 5)
            st_preview->setVisible(false);
    }
    // 9.
    st_retrieved->setText(QString::number(ll_rows));
    // 10.
    is_old_name = is_tbl_name;
    // 11.
    platform::SetMicroHelp(QStringLiteral("Ready."));
    platform::SetPointer(platform::Pointer::Arrow);
}

void w_tbl_view::statementRefused(const QString& statement, const QString& error) {
    // The field at fault: the statement goes through without the sort, or without the
    // criterion as well, or only with every column.
    platform::Transaction* slot = recordSlot(istr_sqlca);
    const auto accepted = [slot](const QString& sql) {
        QString errors;
        if (slot != nullptr)
            platform::grid::SyntaxFromSQL(*slot, sql, QStringLiteral("style(type=grid)"), errors);
        return slot != nullptr && errors.isEmpty();
    };
    QString field;
    if (!sle_sort->text().isEmpty() &&
        accepted(viewQuery(is_tbl_name, sle_1->text(), sle_restriction->text(), {})))
        field = QStringLiteral("Sort");
    else if (!sle_restriction->text().isEmpty() &&
             accepted(viewQuery(is_tbl_name, sle_1->text(), {}, {})))
        field = QStringLiteral("Criteria");
    else if (!sle_1->text().isEmpty() && accepted(viewQuery(is_tbl_name, {}, {}, {})))
        field = QStringLiteral("Column(s)");
    const QString said =
        field.isEmpty() ? QStringLiteral("The server refused the statement:")
                        : QStringLiteral("The server refused what the %1 field holds:").arg(field);
    platform::MessageBox(QStringLiteral("Caution"),
                         said + QStringLiteral("\n") + error +
                             QStringLiteral("\n\nThe statement was:\n") + statement,
                         platform::Icon::Exclamation);
    dw_1->Reset();
    st_retrieved->setText(QString());
}

void w_tbl_view::cb_rows_clicked() {
    // 1.
    platform::SetPointer(platform::Pointer::HourGlass);
    // With no table chosen there is nothing to count: the count query keeps naming the table it
    // names, so that the next choice replaces the right name.
    if (is_tbl_name.isEmpty()) {
        platform::SetPointer(platform::Pointer::Arrow);
        return;
    }
    // 2. The old name is the one the count query names now, whatever was clicked in between.
    is_old_name = countedName_;
    // 3.
    const QString ls_select = dw_rows->TableSelect();
    // 4., 5.
    const QString ls_new = rewriteCountQuery(ls_select, is_old_name, is_tbl_name);
    // 6.
    dw_rows->setTableSelect(ls_new);
    countedName_ = is_tbl_name;
    // 7.
    platform::Transaction* slot = recordSlot(istr_sqlca);
    if (slot != nullptr) {
        dw_rows->SetTransObject(slot);
        // 8.
        dw_rows->Retrieve();
    }
    platform::SetPointer(platform::Pointer::Arrow);
}

void w_tbl_view::ue_save() {
    saveGrid();
}

void w_tbl_view::ue_print() {
    const std::unique_ptr<platform::PrintJob> job = platform::PrintJob::PrintOpen();
    platform::grid::PrintDataWindow(*job, *dw_1);
    job->PrintClose();
}

void w_tbl_view::ue_sqlpad() {
    // The workspace drops the trailing "  WITH UR " of the handed-over query itself.
    platform::OpenSheetWithParm(QStringLiteral("w_sqlpad"), istr_sqlca, platform::currentFrame(), 1,
                                platform::Arrange::Cascaded, platform::Reference::Global);
}

bool w_tbl_view::runsWhileBusy(Command command) const {
    // Neither changes the grids: one opens a workspace, the other reads the column names.
    return command == Command::Sqlpad || command == Command::GetColumns;
}

void w_tbl_view::ue_get_columns() {
    QStringList ls_columns{is_tbl_name};
    ls_columns << columnsOfSyntax(dw_1->Syntax());
    columnList = ls_columns;
}

void w_tbl_view::cb_close_clicked() {
    Close();
}

void w_tbl_view::dw_tables_clicked(int, int, long, const platform::grid::DwObject&) {
    is_old_name = is_tbl_name;
}

} // namespace app
