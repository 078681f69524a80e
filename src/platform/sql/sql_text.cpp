#include "platform/sql/sql_text.h"

#include <QStringList>

#include <algorithm>
#include <initializer_list>
#include <optional>

namespace platform::sql {

namespace {

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#' || c == u'@';
}

} // namespace

std::optional<std::vector<SqlToken>> lexSql(const QString& sql) {
    std::vector<SqlToken> tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && i + 1 < n && sql.at(i + 1) == u'-') {
            const qsizetype eol = sql.indexOf(u'\n', i);
            i = eol < 0 ? n : eol + 1;
        } else if (c == u'/' && i + 1 < n && sql.at(i + 1) == u'*') {
            const qsizetype end = sql.indexOf(u"*/", i + 2);
            if (end < 0)
                return std::nullopt;
            i = end + 2;
        } else if (c == u'\'' || c == u'"') {
            QString text;
            qsizetype j = i + 1;
            for (;;) {
                if (j >= n)
                    return std::nullopt;
                if (sql.at(j) == c) {
                    if (j + 1 < n && sql.at(j + 1) == c) {
                        text += c;
                        j += 2;
                        continue;
                    }
                    break;
                }
                text += sql.at(j++);
            }
            tokens.push_back({c == u'"' ? SqlToken::Kind::Quoted : SqlToken::Kind::String, text,
                              sql.mid(i, j + 1 - i), i});
            i = j + 1;
        } else if (isWordChar(c)) {
            qsizetype j = i;
            while (j < n && isWordChar(sql.at(j)))
                ++j;
            const QString word = sql.mid(i, j - i);
            tokens.push_back({SqlToken::Kind::Word, word, word, i});
            i = j;
        } else {
            tokens.push_back({SqlToken::Kind::Symbol, QString(c), QString(c), i});
            ++i;
        }
    }
    return tokens;
}

namespace {

bool isWord(const SqlToken& token, QStringView word) {
    return token.kind == SqlToken::Kind::Word && token.text.compare(word, Qt::CaseInsensitive) == 0;
}

bool isSymbol(const SqlToken& token, QChar symbol) {
    return token.kind == SqlToken::Kind::Symbol && token.text.at(0) == symbol;
}

bool isAnyWord(const SqlToken& token, std::initializer_list<QStringView> words) {
    return std::any_of(words.begin(), words.end(), [&](QStringView w) { return isWord(token, w); });
}

// Words that end the FROM clause of a one-table query.
bool endsFromClause(const SqlToken& token) {
    return isAnyWord(token, {u"where", u"group", u"having", u"order", u"fetch", u"with", u"for",
                             u"limit", u"offset", u"optimize"});
}

// Words after a table that mean more than one table, or more than one query.
bool joinsTables(const SqlToken& token) {
    return isAnyWord(token, {u"join", u"inner", u"left", u"right", u"full", u"cross", u"natural",
                             u"outer", u"on", u"using", u"union", u"except", u"intersect", u"minus",
                             u"tablesample", u"lateral"});
}

} // namespace

bool holdsSeveralStatements(const QString& sql) {
    if (!sql.contains(u';'))
        return false;
    const auto tokens = lexSql(sql);
    // Text the scanner cannot follow counts as several statements when it holds a semicolon:
    // an open literal or comment, PostgreSQL's dollar quotes ($$...$$) and escape strings
    // (E'it\'s'), where a quote need not end a literal.
    if (!tokens)
        return true;
    bool ended = false;
    for (std::size_t i = 0; i < tokens->size(); ++i) {
        const SqlToken& token = (*tokens)[i];
        if (token.kind == SqlToken::Kind::Word && token.text.contains(u'$'))
            return true;
        if (token.kind == SqlToken::Kind::String && i > 0 && isWord((*tokens)[i - 1], u"e") &&
            (*tokens)[i - 1].position + 1 == token.position)
            return true;
        if (isSymbol(token, u';'))
            ended = true;
        else if (ended)
            return true;
    }
    return false;
}

bool endsInLineComment(const QString& sql) {
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == u'-' && i + 1 < n && sql.at(i + 1) == u'-') {
            const qsizetype eol = sql.indexOf(u'\n', i);
            if (eol < 0)
                return true;
            i = eol + 1;
        } else if (c == u'/' && i + 1 < n && sql.at(i + 1) == u'*') {
            const qsizetype end = sql.indexOf(u"*/", i + 2);
            if (end < 0)
                return false;
            i = end + 2;
        } else if (c == u'\'' || c == u'"') {
            // A doubled quote closes the literal and opens the next at once: the same.
            const qsizetype end = sql.indexOf(c, i + 1);
            if (end < 0)
                return false;
            i = end + 1;
        } else {
            ++i;
        }
    }
    return false;
}

QString appendToStatement(const QString& sql, const QString& suffix) {
    return endsInLineComment(sql) ? sql + u'\n' + suffix : sql + suffix;
}

QString quotedIdentifier(const QString& name, IdentifierCase folding) {
    if (name.isEmpty())
        return name;
    bool regular = name.front().isLetter() || name.front() == u'_';
    for (const QChar c : name)
        regular = regular && (c.isLetterOrNumber() || c == u'_');
    const bool foldsToItself =
        folding == IdentifierCase::AsWritten ||
        (folding == IdentifierCase::Upper ? name == name.toUpper() : name == name.toLower());
    if (regular && foldsToItself)
        return name;
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

namespace {

// Where the FROM clause of the outer query begins in `t`: the index after its FROM; 0 when there
// is none.
std::size_t afterOuterFrom(const std::vector<SqlToken>& t) {
    int depth = 0;
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (isSymbol(t[i], u'('))
            ++depth;
        else if (isSymbol(t[i], u')'))
            --depth;
        else if (depth == 0 && isWord(t[i], u"from"))
            return i + 1;
    }
    return 0;
}

// The dotted table name that starts at t[i], its parts as written; `i` moves past it. Empty when
// no name stands there.
QStringList dottedName(const std::vector<SqlToken>& t, std::size_t& i) {
    QStringList parts;
    for (;;) {
        if (i >= t.size())
            return {};
        const SqlToken& part = t[i];
        const bool name =
            part.kind == SqlToken::Kind::Quoted ||
            (part.kind == SqlToken::Kind::Word && !endsFromClause(part) && !joinsTables(part));
        if (!name)
            return {};
        parts.append(part.raw);
        ++i;
        if (i < t.size() && isSymbol(t[i], u'.')) {
            ++i;
            continue;
        }
        return parts;
    }
}

// True when nothing from t[i] on adds another query (a set operation, a second statement).
bool noFurtherQuery(const std::vector<SqlToken>& t, std::size_t i) {
    int depth = 0;
    for (; i < t.size(); ++i) {
        if (isSymbol(t[i], u'('))
            ++depth;
        else if (isSymbol(t[i], u')'))
            --depth;
        else if (depth == 0 && (isAnyWord(t[i], {u"union", u"except", u"intersect", u"minus"}) ||
                                (isSymbol(t[i], u';') && i + 1 < t.size())))
            return false;
    }
    return true;
}

} // namespace

QString singleTableOfSelect(const QString& sql) {
    const auto lexed = lexSql(sql);
    if (!lexed)
        return {};
    const std::vector<SqlToken>& t = *lexed;
    const std::size_t n = t.size();
    if (n == 0 || !isWord(t[0], u"select"))
        return {};
    std::size_t i = afterOuterFrom(t);
    if (i == 0)
        return {};
    const QStringList parts = dottedName(t, i);
    if (parts.isEmpty() || parts.size() > 3)
        return {};

    // An alias, with or without AS.
    if (i < n && isWord(t[i], u"as")) {
        if (i + 1 >= n ||
            (t[i + 1].kind != SqlToken::Kind::Word && t[i + 1].kind != SqlToken::Kind::Quoted))
            return {};
        i += 2;
    } else if (i < n && (t[i].kind == SqlToken::Kind::Quoted ||
                         (t[i].kind == SqlToken::Kind::Word && !endsFromClause(t[i]) &&
                          !joinsTables(t[i])))) {
        ++i;
    }
    if (i < n && !isSymbol(t[i], u';') && !endsFromClause(t[i]))
        return {};
    return noFurtherQuery(t, i) ? parts.join(u'.') : QString();
}

std::vector<NamePart> nameParts(const QString& reference) {
    std::vector<NamePart> parts;
    const auto tokens = lexSql(reference);
    if (!tokens)
        return parts;
    for (const SqlToken& token : *tokens) {
        if (token.kind == SqlToken::Kind::Word || token.kind == SqlToken::Kind::Quoted)
            parts.push_back({token.text, token.kind == SqlToken::Kind::Quoted});
    }
    return parts;
}

} // namespace platform::sql
