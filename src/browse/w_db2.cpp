#include "browse/w_db2.h"

#include "browse/table_catalog_list.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/odbc/transaction.h"
#include "platform/units.h"
#include "platform/windows.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace app {

QString catalogTableName(const QString& creator, const QString& name,
                         platform::sql::IdentifierCase folding) {
    // Each part as it reads back as itself under the folding of the catalog it came from: the
    // Db2 catalog spells a name written without quotes in upper case.
    const QString table = platform::sql::quotedIdentifier(name, folding);
    const QString schema = creator.trimmed();
    return schema.isEmpty() ? table
                            : platform::sql::quotedIdentifier(schema, folding) + u'.' + table;
}

w_db2::w_db2() {
    dw_tables->setDataObject(QStringLiteral("d_tables_db2"));
    // Catalog names are declared long; size the two columns so that both show in the list.
    dw_tables->view()->horizontalHeader()->resizeSection(0, platform::unitsToPixelsX(330));
    dw_tables->view()->horizontalHeader()->resizeSection(1, platform::unitsToPixelsX(620));
}

w_db2::~w_db2() = default;

long w_db2::retrieveTableList() {
    // Another server may imitate the Db2 catalog (the sample PostgreSQL database does); where it
    // has none, the list comes from the driver's catalog instead of ending in an error.
    listFolding_ = platform::sql::IdentifierCase::Upper;
    return app::retrieveTableList(*dw_tables, recordSlot(istr_sqlca), QStringLiteral("creator"),
                                  QStringLiteral("name"), listFolding_);
}

void w_db2::dw_tables_clicked(int xpos, int ypos, long row, const platform::grid::DwObject& dwo) {
    // A click that previews another table replaces the grid's rows: changes not saved yet are
    // asked about first, and Cancel leaves everything as it was.
    const bool previews =
        dwo.type != QStringLiteral("text") && row >= 1 && !dw_tables->IsSelected(row);
    if (previews && !confirmDropChanges({dw_1}))
        return;
    w_tbl_view::dw_tables_clicked(xpos, ypos, row, dwo);
    // 1.
    if (dwo.type == QStringLiteral("text"))
        return;
    // 2.
    if (row < 1)
        return;
    // 3.
    ib_stop = false;
    ib_preview = true;
    st_preview->setVisible(true);
    st_retrieved->setText(QString());
    sle_restriction->setText(QString());
    sle_sort->setText(QString());
    sle_1->setText(QString());
    // 4.
    if (dw_tables->IsSelected(row)) {
        dw_tables->SelectRow(row, false);
        is_tbl_name.clear();
        return;
    }
    // 5.
    dw_tables->SelectRow(0, false);
    dw_tables->SelectRow(row, true);
    // 6.
    is_tbl_name =
        catalogTableName(dw_tables->GetItemString(row, QStringLiteral("creator")),
                         dw_tables->GetItemString(row, QStringLiteral("name")), listFolding_);
    // 7.
    platform::SetMicroHelp(QStringLiteral("Counting row numbers, please wait..."));
    // 8.
    cb_rows->click();
    // 9.
    platform::SetMicroHelp(QStringLiteral("Retrieving data, please wait..."));
    // 10.
    runCommand(Command::Retrieve);
}

} // namespace app
