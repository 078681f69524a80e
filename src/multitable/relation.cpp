#include "multitable/relation.h"

namespace app {

std::optional<TableList> tableListOf(const QString& kind) {
    if (kind == QLatin1String("db2"))
        return TableList{QStringLiteral("d_tables_db2"), QStringLiteral("creator"),
                         QStringLiteral("name")};
    if (kind == QLatin1String("sqlany"))
        return TableList{QStringLiteral("d_tables_sqlanwh"), QStringLiteral("tcreator"),
                         QStringLiteral("ttname")};
    return std::nullopt;
}

QString relationText(const QString& relatedColumn, const QString& masterColumn) {
    return relatedColumn + QStringLiteral(" = ") + masterColumn;
}

bool relationMissing(const str_tbl_cols& tables) {
    return tables.s_relation.UpperBound() < tables.s_tables.UpperBound();
}

void removeRelatedTable(str_tbl_cols& tables, const QString& table) {
    for (long i = 1; i <= tables.s_tables.UpperBound(); ++i) {
        if (tables.s_tables[i] == table)
            tables.s_tables.set(i, QString());
    }
}

} // namespace app
