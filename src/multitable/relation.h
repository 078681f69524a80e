#pragma once

#include "app/records.h"

#include <QString>
#include <optional>

namespace app {

// The table list of a database kind: its data object and the two columns that name a table.
struct TableList {
    QString dataObject;
    QString creatorColumn;
    QString nameColumn;
};

// "db2" lists the Db2 catalog, "sqlany" the SQL Anywhere catalog; any other kind (compared
// exactly) has no table list.
std::optional<TableList> tableListOf(const QString& kind);

// The relation text of a related table: its column, " = ", the master table's column.
QString relationText(const QString& relatedColumn, const QString& masterColumn);

// True while the related table added last has no relation text yet.
bool relationMissing(const str_tbl_cols& tables);

// Empties every related position that names `table`; the relation texts stay as they are.
void removeRelatedTable(str_tbl_cols& tables, const QString& table);

} // namespace app
