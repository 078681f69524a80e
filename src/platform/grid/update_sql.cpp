#include "platform/grid/update_sql.h"

#include <QStringList>

namespace platform::grid {
namespace {

const ColumnInfo& columnAt(const GridDefinition& definition, int column) {
    return definition.columns.at(static_cast<std::size_t>(column));
}

// " WHERE k1 = ? AND k2 = ?", adding the key values to `statement`'s parameters.
void addKeyCondition(const GridDefinition& definition, const std::vector<SqlValue>& keyValues,
                     BoundStatement& statement) {
    const std::vector<int> keys = keyColumns(definition);
    QStringList conditions;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        conditions << databaseName(columnAt(definition, keys[k])) + QStringLiteral(" = ?");
        statement.parameters.push_back({keys[k], k < keyValues.size() ? keyValues[k] : SqlValue()});
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

BoundStatement deleteStatement(const GridDefinition& definition,
                               const std::vector<SqlValue>& keyValues) {
    BoundStatement statement{QStringLiteral("DELETE FROM ") + quotedTable(definition.updateTable),
                             {}};
    addKeyCondition(definition, keyValues, statement);
    return statement;
}

std::optional<BoundStatement> updateStatement(const GridDefinition& definition,
                                              const std::vector<BoundValue>& changed,
                                              const std::vector<SqlValue>& keyValues) {
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
    addKeyCondition(definition, keyValues, statement);
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
    BoundStatement statement;
    std::vector<int> read;
    QStringList names;
    for (std::size_t c = 0; c < definition.columns.size(); ++c) {
        const ColumnInfo& column = definition.columns[c];
        if (!column.updatable && !column.key)
            continue;
        names << databaseName(column);
        read.push_back(static_cast<int>(c));
    }
    statement.sql = QStringLiteral("SELECT ") + names.join(QStringLiteral(", ")) +
                    QStringLiteral(" FROM ") + quotedTable(definition.updateTable);
    addKeyCondition(definition, keyValues, statement);
    return {statement, read};
}

} // namespace platform::grid
