#include "platform/sql/script.h"

#include "platform/sql/sql_text.h"

#include <algorithm>
#include <initializer_list>

namespace platform::sql {
namespace {

bool isWord(const SqlToken& token, QStringView word) {
    return token.kind == SqlToken::Kind::Word && token.text.compare(word, Qt::CaseInsensitive) == 0;
}

bool isAnyWord(const SqlToken& token, std::initializer_list<QStringView> words) {
    return std::any_of(words.begin(), words.end(), [&](QStringView w) { return isWord(token, w); });
}

bool isSymbol(const SqlToken& token, QChar symbol) {
    return token.kind == SqlToken::Kind::Symbol && token.text.at(0) == symbol;
}

// Text whose literals the scanner cannot follow: PostgreSQL's dollar quotes and escape strings.
bool unreadable(const std::vector<SqlToken>& tokens) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const SqlToken& token = tokens[i];
        if (token.kind == SqlToken::Kind::Word && token.text.contains(u'$'))
            return true;
        if (token.kind == SqlToken::Kind::String && i > 0 && isWord(tokens[i - 1], u"e") &&
            tokens[i - 1].position + 1 == token.position)
            return true;
    }
    return false;
}

int lineAt(const QString& script, qsizetype position) {
    return static_cast<int>(std::count(script.cbegin(), script.cbegin() + position, QChar(u'\n'))) +
           1;
}

} // namespace

std::vector<ScriptStatement> splitStatements(const QString& script) {
    const auto tokens = lexSql(script);
    std::vector<ScriptStatement> statements;
    if (!tokens || unreadable(*tokens)) {
        const QString trimmed = script.trimmed();
        if (!trimmed.isEmpty()) {
            const qsizetype start = script.indexOf(trimmed.at(0));
            statements.push_back({trimmed, start, lineAt(script, start)});
        }
        return statements;
    }
    const SqlToken* first = nullptr;
    const SqlToken* last = nullptr;
    // Lines are counted on from the last statement: once through the text, however long.
    int line = 1;
    qsizetype counted = 0;
    auto close = [&] {
        if (first == nullptr)
            return;
        line += static_cast<int>(
            std::count(script.cbegin() + counted, script.cbegin() + first->position, QChar(u'\n')));
        counted = first->position;
        const qsizetype end = last->position + last->raw.size();
        statements.push_back(
            {script.mid(first->position, end - first->position), first->position, line});
        first = last = nullptr;
    };
    for (const SqlToken& token : *tokens) {
        if (isSymbol(token, u';')) {
            close();
            continue;
        }
        if (first == nullptr)
            first = &token;
        last = &token;
    }
    close();
    return statements;
}

StatementKind statementKind(const QString& statement) {
    const auto tokens = lexSql(statement);
    if (!tokens || tokens->empty())
        return StatementKind::Unknown;
    const SqlToken& first = tokens->front();
    if (isSymbol(first, u'(') || isAnyWord(first, {u"select", u"with", u"values"}))
        return StatementKind::Query;
    if (isAnyWord(first, {u"insert", u"update", u"delete", u"merge", u"create", u"drop", u"alter",
                          u"truncate", u"grant", u"revoke", u"comment", u"rename", u"label",
                          u"lock", u"set", u"declare", u"refresh"}))
        return StatementKind::Change;
    return StatementKind::Unknown;
}

QString tableChangedWhole(const QString& statement) {
    const auto tokens = lexSql(statement);
    if (!tokens || tokens->empty())
        return {};
    const std::vector<SqlToken>& t = *tokens;
    std::size_t at = 1;
    if (isWord(t[0], u"delete")) {
        if (at < t.size() && isWord(t[at], u"from"))
            ++at;
    } else if (!isWord(t[0], u"update")) {
        return {};
    }
    // The table: names joined by full stops.
    const std::size_t nameStart = at;
    while (at < t.size() && t[at].kind != SqlToken::Kind::Symbol) {
        if (at + 1 < t.size() && isSymbol(t[at + 1], u'.'))
            at += 2;
        else {
            ++at;
            break;
        }
    }
    if (at == nameStart)
        return {};
    // A WHERE at the top level, outside subqueries, limits the rows.
    int depth = 0;
    for (std::size_t i = at; i < t.size(); ++i) {
        if (isSymbol(t[i], u'('))
            ++depth;
        else if (isSymbol(t[i], u')'))
            --depth;
        else if (depth == 0 && isWord(t[i], u"where"))
            return {};
    }
    const SqlToken& from = t[nameStart];
    const SqlToken& to = t[at - 1];
    return statement.mid(from.position, to.position + to.raw.size() - from.position);
}

} // namespace platform::sql
