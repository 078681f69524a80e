#include "multitable/monitor_rules.h"

#include "platform/clock.h"
#include "platform/grid/column.h"
#include "platform/sql/sql_text.h"

#include <QRegularExpression>

namespace app {

SplitTableName splitTableName(const QString& name) {
    // The first dot outside double quotes: a quoted creator may hold dots of its own.
    bool quoted = false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name.at(i) == u'"')
            quoted = !quoted;
        else if (name.at(i) == u'.' && !quoted)
            return {name.left(i), name.mid(i + 1)};
    }
    return {QString(), name};
}

std::vector<RelatedGrid> relatedGrids(const str_tbl_cols& tables) {
    std::vector<RelatedGrid> grids;
    int gridNumber = 1;
    for (long i = 1; i <= tables.s_tables.UpperBound(); ++i) {
        if (tables.s_tables[i].isEmpty())
            continue;
        grids.push_back({i, ++gridNumber});
    }
    return grids;
}

long positionOfGrid(const str_tbl_cols& tables, int gridNumber) {
    for (const RelatedGrid& grid : relatedGrids(tables)) {
        if (grid.gridNumber == gridNumber)
            return grid.position;
    }
    return 0;
}

QString masterStatement(const QString& master) {
    return QStringLiteral("select * from ") + master;
}

QString relatedStatement(const SplitTableName& table, const QString& condition) {
    return QStringLiteral("select * from ") + table.joined() + QStringLiteral(" where ") +
           condition;
}

QString columnReference(const QString& dbName, bool foldsToUpper) {
    return platform::sql::quotedIdentifier(dbName, foldsToUpper
                                                       ? platform::sql::IdentifierCase::Upper
                                                       : platform::sql::IdentifierCase::Lower);
}

QString databaseColumnName(const platform::grid::GridDefinition& definition,
                           const QString& gridColumn) {
    const int index = definition.columnIndex(gridColumn);
    if (index < 0)
        return gridColumn;
    const platform::grid::ColumnInfo& column = definition.columns[static_cast<size_t>(index)];
    if (!column.dbName.isEmpty())
        return column.dbName;
    return column.label.isEmpty() ? gridColumn : column.label;
}

std::optional<Relation> splitRelation(const QString& relation) {
    const QString separator = QStringLiteral(" = ");
    const qsizetype p = relation.indexOf(separator);
    if (p < 0)
        return std::nullopt;
    return Relation{relation.left(p), relation.mid(p + separator.size())};
}

QString quotedValue(const QString& value) {
    QString doubled = value;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString keyCondition(const SplitTableName& table, const QString& columnReference,
                     const QString& value) {
    return table.joined() + QStringLiteral(".") + columnReference + QStringLiteral(" = ") +
           quotedValue(value);
}

QString reportHeading(const QDateTime& when) {
    return QStringLiteral("Report on: ") +
           platform::FormatDateTime(when, QStringLiteral("m/d/yyyy   hh:mm"));
}

} // namespace app
