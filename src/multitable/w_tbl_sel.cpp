#include "multitable/w_tbl_sel.h"

#include "app/globals.h"
#include "app/look.h"
#include "browse/query_grid.h"
#include "browse/table_catalog_list.h"
#include "browse/w_db2.h"
#include "multitable/relation.h"
#include "platform/dropdownlistbox.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/grid/describe.h"
#include "platform/message.h"
#include "platform/messagebox.h"
#include "platform/units.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtMath>

namespace app {
namespace {

// Both table lists and both column lists stand side by side at these x positions and width.
constexpr int masterX = 83;
constexpr int relatedX = 1372;
constexpr int listWidth = 1116;
// The table lists as created: y and height.
constexpr int tableListY = 101;
constexpr int tableListHeight = 369;

// The lists' two columns are declared long; size them so that both show.
void sizeTableColumns(platform::grid::DataWindow* list) {
    QHeaderView* heading = list->view()->horizontalHeader();
    if (heading->count() >= 2) {
        heading->resizeSection(0, platform::unitsToPixelsX(330));
        heading->resizeSection(1, platform::unitsToPixelsX(680));
    }
}

} // namespace

w_tbl_sel::w_tbl_sel() {
    setWindowTitle(QStringLiteral("Table selection"));
    setWindowBackground(this);
    platform::placeControl(this, 833, 361, 2954, 1641);
    normalSize_ = size();

    const QFont bold = windowFont(QStringLiteral("MS Sans Serif"), 8, true);

    st_1 = sheetLabel(this, QStringLiteral("Master Table"), bold);
    platform::placeControl(st_1, 444, 33, 357, 69);
    st_2 = sheetLabel(this, QStringLiteral("Related Table(s)"), bold);
    platform::placeControl(st_2, 1678, 33, 449, 69);

    dw_tbl_1 = new platform::grid::DataWindow(this);
    platform::placeControl(dw_tbl_1, masterX, tableListY, listWidth, tableListHeight);
    dw_tbl_2 = new platform::grid::DataWindow(this);
    platform::placeControl(dw_tbl_2, relatedX, tableListY, listWidth, tableListHeight);

    ddlb_1 = dropDownList(this, bold);
    ddlb_1->place(masterX, 473, listWidth, 601);
    st_3 = sheetLabel(this, QStringLiteral("="),
                      windowFont(QStringLiteral("MS Sans Serif"), 14, true));
    st_3->setAlignment(Qt::AlignCenter);
    platform::placeControl(st_3, 1217, 473, 147, 77);
    ddlb_2 = dropDownList(this, bold);
    ddlb_2->place(relatedX, 473, listWidth, 601);

    dw_col_1 = new platform::grid::DataWindow(this);
    dw_col_1->setDataObject(QStringLiteral("d_col_names"));
    platform::placeControl(dw_col_1, masterX, 569, listWidth, 945);
    dw_col_2 = new platform::grid::DataWindow(this);
    dw_col_2->setDataObject(QStringLiteral("d_col_names"));
    platform::placeControl(dw_col_2, relatedX, 569, listWidth, 945);

    dw_1 = new platform::grid::DataWindow(this);
    platform::placeControl(dw_1, 1989, 893, 494, 361);
    dw_1->setVisible(false);

    cb_ok = commandButton(this, QStringLiteral("&OK"), bold);
    cb_ok->setDefault(true);
    platform::placeControl(cb_ok, 2579, 81, 270, 109);
    cb_cancel = commandButton(this, QStringLiteral("&Cancel"), bold);
    platform::placeControl(cb_cancel, 2579, 237, 270, 109);

    connectControls();
    dw_tbl_1_constructor();
    dw_tbl_2_constructor();
}

void w_tbl_sel::connectControls() {
    // Tab order: cb_ok, ddlb_1, ddlb_2, dw_col_2, dw_col_1, dw_tbl_1, cb_cancel, dw_tbl_2 (the
    // probe grid is never shown).
    setTabOrder(cb_ok, ddlb_1);
    setTabOrder(ddlb_1, ddlb_2);
    setTabOrder(ddlb_2, dw_col_2);
    setTabOrder(dw_col_2, dw_col_1);
    setTabOrder(dw_col_1, dw_tbl_1);
    setTabOrder(dw_tbl_1, cb_cancel);
    setTabOrder(cb_cancel, dw_tbl_2);

    using platform::grid::DataWindow;
    using platform::grid::DwObject;
    connect(dw_tbl_1, &DataWindow::Clicked, this,
            [this](int, int, long row, const DwObject&) { dw_tbl_1_clicked(row); });
    connect(dw_tbl_2, &DataWindow::Clicked, this,
            [this](int, int, long row, const DwObject&) { dw_tbl_2_clicked(row); });
    // A list grows once the event that gave it the focus is handled: a click that brought the
    // focus picks its row in the list as the user saw it, and a click on a table, which shrinks
    // the list, leaves it at its normal size.
    connect(dw_tbl_1, &DataWindow::GetFocus, this, [this] {
        QTimer::singleShot(0, this, [this, turn = focusTurn1_] {
            if (turn == focusTurn1_ && dw_tbl_1->view()->hasFocus())
                dw_tbl_1_getfocus();
        });
    });
    connect(dw_tbl_1, &DataWindow::LoseFocus, this, &w_tbl_sel::dw_tbl_1_losefocus);
    connect(dw_tbl_2, &DataWindow::GetFocus, this, [this] {
        QTimer::singleShot(0, this, [this, turn = focusTurn2_] {
            if (turn == focusTurn2_ && dw_tbl_2->view()->hasFocus())
                dw_tbl_2_getfocus();
        });
    });
    connect(dw_tbl_2, &DataWindow::LoseFocus, this, &w_tbl_sel::dw_tbl_2_losefocus);
    connect(dw_col_1, &DataWindow::Clicked, this,
            [this](int, int, long row, const DwObject&) { dw_col_1_clicked(row); });
    connect(dw_col_2, &DataWindow::Clicked, this,
            [this](int, int, long row, const DwObject&) { dw_col_2_clicked(row); });
    connect(ddlb_1, &platform::DropDownListBox::SelectionChanged, this,
            [this] { platform::TriggerEvent(this, "ue_relate"); });
    connect(ddlb_2, &platform::DropDownListBox::SelectionChanged, this,
            [this] { platform::TriggerEvent(this, "ue_relate"); });
    connectCommand(cb_ok, this, &w_tbl_sel::cb_ok_clicked);
    connect(cb_cancel, &QPushButton::clicked, this, &w_tbl_sel::cb_cancel_clicked);
}

w_tbl_sel::~w_tbl_sel() = default;

bool w_tbl_sel::runsWhileBusy(const char* event) const {
    return qstrcmp(event, "ue_relate") == 0 || Sheet::runsWhileBusy(event);
}

void w_tbl_sel::keyPressEvent(QKeyEvent* event) {
    // OK is the default button and Cancel the cancel button: Enter and Escape press them.
    if (event->modifiers() == Qt::NoModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            cb_ok->click();
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            cb_cancel->click();
            return;
        }
    }
    platform::Sheet::keyPressEvent(event);
}

std::optional<QString> w_tbl_sel::tableAt(const platform::grid::DataWindow* list, long row) const {
    const std::optional<TableList> kind = tableListOf(is_database);
    if (!kind)
        return std::nullopt;
    return catalogTableName(list->GetItemString(row, kind->creatorColumn),
                            list->GetItemString(row, kind->nameColumn), listFolding_);
}

void w_tbl_sel::open() {
    if (QMdiSubWindow* sub = subWindow())
        sub->resize(sub->sizeHint());
    // 1.
    const auto* record = platform::Message().parm<str_sqlca>();
    istr_sqlca = record != nullptr ? *record : str_sqlca{};
    is_database = istr_sqlca.s_misc;
    // 2.
    const std::optional<TableList> kind = tableListOf(is_database);
    if (!kind)
        return;
    dw_tbl_1->setDataObject(kind->dataObject);
    dw_tbl_2->setDataObject(kind->dataObject);
    sizeTableColumns(dw_tbl_1);
    sizeTableColumns(dw_tbl_2);
    // 3.
    platform::Transaction* slot = slotByName(istr_sqlca.s_sqlca);
    if (slot != nullptr)
        dw_tbl_1->SetTransObject(slot);
    // 4. A server without the catalog the list reads lists its driver's tables instead, as the
    // table list does.
    // The Db2 catalog spells names in Db2's upper case; the SQL Anywhere one as they were
    // written, which its server compares without case.
    listFolding_ = is_database == QLatin1String("sqlany") ? platform::sql::IdentifierCase::AsWritten
                                                          : platform::sql::IdentifierCase::Upper;
    retrieveTableList(*dw_tbl_1, slot, kind->creatorColumn, kind->nameColumn, listFolding_);
    dw_tbl_1->ShareData(dw_tbl_2);
}

void w_tbl_sel::ue_create_dw(const QString& as_tbl_name) {
    // 1.
    const QString ls_sql = QStringLiteral("select * from ") + as_tbl_name;
    const QString ls_style = QStringLiteral("style(type=grid)");
    // 2.
    QString ls_syntax;
    QString ls_errors;
    if (platform::Transaction* slot = slotByName(istr_sqlca.s_sqlca))
        ls_syntax = platform::grid::SyntaxFromSQL(*slot, ls_sql, ls_style, ls_errors);
    // 3.
    if (!ls_errors.isEmpty()) {
        platform::MessageBox(QStringLiteral("Error"), QStringLiteral("Error reading the table"));
        return;
    }
    // 4.
    dw_1->Create(ls_syntax, ls_errors);
    if (!ls_errors.isEmpty())
        platform::MessageBox(QStringLiteral("Error"), QStringLiteral("Data retrieval error"));
}

void w_tbl_sel::ue_get_columns(platform::grid::DataWindow* as_dw) {
    // 1., 2. The rows are added to what the list holds.
    for (const QString& name : columnsOfSyntax(dw_1->Syntax())) {
        const long row = as_dw->InsertRow(0);
        as_dw->SetItem(row, QStringLiteral("es_name"), name);
    }
    // 4.
    if (as_dw == dw_col_1) {
        ddlb_1->Reset();
        ddlb_1_ue_populate();
    } else if (as_dw == dw_col_2) {
        ddlb_2->Reset();
        ddlb_2_ue_populate();
    }
}

void w_tbl_sel::ue_relate() {
    // 1.
    const QString ls_master = ddlb_1->Text();
    const QString ls_related = ddlb_2->Text();
    // 2.
    if (ls_master.isEmpty() || ls_related.isEmpty())
        return;
    // 3.
    istr_tables.s_relation.set(il_index, relationText(ls_related, ls_master));
}

void w_tbl_sel::ue_ok() {
    // 1.
    if (relationMissing(istr_tables))
        ue_relate();
    // 2.
    istr_tables.s_sqlca = istr_sqlca.s_sqlca;
    // 3.
    platform::OpenSheetWithParm(QStringLiteral("w_monitor"), istr_tables, ParentWindow(), 1,
                                platform::Arrange::Original, platform::Reference::Global);
}

void w_tbl_sel::dw_tbl_1_clicked(long row) {
    if (row < 1)
        return;
    if (dw_tbl_1->IsSelected(row)) {
        dw_tbl_1->SelectRow(row, false);
        return;
    }
    // 1.
    dw_tbl_1->SelectRow(0, false);
    dw_tbl_1->SelectRow(row, true);
    // 2. il_index keeps its value.
    istr_tables = str_tbl_cols{};
    // 3.
    dw_col_2->Reset();
    ddlb_2->Reset();
    dw_tbl_2->SelectRow(0, false);
    // 4.
    const std::optional<QString> ls_name = tableAt(dw_tbl_1, row);
    if (!ls_name)
        return;
    // 5.
    istr_tables.s_tbl_master = *ls_name;
    dw_col_1->Reset();
    ue_create_dw(*ls_name);
    ue_get_columns(dw_col_1);
    // 6.
    dw_tbl_1_losefocus();
}

void w_tbl_sel::dw_tbl_2_clicked(long row) {
    if (row < 1)
        return;
    if (relationMissing(istr_tables)) {
        platform::MessageBox(QStringLiteral("Error"),
                             QStringLiteral("Table relation not specified"));
        dw_tbl_2_losefocus();
        return;
    }
    const std::optional<QString> ls_name = tableAt(dw_tbl_2, row);
    if (!ls_name)
        return;
    if (dw_tbl_2->IsSelected(row)) {
        dw_tbl_2->SelectRow(row, false);
        removeRelatedTable(istr_tables, *ls_name);
        return;
    }
    dw_tbl_2->SelectRow(row, true);
    ++il_index;
    istr_tables.s_tables.set(il_index, *ls_name);
    dw_col_2->Reset();
    ue_create_dw(*ls_name);
    ue_get_columns(dw_col_2);
    dw_tbl_2_losefocus();
}

void w_tbl_sel::dw_tbl_1_constructor() {
    h1 = tableListHeight;
    y1 = tableListY;
}

void w_tbl_sel::dw_tbl_1_getfocus() {
    platform::placeControl(dw_tbl_1, masterX, y1 - 50, listWidth, qRound(1.5 * h1));
    dw_tbl_1->raise();
    st_1->setVisible(false);
    ddlb_1->setVisible(false);
}

void w_tbl_sel::dw_tbl_1_losefocus() {
    ++focusTurn1_;
    platform::placeControl(dw_tbl_1, masterX, y1, listWidth, h1);
    st_1->setVisible(true);
    ddlb_1->setVisible(true);
}

void w_tbl_sel::dw_tbl_2_constructor() {
    h2 = tableListHeight;
    y2 = tableListY;
}

void w_tbl_sel::dw_tbl_2_getfocus() {
    platform::placeControl(dw_tbl_2, relatedX, y2 - 50, listWidth, qRound(1.5 * h2));
    dw_tbl_2->raise();
    st_2->setVisible(false);
    ddlb_2->setVisible(false);
}

void w_tbl_sel::dw_tbl_2_losefocus() {
    ++focusTurn2_;
    platform::placeControl(dw_tbl_2, relatedX, y2, listWidth, h2);
    st_2->setVisible(true);
    ddlb_2->setVisible(true);
}

void w_tbl_sel::dw_col_1_clicked(long row) {
    if (row < 1)
        return;
    ddlb_1->SelectItem(dw_col_1->GetItemString(row, QStringLiteral("es_name")), 0);
    ue_relate();
}

void w_tbl_sel::dw_col_2_clicked(long row) {
    if (row < 1)
        return;
    ddlb_2->SelectItem(dw_col_2->GetItemString(row, QStringLiteral("es_name")), 0);
    ue_relate();
}

void w_tbl_sel::ddlb_1_ue_populate() {
    for (long row = 1; row <= dw_col_1->RowCount(); ++row)
        ddlb_1->AddItem(dw_col_1->GetItemString(row, QStringLiteral("es_name")));
}

void w_tbl_sel::ddlb_2_ue_populate() {
    for (long row = 1; row <= dw_col_2->RowCount(); ++row)
        ddlb_2->AddItem(dw_col_2->GetItemString(row, QStringLiteral("es_name")));
}

void w_tbl_sel::cb_ok_clicked() {
    platform::TriggerEvent(this, "ue_ok");
}

void w_tbl_sel::cb_cancel_clicked() {
    Close();
}

} // namespace app
