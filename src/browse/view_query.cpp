#include "browse/view_query.h"

namespace app {

QString viewQuery(const QString& table, const QString& columns, const QString& criterion,
                  const QString& sort) {
    QString sql = columns.isEmpty()
                      ? QStringLiteral("select * from ") + table
                      : QStringLiteral("select ") + columns + QStringLiteral(" from ") + table;
    if (!criterion.isEmpty())
        sql += QStringLiteral(" where ") + criterion;
    if (!sort.isEmpty())
        sql += QStringLiteral(" order by ") + sort;
    return sql + QStringLiteral("  WITH UR ");
}

QString rewriteCountQuery(const QString& select, const QString& oldName, const QString& newName) {
    QString text = select;
    const QString quote = QStringLiteral("~\"");
    // The scan resumes where the quote was, so that ~"~" (two quotes in a row) loses both.
    for (qsizetype p = text.indexOf(quote); p >= 0; p = text.indexOf(quote, p))
        text.remove(p, quote.size());
    // The old name stands in the text as its quotes left it: a delimited name without them.
    QString old = oldName;
    old.remove(u'"');
    if (old.isEmpty())
        return text;
    for (qsizetype p = text.indexOf(old); p >= 0; p = text.indexOf(old, p + newName.size()))
        text.replace(p, old.size(), newName);
    return text;
}

} // namespace app
