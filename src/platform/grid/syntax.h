#pragma once

#include "platform/grid/column.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace platform {
class Transaction;
}

namespace platform::grid {

// The grid syntax text: a grid's definition as the grid reports it (Object.DataWindow.Syntax) and
// as Create() reads it back.
//
//   release 1;
//   datawindow(processing=1 style=grid)
//   table(column=(type=char(15) sqltype=-9 name=lastname dbname="lastname" key=no
//                 updatable=yes nullable=no)
//         ...
//         select="select * from db2inst1.employee" update="db2inst1.employee" external=no)
//   text(name=lastname_t band=header text="lastname")
//   column(name=lastname band=detail id=4 alignment="0" width=450)
//
// Windows find the column names by taking every text between "column(name=" and the next
// " band=detail", so each column has exactly one such control, written in column order, and
// no quoted value ever contains "column(" (its parenthesis is written as "~(").
// Quoted values use tilde escapes: ~" quote, ~~ tilde, ~r CR, ~n LF, ~t tab; a tilde before any
// other character stands for that character.
QString writeSyntax(const GridDefinition& definition);

// Reads syntax text back. On malformed text `errors` says what is wrong (with its line) and the
// result is an empty definition; otherwise `errors` is empty.
GridDefinition parseSyntax(const QString& text, QString& errors);

// The statement as the grid's Table.Select property reports it: each '"' becomes '~"'.
QString selectForDisplay(const QString& select);
// The reverse, for a value written to that property.
QString selectFromDisplay(const QString& display);

// The grid's name for the result column `resultName` at `position` (from 1): lower case, every
// character other than a-z, 0-9 and '_' replaced by '_'; an unnamed column is "compute_0001" ...
QString columnNameFor(const QString& resultName, int position);
// The names of a whole result, made unique by appending "_2", "_3" ... to repeated names.
std::vector<QString> columnNames(const QStringList& resultNames);

// The column's width on screen in layout units, from its described size and its heading.
int columnWidth(const ColumnInfo& column);

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
// diagnostics (or says why) and the result is empty.
GridDefinition describeSelect(Transaction& slot, const QString& sql, QString& errors);

// Grid syntax for `sql` in `style` ("style(type=grid)"), described on `slot` without executing
// the statement. `errors` is empty on success; otherwise it holds the reason and the result is "".
QString SyntaxFromSQL(Transaction& slot, const QString& sql, const QString& style, QString& errors);

} // namespace platform::grid
