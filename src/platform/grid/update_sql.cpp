#include "platform/grid/update_sql.h"

#include <QStringList>
#include <algorithm>
#include <sqlext.h>

namespace platform::grid {
namespace {

const ColumnInfo& columnAt(const GridDefinition& definition, int column) {
    return definition.columns.at(static_cast<std::size_t>(column));
}

// Db2's own type codes of its large objects and XML, which the driver reports as they are.
constexpr SQLSMALLINT kDb2Blob = -98;
constexpr SQLSMALLINT kDb2Clob = -99;
constexpr SQLSMALLINT kDb2DbClob = -350;
constexpr SQLSMALLINT kDb2Xml = -370;

bool isLongOrBinary(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
    case kDb2Blob:
    case kDb2Clob:
    case kDb2DbClob:
    case kDb2Xml:
        return true;
    default:
        return false;
    }
}

// " WHERE k1 = ? AND k2 = ?", adding the key values to `statement`'s parameters, and then, for
// each of `compared`, " AND c = ?" (" AND c IS NULL" for NULL).
void addKeyCondition(const GridDefinition& definition, const std::vector<SqlValue>& keyValues,
                     BoundStatement& statement, const std::vector<BoundValue>& compared = {}) {
    const std::vector<int> keys = keyColumns(definition);
    QStringList conditions;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        conditions << databaseName(columnAt(definition, keys[k])) + QStringLiteral(" = ?");
        statement.parameters.push_back({keys[k], k < keyValues.size() ? keyValues[k] : SqlValue()});
    }
    for (const BoundValue& cell : compared) {
        const QString name = databaseName(columnAt(definition, cell.column));
        if (!cell.value) {
            conditions << name + QStringLiteral(" IS NULL");
            continue;
        }
        conditions << name + QStringLiteral(" = ?");
        statement.parameters.push_back(cell);
    }
    statement.sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

} // namespace

QString quotedName(const QString& name) {
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

QString quotedTable(const QString& table) {
    QStringList parts;
    for (const QString& part : table.split(u'.'))
        parts << (part.startsWith(u'"') ? part : quotedName(part));
    return parts.join(u'.');
}

QString databaseName(const ColumnInfo& column) {
    return quotedName(column.dbName.isEmpty() ? column.name : column.dbName);
}

std::vector<int> keyColumns(const GridDefinition& definition) {
    std::vector<int> keys;
    for (std::size_t c = 0; c < definition.columns.size(); ++c) {
        if (definition.columns[c].key)
            keys.push_back(static_cast<int>(c));
    }
    return keys;
}

bool comparable(const ColumnInfo& column) {
    return column.updatable && column.kind != ColumnKind::Float &&
           column.kind != ColumnKind::Binary && !isLongOrBinary(column.sqlType);
}

std::vector<BoundValue> comparedValues(const GridDefinition& definition,
                                       const std::vector<BoundValue>& read) {
    std::vector<BoundValue> compared;
    compared.reserve(read.size());
    for (const BoundValue& cell : read) {
        const ColumnInfo& column = columnAt(definition, cell.column);
        if (column.key || !comparable(column) ||
            std::any_of(compared.begin(), compared.end(),
                        [&](const BoundValue& c) { return c.column == cell.column; }))
            continue;
        compared.push_back(cell);
    }
    return compared;
}

BoundStatement deleteStatement(const GridDefinition& definition,
                               const std::vector<SqlValue>& keyValues,
                               const std::vector<BoundValue>& read) {
    BoundStatement statement{QStringLiteral("DELETE FROM ") + quotedTable(definition.updateTable),
                             {}};
    addKeyCondition(definition, keyValues, statement, comparedValues(definition, read));
    return statement;
}

std::optional<BoundStatement> updateStatement(const GridDefinition& definition,
                                              const std::vector<BoundValue>& changed,
                                              const std::vector<SqlValue>& keyValues,
                                              const std::vector<BoundValue>& read) {
    BoundStatement statement;
    QStringList sets;
    for (const BoundValue& cell : changed) {
        const ColumnInfo& column = columnAt(definition, cell.column);
        if (!column.updatable)
            continue;
        sets << databaseName(column) + QStringLiteral(" = ?");
        statement.parameters.push_back(cell);
    }
    if (sets.isEmpty())
        return std::nullopt;
    statement.sql = QStringLiteral("UPDATE ") + quotedTable(definition.updateTable) +
                    QStringLiteral(" SET ") + sets.join(QStringLiteral(", "));
    addKeyCondition(definition, keyValues, statement, comparedValues(definition, read));
    return statement;
}

std::optional<BoundStatement> insertStatement(const GridDefinition& definition,
                                              const std::vector<BoundValue>& set) {
    BoundStatement statement;
    QStringList names;
    QStringList marks;
    for (const BoundValue& cell : set) {
        const ColumnInfo& column = columnAt(definition, cell.column);
        if (!column.updatable)
            continue;
        names << databaseName(column);
        marks << QStringLiteral("?");
        statement.parameters.push_back(cell);
    }
    if (names.isEmpty())
        return std::nullopt;
    statement.sql = QStringLiteral("INSERT INTO ") + quotedTable(definition.updateTable) +
                    QStringLiteral(" (") + names.join(QStringLiteral(", ")) +
                    QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + u')';
    return statement;
}

std::pair<BoundStatement, std::vector<int>>
readBackStatement(const GridDefinition& definition, const std::vector<SqlValue>& keyValues) {
    std::vector<int> read;
    for (std::size_t c = 0; c < definition.columns.size(); ++c) {
        const ColumnInfo& column = definition.columns[c];
        if (column.updatable || column.key)
            read.push_back(static_cast<int>(c));
    }
    return {selectRowStatement(definition, read, keyValues), read};
}

BoundStatement selectRowStatement(const GridDefinition& definition, const std::vector<int>& columns,
                                  const std::vector<SqlValue>& keyValues) {
    BoundStatement statement;
    QStringList names;
    for (int c : columns)
        names << databaseName(columnAt(definition, c));
    statement.sql = QStringLiteral("SELECT ") + names.join(QStringLiteral(", ")) +
                    QStringLiteral(" FROM ") + quotedTable(definition.updateTable);
    addKeyCondition(definition, keyValues, statement);
    return statement;
}

} // namespace platform::grid
