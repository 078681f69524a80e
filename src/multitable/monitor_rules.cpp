#include "multitable/monitor_rules.h"

#include "platform/clock.h"
#include "platform/grid/column.h"

#include <QRegularExpression>

namespace app {

SplitTableName splitTableName(const QString& name) {
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return {QString(), name};
    return {name.left(dot), name.mid(dot + 1)};
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
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    const QString folded = foldsToUpper ? dbName.toUpper() : dbName.toLower();
    if (plain.match(dbName).hasMatch() && folded == dbName)
        return dbName;
    QString quoted = dbName;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
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
