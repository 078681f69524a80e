#include "browse/view_query.h"

#include "platform/sql/sql_text.h"

namespace app {

QString viewQuery(const QString& table, const QString& columns, const QString& criterion,
                  const QString& sort) {
    // What follows a part that ends in a "--" comment starts on a line of its own; a criterion
    // that does is put in parentheses on lines of its own.
    using platform::sql::appendToStatement;
    QString sql = columns.isEmpty() ? QStringLiteral("select * from ") + table
                                    : appendToStatement(QStringLiteral("select ") + columns,
                                                        QStringLiteral(" from ")) +
                                          table;
    if (!criterion.isEmpty()) {
        sql += platform::sql::endsInLineComment(criterion)
                   ? QStringLiteral(" where (\n") + criterion + QStringLiteral("\n)")
                   : QStringLiteral(" where ") + criterion;
    }
    if (!sort.isEmpty())
        sql += QStringLiteral(" order by ") + sort;
    return appendToStatement(sql, QStringLiteral("  WITH UR "));
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
    if (!old.contains(u'.')) {
        // A name without a creator (a driver's catalog without schemas) is replaced only where
        // it stands as a whole name, so that a short one ("t") leaves the words around it alone.
        const auto isNameChar = [](char32_t c) {
            return QChar::isLetterOrNumber(c) || c == U'_' || c == U'$' || c == U'#' || c == U'@';
        };
        // The character that ends just before `at`, and the one that starts at `at`.
        const auto nameCharBefore = [&](qsizetype at) {
            if (at <= 0)
                return false;
            const QChar low = text.at(at - 1);
            if (low.isLowSurrogate() && at >= 2 && text.at(at - 2).isHighSurrogate())
                return isNameChar(QChar::surrogateToUcs4(text.at(at - 2), low));
            return isNameChar(low.unicode());
        };
        const auto nameCharAt = [&](qsizetype at) {
            if (at >= text.size())
                return false;
            const QChar high = text.at(at);
            if (high.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate())
                return isNameChar(QChar::surrogateToUcs4(high, text.at(at + 1)));
            return isNameChar(high.unicode());
        };
        QString out;
        qsizetype copied = 0;
        for (qsizetype p = text.indexOf(old); p >= 0; p = text.indexOf(old, p)) {
            if (nameCharBefore(p) || nameCharAt(p + old.size())) {
                ++p;
                continue;
            }
            out += text.mid(copied, p - copied);
            out += newName;
            p += old.size();
            copied = p;
        }
        out += text.mid(copied);
        return out;
    }
    for (qsizetype p = text.indexOf(old); p >= 0; p = text.indexOf(old, p + newName.size()))
        text.replace(p, old.size(), newName);
    return text;
}

} // namespace app
