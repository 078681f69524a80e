#pragma once

#include "platform/sql/sql_text.h"

#include <QString>

namespace platform {
class Transaction;
namespace grid {
class DataWindow;
}
} // namespace platform

namespace app {

// Retrieves a list of tables into `list`, whose data object reads a catalog table (the Db2
// catalog): on Db2, and on any other server that imitates it, that statement. Where another
// server has no such catalog the statement fails, and the list takes the tables and views of
// the driver's own catalog instead (the creator and name columns named here get its schema and
// name), sorted by creator, then name, as the catalog statement sorts them. Returns the rows.
// `folding` holds how the names of the list's catalog fold (upper case for the Db2 catalog's
// spelling); when the driver's catalog is listed instead, it becomes the server's own.
long retrieveTableList(platform::grid::DataWindow& list, const platform::Transaction* slot,
                       const QString& creatorColumn, const QString& nameColumn,
                       platform::sql::IdentifierCase& folding);

} // namespace app
