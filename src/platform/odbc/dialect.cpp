#include "platform/odbc/dialect.h"

#include <QRegularExpression>

namespace platform::odbc {
namespace {

// True when position `end` of `sql` lies outside every string literal, quoted name and comment.
bool atTopLevel(const QString& sql, qsizetype end) {
    enum class State { Code, Literal, QuotedName, LineComment, BlockComment };
    State state = State::Code;
    for (qsizetype i = 0; i < end; ++i) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < sql.size() ? sql.at(i + 1) : QChar();
        switch (state) {
        case State::Code:
            if (c == u'\'')
                state = State::Literal;
            else if (c == u'"')
                state = State::QuotedName;
            else if (c == u'-' && next == u'-')
                state = State::LineComment, ++i;
            else if (c == u'/' && next == u'*')
                state = State::BlockComment, ++i;
            break;
        case State::Literal:
            // A doubled apostrophe inside a literal is one apostrophe; it does not end it.
            if (c == u'\'')
                state = State::Code;
            break;
        case State::QuotedName:
            if (c == u'"')
                state = State::Code;
            break;
        case State::LineComment:
            if (c == u'\n' || c == u'\r')
                state = State::Code;
            break;
        case State::BlockComment:
            if (c == u'*' && next == u'/')
                state = State::Code, ++i;
            break;
        }
    }
    return state == State::Code;
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
    const QRegularExpressionMatch match = clause.match(sql);
    if (!match.hasMatch() || !atTopLevel(sql, match.capturedStart(2)))
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
