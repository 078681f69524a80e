#pragma once

#include "app/records.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace platform::grid {
struct GridDefinition;
}

namespace app {

// A related table name of the form creator "." table, split at its first "." outside double
// quotes.
struct SplitTableName {
    QString creator;
    QString table;
    QString joined() const { return creator + QStringLiteral(".") + table; }
};
SplitTableName splitTableName(const QString& name);

// The related positions that are not blank, in order, each with its grid number: the first gets
// 2 (dw_2), the next 3, and so on; numbers above 5 have no grid.
struct RelatedGrid {
    long position = 0;
    int gridNumber = 0;
};
std::vector<RelatedGrid> relatedGrids(const str_tbl_cols& tables);

// The related position whose table has grid `gridNumber`, or 0 when no table has it.
long positionOfGrid(const str_tbl_cols& tables, int gridNumber);

// "select * from " + the master table.
QString masterStatement(const QString& master);

// "select * from " + creator "." table + " where " + `condition`.
QString relatedStatement(const SplitTableName& table, const QString& condition);

// The condition that gives a related grid its columns and no rows.
inline QString emptyCondition() {
    return QStringLiteral("1 = 2");
}

// A column named for the database: as it is when the server reads it unquoted as the same name
// (letters, digits and '_', in the case the server folds unquoted names to), otherwise between
// double quotes with inner quotes doubled.
QString columnReference(const QString& dbName, bool foldsToUpper);

// The database's own name of the grid column `gridColumn` of `definition`: its described name,
// or its heading for a column without one; `gridColumn` itself when the grid has no such column.
QString databaseColumnName(const platform::grid::GridDefinition& definition,
                           const QString& gridColumn);

// A relation text split at its first " = ": the related column's grid name and the master
// column's. Nothing when there is no " = " in it.
struct Relation {
    QString relatedColumn;
    QString masterColumn;
};
std::optional<Relation> splitRelation(const QString& relation);

// `value` between apostrophes, each apostrophe inside it doubled.
QString quotedValue(const QString& value);

// The key condition: creator "." table "." column " = '" value "'", the column as
// columnReference() writes it.
QString keyCondition(const SplitTableName& table, const QString& columnReference,
                     const QString& value);

// The first line of a related grid's report: "Report on: " and the date and time as
// "m/d/yyyy   hh:mm".
QString reportHeading(const QDateTime& when);

} // namespace app
