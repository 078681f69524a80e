#include "platform/sql/isolation.h"

#include "platform/sql/sql_text.h"

#include <QRegularExpression>
#include <algorithm>

namespace platform::sql {

namespace {

// True when a word of the statement itself begins at `at`: not a word inside a string literal, a
// quoted name or a comment, nor any word when one of those is left open.
bool wordStartsAt(const QString& sql, qsizetype at) {
    // Here a lone carriage return ends a "--" comment too, where the lexer waits for a line feed.
    QString text = sql;
    text.replace(u'\r', u'\n');
    const auto tokens = lexSql(text);
    return tokens && std::any_of(tokens->begin(), tokens->end(), [at](const SqlToken& token) {
               return token.kind == SqlToken::Kind::Word && token.position == at;
           });
}

} // namespace

QString stripIsolationClause(const QString& sql) {
    static const QRegularExpression clause(QStringLiteral(R"((\s+)(WITH)\s+(UR|CS|RS|RR)\s*$)"),
                                           QRegularExpression::CaseInsensitiveOption);
    // The expression reads only valid UTF-16: a lone surrogate anywhere (from a name or value
    // the statement quotes) would hide the clause, so it is matched as U+FFFD, which keeps
    // every position.
    QString matched = sql;
    for (qsizetype i = 0; i < matched.size(); ++i) {
        const QChar c = matched.at(i);
        if (c.isHighSurrogate() && i + 1 < matched.size() && matched.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            matched.data()[i] = QChar::ReplacementCharacter;
    }
    const QRegularExpressionMatch match = clause.match(matched);
    if (!match.hasMatch() || !wordStartsAt(sql, match.capturedStart(2)))
        return sql;
    return sql.left(match.capturedStart(1));
}

} // namespace platform::sql
