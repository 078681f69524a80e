#pragma once

#include "browse/w_tbl_view.h"
#include "platform/sql/sql_text.h"

namespace app {

// The table view on a Db2 database: the list shows the catalog's tables, and a click on one
// counts its rows and shows its first five.
class w_db2 : public w_tbl_view {
    Q_OBJECT
public:
    w_db2();
    ~w_db2() override;

    void dw_tables_clicked(int xpos, int ypos, long row,
                           const platform::grid::DwObject& dwo) override;

protected:
    // The Db2 catalog's tables. A server that is not Db2 and has no SYSIBM.SYSTABLES lists
    // those of its driver's own catalog instead: tables and views, the schema as the creator.
    long retrieveTableList() override;

private:
    // How the names of the list's catalog fold.
    platform::sql::IdentifierCase listFolding_ = platform::sql::IdentifierCase::Upper;
};

// The chosen table of a catalog row: the creator without its padding blanks, ".", the name,
// each in double quotes when it would not read back as itself under `folding` (the folding of
// the catalog the row came from: upper case for the Db2 catalog), e.g. "it's here". Without a
// creator (a driver whose catalog has no schemas), the name alone.
QString
catalogTableName(const QString& creator, const QString& name,
                 platform::sql::IdentifierCase folding = platform::sql::IdentifierCase::Upper);

} // namespace app
