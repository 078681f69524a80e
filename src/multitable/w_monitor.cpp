#include "multitable/w_monitor.h"

#include "app/globals.h"
#include "app/look.h"
#include "multitable/monitor_rules.h"
#include "platform/clock.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/grid/describe.h"
#include "platform/grid/syntax.h"
#include "platform/message.h"
#include "platform/messagebox.h"
#include "platform/odbc/transaction.h"
#include "platform/pointer.h"
#include "platform/printjob.h"
#include "platform/units.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QTableView>
#include <QVBoxLayout>

namespace app {
namespace {

const QString gridStyle = QStringLiteral("style(type=grid)");

platform::grid::DataWindow* makeGrid(QWidget* parent) {
    auto* grid = new platform::grid::DataWindow(parent);
    grid->view()->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return grid;
}

// The slot's SyntaxFromSQL; with no slot both the syntax and the errors stay empty.
QString syntaxFromSql(platform::Transaction* slot, const QString& statement, QString& errors) {
    errors.clear();
    if (slot == nullptr)
        return {};
    return platform::grid::SyntaxFromSQL(*slot, statement, gridStyle, errors);
}

// The sheet paints again while the message is up, even in the middle of a click.
void errorReading(QWidget* sheet, const QString& table) {
    const bool painting = sheet->updatesEnabled();
    sheet->setUpdatesEnabled(true);
    platform::MessageBox(QStringLiteral("Error"), QStringLiteral("Error reading table ") + table,
                         platform::Icon::StopSign);
    sheet->setUpdatesEnabled(painting);
}

// Holds back the painting of a widget while it lives.
class PaintingHeld {
public:
    explicit PaintingHeld(QWidget* widget)
        : widget_(widget), wasEnabled_(widget->updatesEnabled()) {
        widget_->setUpdatesEnabled(false);
    }
    ~PaintingHeld() { widget_->setUpdatesEnabled(wasEnabled_); }
    PaintingHeld(const PaintingHeld&) = delete;
    PaintingHeld& operator=(const PaintingHeld&) = delete;

private:
    QWidget* widget_;
    bool wasEnabled_;
};

} // namespace

w_monitor::w_monitor() {
    setWindowTitle(QStringLiteral("Related Table Monitor"));
    setWindowBackground(this);
    platform::placeControl(this, 833, 361, 3553, 2253);
    normalSize_ = size();
    // The controls lie on a page of the window's size, which scrolls when the window is made
    // smaller than that, so that the lower grids can still be reached.
    auto* scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroller);
    page->setAutoFillBackground(true); // in the window's colour
    page->setFixedSize(normalSize_);
    scroller->setWidget(page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroller);

    const QFont bold = windowFont(QStringLiteral("MS Sans Serif"), 8, true);
    const QFont normal = windowFont(QStringLiteral("MS Sans Serif"), 8, false);

    dw_1 = makeGrid(page);
    platform::placeControl(dw_1, 23, 37, 2602, 521);
    st_1 = sheetLabel(page, QString(), bold);
    platform::placeControl(st_1, 2647, 57, 247, 77);

    cb_report = commandButton(page, QStringLiteral("Report"), normal);
    platform::placeControl(cb_report, 2995, 465, 362, 109);

    st_2 = sheetLabel(page, QString(), bold);
    platform::placeControl(st_2, 92, 577, 247, 77);
    dw_2 = makeGrid(page);
    platform::placeControl(dw_2, 23, 653, 1683, 681);
    st_3 = sheetLabel(page, QString(), bold);
    platform::placeControl(st_3, 1847, 577, 247, 77);
    dw_3 = makeGrid(page);
    platform::placeControl(dw_3, 1733, 653, 1683, 681);
    st_4 = sheetLabel(page, QString(), bold);
    platform::placeControl(st_4, 92, 1357, 247, 77);
    dw_4 = makeGrid(page);
    platform::placeControl(dw_4, 23, 1441, 1683, 681);
    st_5 = sheetLabel(page, QString(), bold);
    platform::placeControl(st_5, 1847, 1357, 247, 77);
    dw_5 = makeGrid(page);
    platform::placeControl(dw_5, 1733, 1441, 1683, 681);

    related_ = {dw_2, dw_3, dw_4, dw_5};
    labels_ = {st_2, st_3, st_4, st_5};

    connectControls();
}

void w_monitor::connectControls() {
    // Tab order: cb_report, dw_1, dw_5, dw_4, dw_3, dw_2.
    setTabOrder(cb_report, dw_1);
    setTabOrder(dw_1, dw_5);
    setTabOrder(dw_5, dw_4);
    setTabOrder(dw_4, dw_3);
    setTabOrder(dw_3, dw_2);

    connect(dw_1, &platform::grid::DataWindow::Clicked, this,
            [this](int, int, long row, const platform::grid::DwObject&) { dw_1_clicked(row); });
    for (int n = 2; n <= 5; ++n) {
        connect(relatedGrid(n), &platform::grid::DataWindow::Clicked, this,
                [this, n](int, int, long, const platform::grid::DwObject&) { related_clicked(n); });
    }
    connectCommand(cb_report, this, &w_monitor::cb_report_clicked);
}

w_monitor::~w_monitor() = default;

platform::grid::DataWindow* w_monitor::relatedGrid(int n) const {
    return n >= 2 && n <= 5 ? related_[static_cast<size_t>(n - 2)] : nullptr;
}

QLabel* w_monitor::relatedLabel(int n) const {
    return n >= 2 && n <= 5 ? labels_[static_cast<size_t>(n - 2)] : nullptr;
}

void w_monitor::open() {
    // The sheet opens in its own size; where is the frame's business.
    if (QMdiSubWindow* sub = subWindow())
        sub->resize(sub->sizeHint());
    // 1.
    const auto* record = platform::Message().parm<str_tbl_cols>();
    istr_tables = record != nullptr ? *record : str_tbl_cols{};
    // 2.
    if (istr_tables.s_tables.UpperBound() == 0 || istr_tables.s_relation.UpperBound() == 0)
        return;
    // 3.
    platform::PostEvent(this, "ue_initialize");
}

void w_monitor::ue_initialize() {
    platform::Transaction* slot = slotByName(istr_tables.s_sqlca);
    // 1.
    QString errors;
    const QString syntax = syntaxFromSql(slot, masterStatement(istr_tables.s_tbl_master), errors);
    if (!errors.isEmpty()) {
        errorReading(this, istr_tables.s_tbl_master);
        return;
    }
    dw_1->Create(syntax, errors);
    if (!errors.isEmpty()) {
        errorReading(this, istr_tables.s_tbl_master);
        return;
    }
    // 2.
    dw_1->SetTransObject(slot);
    const long rows = dw_1->Retrieve();
    // 3.
    dw_1->setSelectedMouse(false);
    // 4.
    dw_1->SetSort(QStringLiteral("#1 A"));
    dw_1->Sort();
    // 5.
    st_1->setText(QString::number(rows));
    // 6.
    if (slot != nullptr)
        slot->Commit();
    // 7.
    for (const RelatedGrid& related : relatedGrids(istr_tables)) {
        const QString table = istr_tables.s_tables[related.position];
        const QString relatedSyntax =
            syntaxFromSql(slot, relatedStatement(splitTableName(table), emptyCondition()), errors);
        if (!errors.isEmpty()) {
            errorReading(this, table);
            return;
        }
        QString parseErrors;
        described_[related.position] = platform::grid::parseSyntax(relatedSyntax, parseErrors);
        if (platform::grid::DataWindow* grid = relatedGrid(related.gridNumber)) {
            grid->Create(relatedSyntax, errors);
            if (!errors.isEmpty()) {
                errorReading(this, table);
                return;
            }
        }
    }
}

QString w_monitor::relatedColumnReference(long position, const QString& gridColumn) const {
    const platform::Transaction* slot = slotByName(istr_tables.s_sqlca);
    const bool foldsToUpper = slot == nullptr || slot->isDb2();
    const auto described = described_.find(position);
    const QString name = described == described_.end()
                             ? gridColumn
                             : databaseColumnName(described->second, gridColumn);
    return columnReference(name, foldsToUpper);
}

void w_monitor::dw_1_clicked(long row) {
    // A click made while the last one is handled is dropped, as a click during a retrieval is:
    // those made while a related statement is described (when no event loop runs) wait in the
    // queue, and are taken and dropped here before the click ends.
    if (clicking_)
        return;
    clicking_ = true;
    const auto done = qScopeGuard([this] {
        QCoreApplication::processEvents();
        clicking_ = false;
    });
    // 1.
    if (row < 1)
        return;
    // 2.
    if (dw_1->IsSelected(row)) {
        dw_1->SelectRow(row, false);
        return;
    }
    // The related grids are about to take other rows: changes they hold are asked about first.
    QList<platform::BusySource*> dropped;
    for (platform::grid::DataWindow* grid : related_) {
        if (grid != nullptr)
            dropped << grid;
    }
    if (!confirmDropChanges(dropped))
        return;
    // 3.
    dw_1->SelectRow(0, false);
    dw_1->SelectRow(row, true);
    platform::SetMicroHelp(QStringLiteral("Please wait..."));
    platform::SetPointer(platform::Pointer::HourGlass);
    const auto finish = [] {
        platform::SetMicroHelp(QStringLiteral("Ready"));
        platform::SetPointer(platform::Pointer::Arrow);
    };
    // The sheet is painted once, when the click is done, not again between one grid's rows and
    // the next grid's.
    const PaintingHeld held(this);
    // 4.
    for (const RelatedGrid& related : relatedGrids(istr_tables)) {
        if (!showRelatedRows(related, row)) {
            finish();
            return;
        }
    }
    // 5.
    finish();
}

bool w_monitor::showRelatedRows(const RelatedGrid& related, long row) {
    const long i = related.position;
    const int n = related.gridNumber;
    const QString table = istr_tables.s_tables[i];
    platform::grid::DataWindow* grid = relatedGrid(n);
    // 4.1. A missing relation text, an unknown master column or a null master cell give no
    // key condition: the grid is emptied, and the click goes on with the next one.
    const SplitTableName name = splitTableName(table);
    const std::optional<Relation> relation = splitRelation(istr_tables.s_relation[i]);
    const int masterColumn =
        relation ? dw_1->definition().columnIndex(relation->masterColumn) + 1 : 0;
    if (masterColumn < 1 || dw_1->isItemNull(row, masterColumn)) {
        is_relation.set(i, QString());
        if (grid != nullptr) {
            grid->Reset();
            relatedLabel(n)->setText(QString());
        }
        errorReading(this, table);
        return true;
    }
    const QString condition = keyCondition(name, relatedColumnReference(i, relation->relatedColumn),
                                           dw_1->GetItemString(row, masterColumn));
    is_relation.set(i, condition);
    // 4.2.
    platform::Transaction* slot = slotByName(istr_tables.s_sqlca);
    QString errors;
    const QString syntax = syntaxFromSql(slot, relatedStatement(name, condition), errors);
    if (!errors.isEmpty()) {
        errorReading(this, table);
        return false;
    }
    if (grid == nullptr)
        return true;
    // 4.3.
    grid->Reset();
    grid->Create(syntax, errors);
    if (!errors.isEmpty()) {
        errorReading(this, table);
        return false;
    }
    // 4.4.
    grid->SetTransObject(slot);
    const long count = grid->Retrieve();
    grid->setSelectedMouse(false);
    relatedLabel(n)->setText(QString::number(count));
    return true;
}

void w_monitor::saveChanges() {
    // Each grid's changes in the unit of work of its own connection, committed when they were
    // written whole and rolled back otherwise.
    for (platform::grid::DataWindow* grid : findChildren<platform::grid::DataWindow*>()) {
        if (!grid->hasPendingChanges())
            continue;
        const int written = grid->Update();
        platform::Transaction* slot = grid->transObject();
        if (slot == nullptr)
            continue;
        if (written == 1)
            slot->Commit();
        else
            slot->Rollback();
    }
}

void w_monitor::related_clicked(int n) {
    is_dw = QStringLiteral("dw_%1").arg(n);
}

void w_monitor::ue_print() {
    // 1.
    platform::SetMicroHelp(QStringLiteral("Please wait..."));
    platform::SetPointer(platform::Pointer::HourGlass);
    const std::unique_ptr<platform::PrintJob> job = platform::PrintJob::PrintOpen();
    // 2.
    const int n = is_dw.startsWith(QStringLiteral("dw_")) ? is_dw.mid(3).toInt() : 0;
    if (platform::grid::DataWindow* grid = relatedGrid(n)) {
        job->Print(reportHeading(platform::Today()));
        // The key condition of the printed grid's own table.
        const long position = positionOfGrid(istr_tables, n);
        job->Print(position > 0 ? is_relation[position] : QString());
        grid->setPrintMarginTop(250);
        if (grid->RowCount() > 0)
            platform::grid::PrintDataWindow(*job, *grid);
        // A report that could not be made says so; one written to a file keeps its name on the
        // status line, where the print job put it.
        if (job->PrintClose() != 1 && !job->errorText().isEmpty())
            platform::MessageBox(QStringLiteral("Report error"), job->errorText(),
                                 platform::Icon::StopSign);
        else if (!job->outputFile().isEmpty()) {
            platform::SetPointer(platform::Pointer::Arrow);
            return;
        }
    } else {
        // 3.
        platform::MessageBox(QStringLiteral("Report error"),
                             QStringLiteral("Please click on the window that you want to print"),
                             platform::Icon::Exclamation);
        job->PrintCancel();
    }
    // 4.
    platform::SetMicroHelp(QStringLiteral("Ready."));
    platform::SetPointer(platform::Pointer::Arrow);
}

void w_monitor::cb_report_clicked() {
    platform::TriggerEvent(this, "ue_print");
}

} // namespace app
