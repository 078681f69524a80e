#include "connect/w_sqlca.h"

#include "app/globals.h"
#include "app/look.h"
#include "connect/connect_text.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/messagebox.h"
#include "platform/odbc/transaction.h"
#include "platform/units.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <array>

namespace app {

w_sqlca::w_sqlca() {
    setWindowTitle(QStringLiteral("Connections Open"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowBackground(this);
    platform::placeControl(this, 833, 361, 1998, 1209);
    setFixedSize(size());

    cb_ok = commandButton(this, QStringLiteral("&OK"),
                          windowFont(QStringLiteral("MS Sans Serif"), 8, true));
    cb_ok->setDefault(true);
    platform::placeControl(cb_ok, 865, 961, 252, 109);

    st_1 = sheetLabel(this, QString(), windowFont(QStringLiteral("MS Sans Serif"), 10, true));
    st_1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    platform::placeControl(st_1, 87, 73, 1646, 261);

    dw_1 = new platform::grid::DataWindow(this);
    dw_1->setDataObject(QStringLiteral("d_dsn_opened"));
    dw_1->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dw_1->view()->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // The five columns side by side within the grid's width.
    int column = 0;
    for (const int units : {170, 300, 260, 270, 600})
        dw_1->view()->horizontalHeader()->resizeSection(column++, platform::unitsToPixelsX(units));
    platform::placeControl(dw_1, 83, 405, 1692, 465);

    // Tab order: dw_1, cb_ok.
    setTabOrder(dw_1, cb_ok);
    dw_1->setFocus();

    connect(cb_ok, &QPushButton::clicked, this, &w_sqlca::cb_ok_clicked);
    connect(dw_1, &platform::grid::DataWindow::Clicked, this, &w_sqlca::dw_1_clicked);
}

w_sqlca::~w_sqlca() = default;

void w_sqlca::open() {
    // 1.
    st_1->setText(QStringLiteral("You have too many connections opened.\r\nSelect one to close:"));

    // 2. Every slot in use, in slot order.
    const Globals& g = globals();
    const std::array<platform::Transaction*, 4> slots{g.SQLCA, g.SQLCA1, g.SQLCA2, g.SQLCA3};
    for (platform::Transaction* slot : slots) {
        if (slot == nullptr || slot->DBMS.isEmpty())
            continue;
        // 2.1 to 2.3: data source and user ID come from the stored text; the password is read
        // from nowhere and shown nowhere.
        const QString ls_dbparm = slot->DBParm.trimmed();
        const QString ls_dsn = dsnOfConnectText(ls_dbparm);
        const QString ls_uid = uidOfConnectText(ls_dbparm);
        // 2.4, 2.5
        const long ll_row = dw_1->InsertRow(0);
        dw_1->SetItem(ll_row, QStringLiteral("es_dbms"), slot->DBMS);
        dw_1->SetItem(ll_row, QStringLiteral("es_dsn"), ls_dsn);
        dw_1->SetItem(ll_row, QStringLiteral("es_uid"), ls_uid);
        dw_1->SetItem(ll_row, QStringLiteral("es_sqlca"), slot->name());
        dw_1->SetItem(ll_row, QStringLiteral("es_dbparm"), maskedConnectText(ls_dbparm));
    }
}

void w_sqlca::dw_1_clicked(int, int, long row, const platform::grid::DwObject&) {
    if (row < 1)
        return;
    if (dw_1->IsSelected(row)) {
        dw_1->SelectRow(row, false);
        return;
    }
    dw_1->SelectRow(0, false);
    dw_1->SelectRow(row, true);
}

void w_sqlca::ue_ok() {
    // 1.
    const long ll_found = dw_1->GetSelectedRow(0);
    // 2.
    if (ll_found == 0) {
        const int li_rtn = platform::MessageBox(
            QStringLiteral("Error"), QStringLiteral("Select one connection to close?"),
            platform::Icon::Question, platform::Buttons::RetryCancel, 1);
        if (li_rtn == 1)
            return;
        CloseWithReturn(QString());
        return;
    }
    // 3.
    const QString ls_sqlca = dw_1->GetItemString(ll_found, QStringLiteral("es_sqlca"));
    // 4. A connection still reading rows into a grid is not closed under it: its cursor would go
    // and the retrieval with it, and the logon could not connect the slot again.
    platform::Transaction* slot = slotByName(ls_sqlca);
    if (slot != nullptr && slot->retrieving()) {
        platform::MessageBox(QStringLiteral("Error"), platform::Transaction::busyText(),
                             platform::Icon::StopSign);
        return;
    }
    // Changes not saved yet in grids of that connection would be lost with it: asked about
    // first; Cancel keeps the chooser open.
    if (slot != nullptr && platform::currentFrame() != nullptr &&
        !platform::currentFrame()->confirmDropChanges(slot))
        return;
    if (slot != nullptr)
        slot->Disconnect();
    // 5.
    CloseWithReturn(ls_sqlca);
}

void w_sqlca::cb_ok_clicked() {
    platform::TriggerEvent(this, "ue_ok");
}

void w_sqlca::reject() {
    CloseWithReturn(QString());
}

} // namespace app
