#pragma once

#include <QString>
#include <sql.h>
#include <vector>

namespace platform::grid {

// How a column's values are compared, aligned and exported.
enum class ColumnKind { Text, Integer, Decimal, Float, Date, Time, Timestamp, Boolean, Binary };

ColumnKind kindOfSqlType(SQLSMALLINT sqlType);
bool isNumeric(ColumnKind kind);
// The name used in the grid syntax: `name`, "syntax" for ColumnKind in lower case
// ("char", "long", "decimal", "real", "date", "time", "datetime", "boolean", "blob").
QString kindName(ColumnKind kind);
ColumnKind kindFromName(const QString& name);

// One result column of a grid.
struct ColumnInfo {
    QString name;   // the grid's column name: lower case, letters, digits and '_'
    QString label;  // the heading shown above the column
    QString dbName; // the column's name in its table ("" for a computed column)
    ColumnKind kind = ColumnKind::Text;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    long size = 0; // described size in characters (bytes for binary columns)
    int decimals = 0;
    bool nullable = true;
    bool key = false; // part of the update table's primary key
    bool updatable = false;

    friend bool operator==(const ColumnInfo&, const ColumnInfo&) = default;
};

// A grid's definition: its columns and the statement and table behind them.
struct GridDefinition {
    std::vector<ColumnInfo> columns;
    QString select;        // the statement, exactly as given
    QString updateTable;   // "schema.table" whose rows Update() writes; empty: read-only
    bool external = false; // rows come from the program (InsertRow), not from a database

    friend bool operator==(const GridDefinition&, const GridDefinition&) = default;

    // Index of the column called `name` (compared without case), or -1.
    int columnIndex(const QString& name) const;
};

} // namespace platform::grid
