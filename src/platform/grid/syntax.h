#pragma once

#include "platform/grid/column.h"

#include <QString>
#include <QStringList>
#include <vector>

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

} // namespace platform::grid
