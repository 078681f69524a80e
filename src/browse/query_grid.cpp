#include "browse/query_grid.h"

#include "app/globals.h"
#include "app/look.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/grid/describe.h"
#include "platform/messagebox.h"
#include "platform/odbc/transaction.h"
#include "platform/pointer.h"
#include "platform/units.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <vector>

namespace app {

platform::Transaction* recordSlot(const str_sqlca& record) {
    return slotByName(record.s_sqlca);
}

QStringList columnsOfSyntax(const QString& syntax) {
    static const QString start = QStringLiteral("column(name=");
    static const QString end = QStringLiteral(" band=detail");
    QStringList names;
    qsizetype at = syntax.indexOf(start);
    while (at >= 0) {
        const qsizetype nameStart = at + start.size();
        const qsizetype nameEnd = syntax.indexOf(end, nameStart);
        if (nameEnd < 0)
            break;
        names << syntax.mid(nameStart, nameEnd - nameStart);
        at = syntax.indexOf(start, nameEnd + end.size());
    }
    return names;
}

QueryGridSheet::QueryGridSheet(QWidget* parent) : platform::Sheet(parent) {
    // The retrieval progress, at the same place on both sheets: "First" (red, hidden), the
    // number of rows, "rows retrieved".
    const QFont bold = windowFont(QStringLiteral("MS Sans Serif"), 8, true);
    st_preview = sheetLabel(this, QStringLiteral("First"), bold);
    setTextColour(st_preview, Qt::red);
    st_preview->setVisible(false);
    platform::placeControl(st_preview, 2327, 61, 151, 77);

    st_retrieved = sheetLabel(this, QString(), bold);
    st_retrieved->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    platform::placeControl(st_retrieved, 2455, 61, 270, 77);

    st_1 = sheetLabel(this, QStringLiteral("rows retrieved"), bold);
    platform::placeControl(st_1, 2753, 61, 385, 77);
}

QueryGridSheet::~QueryGridSheet() = default;

void QueryGridSheet::connectQueryGrid() {
    // Retrieve waits for a running retrieval; Stop always works.
    connectCommand(cb_retrieve, this, &QueryGridSheet::cb_retrieve_clicked);
    connect(cb_stop, &QPushButton::clicked, this, &QueryGridSheet::cb_stop_clicked);
    cb_stop->installEventFilter(this);
    dw_1->setHeadingSort(true);
    connect(dw_1, &platform::grid::DataWindow::RetrieveStart, this,
            &QueryGridSheet::dw_1_retrievestart);
    connect(dw_1, &platform::grid::DataWindow::RetrieveEnd, this,
            &QueryGridSheet::dw_1_retrieveend);
    dw_1->setRetrieveRowHandler([this](long row) { return dw_1_retrieverow(row); });
}

bool QueryGridSheet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cb_stop && event->type() == QEvent::FocusOut)
        cb_stop_losefocus();
    return platform::Sheet::eventFilter(watched, event);
}

void QueryGridSheet::saveGrid() {
    const int li_rc = dw_1->Update();
    platform::Transaction* slot = recordSlot(istr_sqlca);
    if (slot == nullptr)
        return;
    if (li_rc == 1)
        slot->Commit();
    else
        slot->Rollback();
}

bool QueryGridSheet::buildGrid(const QString& statement) {
    return build(statement, false) == GridBuild::Built;
}

QueryGridSheet::GridBuild QueryGridSheet::buildGridOrStatement(const QString& statement) {
    return build(statement, true);
}

QueryGridSheet::GridBuild QueryGridSheet::build(const QString& statement, bool statementsRun) {
    // 1.
    const QString ls_style = QStringLiteral("style(type=grid)");

    // 2.
    QString ls_syntax;
    QString ls_error;
    bool noColumns = false;
    if (platform::Transaction* slot = recordSlot(istr_sqlca))
        ls_syntax = platform::grid::SyntaxFromSQL(*slot, statement, ls_style, ls_error, &noColumns);
    if (noColumns && statementsRun)
        return GridBuild::NoColumns;

    // 3.
    if (!ls_error.isEmpty()) {
        statementRefused(statement, ls_error);
        platform::SetMicroHelp(QStringLiteral("Ready."));
        platform::SetPointer(platform::Pointer::Arrow);
        return GridBuild::Failed;
    }

    // 4.
    dw_1->Create(ls_syntax, ls_error);
    if (!ls_error.isEmpty()) {
        platform::MessageBox(QStringLiteral("Caution"),
                             QStringLiteral("Create datawindow errors: ") + ls_error);
        platform::SetMicroHelp(QStringLiteral("Ready."));
        platform::SetPointer(platform::Pointer::Arrow);
        return GridBuild::Failed;
    }

    // 5.
    dw_1->SetTransObject(recordSlot(istr_sqlca));
    return GridBuild::Built;
}

bool QueryGridSheet::refuseUnlessEditable() const {
    if (dw_1->isEditable())
        return false;
    platform::SetMicroHelp(QStringLiteral("This result cannot be changed: it does not hold one "
                                          "table's primary key"));
    return true;
}

void QueryGridSheet::ue_insert() {
    if (refuseUnlessEditable())
        return;
    const long row = dw_1->InsertRow(0);
    if (row > 0)
        dw_1->SetCurrentCell(row, 1);
}

void QueryGridSheet::ue_delete() {
    if (refuseUnlessEditable())
        return;
    std::vector<long> rows;
    for (long row = dw_1->GetSelectedRow(0); row > 0; row = dw_1->GetSelectedRow(row))
        rows.push_back(row);
    if (rows.empty() && dw_1->GetRow() > 0)
        rows.push_back(dw_1->GetRow());
    if (rows.empty()) {
        platform::SetMicroHelp(QStringLiteral("No row is chosen to delete."));
        return;
    }
    // From the last up, so that the rows still to go keep their numbers.
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        dw_1->DeleteRow(*row);
}

void QueryGridSheet::statementRefused(const QString&, const QString& error) {
    platform::MessageBox(QStringLiteral("Caution"),
                         QStringLiteral("SyntaxFromSQL errors: ") + error +
                             QStringLiteral("\r\nSome columns are not presentable."));
}

void QueryGridSheet::cb_retrieve_clicked() {
    // New rows replace the grid's: changes not saved yet are asked about first.
    if (!confirmDropChanges({dw_1}))
        return;
    st_retrieved->setText(QString());
    st_1->setVisible(false);
    ib_preview = false;
    ib_stop = false;
    runCommand(Command::Retrieve);
}

void QueryGridSheet::cb_stop_clicked() {
    requestStop();
}

void QueryGridSheet::cb_stop_losefocus() {
    requestStop();
}

void QueryGridSheet::requestStop() {
    ib_stop = true;
    // The flag is read for every row that arrives; a statement the server is still executing
    // has produced no row yet, so the grid is told to stop as well.
    if (dw_1 != nullptr && dw_1->retrieving())
        dw_1->DBCancel();
}

void QueryGridSheet::dw_1_retrievestart() {
    platform::SetPointer(platform::Pointer::HourGlass);
}

long QueryGridSheet::dw_1_retrieverow(long row) {
    // 1.
    if (ib_stop)
        return 1;
    if (ib_preview) {
        // 2.
        st_preview->setVisible(true);
        if (row > 4)
            return 1;
        st_retrieved->setText(QString::number(row));
    } else {
        // 3.
        st_preview->setVisible(false);
        st_retrieved->setText(QString::number(row));
    }
    // 4.
    return 0;
}

void QueryGridSheet::dw_1_retrieveend() {
    platform::SetPointer(platform::Pointer::Arrow);
}

} // namespace app
