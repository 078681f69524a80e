#pragma once

#include "platform/grid/column.h"

#include <QString>
#include <vector>

namespace platform {
class Transaction;
}

namespace platform::grid {

// Describing a statement through ODBC: its result columns and the table they can be written to.

// Where the driver says a result column comes from; empty parts where it does not know.
struct ColumnOrigin {
    QString schema;
    QString table;
    QString column;
};

// Decides the update table of `definition` from the origins of its columns (one per column):
// when every column that has a base table comes from one table, and every column of that table's
// primary key is in the result, that table becomes the update table, its key columns are marked
// and its columns are updatable. Columns get their dbName from their origin. When no column has a
// base table, the table comes from the statement's FROM clause and columns are matched to it by
// name through the catalog.
void resolveUpdateTable(Transaction& slot, GridDefinition& definition,
                        const std::vector<ColumnOrigin>& origins);

// Describes `sql` on `slot` without executing it. On failure `errors` holds the driver's
// diagnostics (or says why) and the result is empty; `noColumns`, when given, tells a statement
// that the server prepared but that returns no columns (an UPDATE, a CREATE TABLE ...).
GridDefinition describeSelect(Transaction& slot, const QString& sql, QString& errors,
                              bool* noColumns = nullptr);

// Grid syntax for `sql` in `style` ("style(type=grid)"), described on `slot` without executing
// the statement. `errors` is empty on success; otherwise it holds the reason and the result is "".
QString SyntaxFromSQL(Transaction& slot, const QString& sql, const QString& style, QString& errors,
                      bool* noColumns = nullptr);

} // namespace platform::grid
