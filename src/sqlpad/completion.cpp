#include "sqlpad/completion.h"

#include "platform/sql/sql_text.h"

#include <QSet>
#include <algorithm>
#include <optional>

namespace app {

namespace {

using platform::sql::SqlToken;
using Kind = CompletionRequest::Kind;

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#' || c == u'@';
}

bool isKeyword(const SqlToken& token, std::initializer_list<const char*> words) {
    if (token.kind != SqlToken::Kind::Word)
        return false;
    return std::any_of(words.begin(), words.end(), [&](const char* word) {
        return token.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    });
}

const std::initializer_list<const char*> tableKeywords = {"FROM", "JOIN", "INTO", "UPDATE",
                                                          "TABLE"};
const std::initializer_list<const char*> columnKeywords = {
    "SELECT", "WHERE", "BY",   "AND",      "OR", "ON", "HAVING",  "SET",  "WHEN", "THEN",
    "ELSE",   "NOT",   "CASE", "DISTINCT", "AS", "IN", "BETWEEN", "LIKE", "IS"};
// Words after which a name is a new clause's, never an alias.
const std::initializer_list<const char*> clauseKeywords = {
    "WHERE", "GROUP", "ORDER", "HAVING", "JOIN",    "INNER",     "LEFT",   "RIGHT",
    "FULL",  "CROSS", "ON",    "UNION",  "EXCEPT",  "INTERSECT", "FETCH",  "WITH",
    "FOR",   "LIMIT", "SET",   "OUTER",  "NATURAL", "USING",     "VALUES", "SELECT"};

// The kind of name wanted after `tokens`: the nearest keyword that decides it, looking back
// over names, dots and commas.
Kind kindAfter(const std::vector<SqlToken>& tokens) {
    for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
        if (isKeyword(*it, tableKeywords))
            return Kind::Table;
        if (isKeyword(*it, columnKeywords))
            return Kind::Column;
        if (it->kind == SqlToken::Kind::Symbol && it->text != QLatin1String(".") &&
            it->text != QLatin1String(","))
            return Kind::Column; // an operator or a parenthesis: an expression goes on
        if (it->kind == SqlToken::Kind::String)
            return Kind::Column;
    }
    return Kind::None;
}

QString quotedIfNeeded(const QString& name) {
    const bool plain = !name.isEmpty() && !name.at(0).isDigit() &&
                       std::all_of(name.begin(), name.end(),
                                   [](QChar c) { return c.isLetterOrNumber() || c == u'_'; });
    if (plain)
        return name;
    QString quoted = name;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

bool same(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The catalog's tables that `reference` may mean: by schema and name, or by name in any schema.
std::vector<const platform::odbc::CatalogTable*>
matching(const platform::odbc::Catalog& catalog, const QString& schema, const QString& table) {
    std::vector<const platform::odbc::CatalogTable*> found;
    for (const auto& entry : catalog) {
        if (same(entry.name, table) && (schema.isEmpty() || same(entry.schema, schema)))
            found.push_back(&entry);
    }
    return found;
}

} // namespace

CompletionRequest completionRequest(const QString& textBeforeCursor) {
    CompletionRequest request;
    qsizetype start = textBeforeCursor.size();
    while (start > 0 && isNameChar(textBeforeCursor.at(start - 1)))
        --start;
    request.prefix = textBeforeCursor.mid(start);
    const QString before = textBeforeCursor.left(start);
    const auto tokens = platform::sql::lexSql(before);
    if (!tokens)
        return {}; // inside a literal, a quoted name or a comment
    // Inside a "--" comment: what follows the last token holds its start.
    const qsizetype lastEnd =
        tokens->empty() ? 0 : tokens->back().position + tokens->back().raw.size();
    if (before.mid(lastEnd).contains(QLatin1String("--")))
        return {};
    // A number being typed asks for nothing.
    if (!request.prefix.isEmpty() && request.prefix.at(0).isDigit())
        return {};
    if (!tokens->empty() && tokens->back().kind == SqlToken::Kind::Symbol &&
        tokens->back().text == QLatin1String(".") && before.endsWith(u'.')) {
        if (tokens->size() < 2)
            return {};
        const SqlToken& name = tokens->at(tokens->size() - 2);
        if (name.kind != SqlToken::Kind::Word && name.kind != SqlToken::Kind::Quoted)
            return {};
        request.kind = Kind::Qualified;
        request.qualifier = name.text;
        return request;
    }
    if (request.prefix.isEmpty())
        return {};
    request.kind = kindAfter(*tokens);
    if (request.kind == Kind::None)
        request.prefix.clear();
    return request;
}

std::vector<TableReference> referencedTables(const QString& statement) {
    std::vector<TableReference> tables;
    const auto tokens = platform::sql::lexSql(statement);
    if (!tokens)
        return tables;
    const auto& t = *tokens;
    const auto isName = [&](std::size_t i) {
        return i < t.size() &&
               (t[i].kind == SqlToken::Kind::Word || t[i].kind == SqlToken::Kind::Quoted);
    };
    const auto isSymbol = [&](std::size_t i, const char* symbol) {
        return i < t.size() && t[i].kind == SqlToken::Kind::Symbol &&
               t[i].text == QLatin1String(symbol);
    };
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!isKeyword(t[i], tableKeywords))
            continue;
        const bool list = isKeyword(t[i], {"FROM"});
        std::size_t j = i + 1;
        while (isName(j) && !isKeyword(t[j], clauseKeywords)) {
            TableReference reference;
            reference.table = t[j].text;
            ++j;
            if (isSymbol(j, ".") && isName(j + 1)) {
                reference.schema = reference.table;
                reference.table = t[j + 1].text;
                j += 2;
            }
            if (j < t.size() && isKeyword(t[j], {"AS"}))
                ++j;
            if (isName(j) && !isKeyword(t[j], clauseKeywords) && !isSymbol(j + 1, ".")) {
                reference.alias = t[j].text;
                ++j;
            }
            tables.push_back(std::move(reference));
            if (!list || !isSymbol(j, ","))
                break;
            ++j;
        }
        i = j > i ? j - 1 : i;
    }
    return tables;
}

QStringList completions(const platform::odbc::Catalog& catalog, const CompletionRequest& request,
                        const std::vector<TableReference>& tables) {
    QStringList names;
    const auto offer = [&](const QString& name) {
        if (name.startsWith(request.prefix, Qt::CaseInsensitive))
            names << quotedIfNeeded(name);
    };
    const auto offerColumnsOf = [&](const QString& schema, const QString& table) {
        for (const auto* entry : matching(catalog, schema, table)) {
            for (const QString& column : entry->columns)
                offer(column);
        }
    };
    switch (request.kind) {
    case Kind::None:
        return {};
    case Kind::Table:
        for (const auto& entry : catalog) {
            offer(entry.name);
            if (!entry.schema.isEmpty())
                offer(entry.schema);
        }
        break;
    case Kind::Column:
        for (const auto& reference : tables)
            offerColumnsOf(reference.schema, reference.table);
        break;
    case Kind::Qualified: {
        bool schema = false;
        for (const auto& entry : catalog) {
            if (same(entry.schema, request.qualifier)) {
                schema = true;
                offer(entry.name);
            }
        }
        if (schema)
            break;
        bool aliased = false;
        for (const auto& reference : tables) {
            if (same(reference.alias, request.qualifier) ||
                (reference.alias.isEmpty() && same(reference.table, request.qualifier))) {
                aliased = true;
                offerColumnsOf(reference.schema, reference.table);
            }
        }
        if (!aliased)
            offerColumnsOf(QString(), request.qualifier);
        break;
    }
    }
    names.removeDuplicates();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

} // namespace app
