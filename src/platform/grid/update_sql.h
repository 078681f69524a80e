#pragma once

#include "platform/grid/column.h"

#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace platform::grid {

// The statements that write a grid's changes back to its update table, with a parameter marker
// for every value: values are always bound, never written into the text.
//
// Names are quoted as the database spells them ("schema"."table", "column"), so that names in
// any case and with any character reach the same objects.

// A cell value: text, or nullopt for NULL.
using SqlValue = std::optional<QString>;

// One value to bind: the grid column it belongs to (its type decides the parameter's type).
struct BoundValue {
    int column = 0;
    SqlValue value;
};

struct BoundStatement {
    QString sql;
    std::vector<BoundValue> parameters;
};

// "name" with every '"' doubled.
QString quotedName(const QString& name);
// Each dot-separated part quoted, parts that are quoted already kept as they are.
QString quotedTable(const QString& table);
// The name of `column` in its table.
QString databaseName(const ColumnInfo& column);

// The key columns of the definition (marked key), in order.
std::vector<int> keyColumns(const GridDefinition& definition);

// True for a column whose value the database can compare exactly with the text that was read:
// a column of the table (not an expression), neither long nor binary, nor an approximate number
// (whose text does not give back the same value).
bool comparable(const ColumnInfo& column);
// Of `read` (cells as they were read), those that an UPDATE or DELETE compares with the row:
// the cells of comparable columns outside the key, each column once, in order.
std::vector<BoundValue> comparedValues(const GridDefinition& definition,
                                       const std::vector<BoundValue>& read);

// UPDATE and DELETE change a row only when it still is as it was read: besides the key, the
// WHERE clause compares the cells of `read` that comparedValues() keeps ("col IS NULL" for a
// cell read as NULL, "col = ?" otherwise), so that a row another user changed meanwhile is left
// alone and the statement changes no row. With `read` empty only the key is compared.
//
// DELETE of the row whose key had `keyValues` (one per key column, in order).
BoundStatement deleteStatement(const GridDefinition& definition,
                               const std::vector<SqlValue>& keyValues,
                               const std::vector<BoundValue>& read = {});
// UPDATE of `changed` cells (column, new value) of the row whose key had `keyValues`.
// nullopt when nothing that can be written changed.
std::optional<BoundStatement> updateStatement(const GridDefinition& definition,
                                              const std::vector<BoundValue>& changed,
                                              const std::vector<SqlValue>& keyValues,
                                              const std::vector<BoundValue>& read = {});
// INSERT of a new row with the cells that were set (a value or NULL); columns left out get the
// server's default. nullopt when no cell that can be written was set.
std::optional<BoundStatement> insertStatement(const GridDefinition& definition,
                                              const std::vector<BoundValue>& set);
// SELECT of the updatable columns of the row with `keyValues`, to read a saved row back.
// Returns the statement and the grid columns it reads, in order.
std::pair<BoundStatement, std::vector<int>>
readBackStatement(const GridDefinition& definition, const std::vector<SqlValue>& keyValues);
// SELECT of `columns` (in that order) of the row with `keyValues`.
BoundStatement selectRowStatement(const GridDefinition& definition, const std::vector<int>& columns,
                                  const std::vector<SqlValue>& keyValues);

} // namespace platform::grid
