#include "platform/odbc/dialect.h"

#include "platform/odbc/sql_text.h"

#include <QRegularExpression>

#include <algorithm>

namespace platform::odbc {
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

bool isDb2DbmsName(const QString& dbmsName) {
    const QString name = dbmsName.trimmed().toUpper();
    return name.startsWith(u"DB2") || name.startsWith(u"DSN") || name.contains(u"DB2") ||
           name == u"AS";
}

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

std::optional<ConnectText> parseConnectText(const QString& dbparm) {
    static const QString dsnMarker = QStringLiteral("DSN=");
    static const QString uidMarker = QStringLiteral(";UID=");
    static const QString pwdMarker = QStringLiteral(";PWD=");
    if (!dbparm.startsWith(dsnMarker))
        return std::nullopt;

    ConnectText parts;
    const qsizetype uid = dbparm.indexOf(uidMarker, dsnMarker.size());
    if (uid < 0) {
        parts.dsn = dbparm.mid(dsnMarker.size());
        return parts;
    }
    parts.dsn = dbparm.mid(dsnMarker.size(), uid - dsnMarker.size());
    const qsizetype uidStart = uid + uidMarker.size();
    const qsizetype pwd = dbparm.indexOf(pwdMarker, uidStart);
    if (pwd < 0) {
        parts.uid = dbparm.mid(uidStart);
        return parts;
    }
    parts.uid = dbparm.mid(uidStart, pwd - uidStart);
    parts.pwd = dbparm.mid(pwd + pwdMarker.size());
    if (parts.pwd.endsWith(u'\''))
        parts.pwd.chop(1);
    return parts;
}

} // namespace platform::odbc
