// The SQL scanner and what reads through it. Tokens come in order without overlap, each is the
// text at its position, a quoted token's text is its raw text without the quotes and with
// doubled quotes single, and what lies between tokens holds no token. The one table of a
// select is a dotted name of one to three parts taken from the statement. The isolation clause
// removal only ever cuts a trailing " WITH UR|CS|RS|RR" clause (and the blanks around it) and
// always cuts the workspace's own clause off a complete statement; the workspace's suffix comes
// off again exactly as it was put on. A name quoted for a server reads back as that name.

#include "fuzz_input.h"

#include "platform/sql/isolation.h"
#include "platform/sql/sql_text.h"
#include "sqlpad/w_sqlpad.h"

#include <QRegularExpression>

using platform::sql::SqlToken;

namespace {

void checkTokens(const QString& sql) {
    const auto tokens = platform::sql::lexSql(sql);
    if (!tokens)
        return;
    qsizetype end = 0;
    for (const SqlToken& token : *tokens) {
        FUZZ_CHECK(token.position >= end,
                   fuzz::shown(sql) + " token at " + std::to_string(token.position) + " overlaps");
        FUZZ_CHECK(!token.raw.isEmpty() && sql.mid(token.position, token.raw.size()) == token.raw,
                   fuzz::shown(sql) + " token " + fuzz::shown(token.raw));
        // The gap before it: blanks and comments only.
        const QString gap = sql.mid(end, token.position - end);
        const auto inGap = platform::sql::lexSql(gap);
        FUZZ_CHECK(inGap && inGap->empty(), fuzz::shown(sql) + " gap " + fuzz::shown(gap));
        switch (token.kind) {
        case SqlToken::Kind::Word:
        case SqlToken::Kind::Symbol:
            FUZZ_CHECK(token.text == token.raw, fuzz::shown(token.raw));
            FUZZ_CHECK(token.kind == SqlToken::Kind::Word || token.raw.size() == 1,
                       fuzz::shown(token.raw));
            break;
        case SqlToken::Kind::Quoted:
        case SqlToken::Kind::String: {
            const QChar quote = token.kind == SqlToken::Kind::Quoted ? u'"' : u'\'';
            QString doubled = token.text;
            doubled.replace(quote, QString(2, quote));
            FUZZ_CHECK(token.raw == quote + doubled + quote,
                       fuzz::shown(token.raw) + " read as " + fuzz::shown(token.text));
            break;
        }
        }
        // A token read on its own is the same token.
        const auto alone = platform::sql::lexSql(token.raw);
        FUZZ_CHECK(alone && alone->size() == 1 && alone->front().kind == token.kind &&
                       alone->front().text == token.text,
                   fuzz::shown(token.raw));
        end = token.position + token.raw.size();
    }
    const QString tail = sql.mid(end);
    const auto inTail = platform::sql::lexSql(tail);
    FUZZ_CHECK(inTail && inTail->empty(), fuzz::shown(sql) + " tail " + fuzz::shown(tail));
}

void checkTable(const QString& sql) {
    const QString table = platform::sql::singleTableOfSelect(sql);
    if (table.isEmpty())
        return;
    const auto tokens = platform::sql::lexSql(sql);
    FUZZ_CHECK(tokens.has_value(), fuzz::shown(sql));
    const auto parts = platform::sql::nameParts(table);
    FUZZ_CHECK(!parts.empty() && parts.size() <= 3,
               fuzz::shown(sql) + " table " + fuzz::shown(table));
    const auto tableTokens = platform::sql::lexSql(table);
    FUZZ_CHECK(tableTokens && tableTokens->size() == 2 * parts.size() - 1,
               fuzz::shown(sql) + " table " + fuzz::shown(table));
    // Each part is a token of the statement.
    for (std::size_t i = 0; i < tableTokens->size(); ++i) {
        const SqlToken& part = (*tableTokens)[i];
        const bool found = std::any_of(tokens->begin(), tokens->end(), [&](const SqlToken& t) {
            return t.kind == part.kind && t.raw == part.raw;
        });
        FUZZ_CHECK(found && (i % 2 == 1) == (part.kind == SqlToken::Kind::Symbol),
                   fuzz::shown(sql) + " table " + fuzz::shown(table));
    }
}

void checkNameParts(const QString& reference) {
    const auto parts = platform::sql::nameParts(reference);
    const auto tokens = platform::sql::lexSql(reference);
    if (!tokens) {
        FUZZ_CHECK(parts.empty(), fuzz::shown(reference));
        return;
    }
    std::size_t next = 0;
    for (const SqlToken& token : *tokens) {
        if (token.kind != SqlToken::Kind::Word && token.kind != SqlToken::Kind::Quoted)
            continue;
        FUZZ_CHECK(next < parts.size() && parts[next].text == token.text &&
                       parts[next].quoted == (token.kind == SqlToken::Kind::Quoted),
                   fuzz::shown(reference));
        ++next;
    }
    FUZZ_CHECK(next == parts.size(), fuzz::shown(reference));
}

// True when a word written after `text` is a word of the statement: nothing is left open.
bool isComplete(const QString& text) {
    QString probe = text + QStringLiteral(" probe");
    probe.replace(u'\r', u'\n');
    const auto tokens = platform::sql::lexSql(probe);
    return tokens && !tokens->empty() && tokens->back().kind == SqlToken::Kind::Word &&
           tokens->back().position == probe.size() - 5;
}

void checkIsolation(const QString& sql) {
    static const QRegularExpression clause(QStringLiteral(R"(^\s+(WITH)\s+(UR|CS|RS|RR)\s*$)"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QString stripped = platform::sql::stripIsolationClause(sql);
    FUZZ_CHECK(sql.startsWith(stripped), fuzz::shown(sql) + " -> " + fuzz::shown(stripped));
    if (stripped != sql) {
        const QString cut = sql.mid(stripped.size());
        const auto match = clause.match(fuzz::validUtf16(cut));
        FUZZ_CHECK(match.hasMatch(), fuzz::shown(sql) + " cut " + fuzz::shown(cut));
        FUZZ_CHECK(fuzz::withoutTrailingSpace(stripped) == stripped,
                   fuzz::shown(sql) + " -> " + fuzz::shown(stripped));
        // What was cut was a clause of the statement, not text inside a literal or comment (the
        // blanks before it may end a comment, which then ends the statement, harmlessly).
        const QString beforeWith = sql.left(stripped.size() + match.capturedStart(1));
        FUZZ_CHECK(isComplete(beforeWith), fuzz::shown(sql) + " -> " + fuzz::shown(stripped));
    }

    // The workspace puts its clause on and takes it off again; after a closing "--" comment the
    // clause starts on a line of its own, and that line break stays.
    const QString statement = app::workspaceStatement(sql);
    const bool afterComment = platform::sql::endsInLineComment(sql);
    FUZZ_CHECK(app::withoutIsolationSuffix(statement) == (afterComment ? sql + u'\n' : sql),
               fuzz::shown(statement));
    if (afterComment) {
        const auto tokens = platform::sql::lexSql(statement);
        FUZZ_CHECK(!tokens || (tokens->size() >= 2 && tokens->back().text == u"UR"),
                   fuzz::shown(statement) + " comments out its clause");
    }
    if (isComplete(sql)) {
        const QString expected = fuzz::withoutTrailingSpace(sql);
        const QString onOtherServers = platform::sql::stripIsolationClause(statement);
        FUZZ_CHECK(onOtherServers == expected,
                   fuzz::shown(statement) + " -> " + fuzz::shown(onOtherServers));
    }
}

} // namespace

// A name written by quotedIdentifier reads back as exactly that name: one token, a quoted name
// holding it, or a word that the server's folding turns into it.
void checkQuotedIdentifier(const QString& name) {
    using platform::sql::IdentifierCase;
    if (name.isEmpty())
        return;
    for (const IdentifierCase folding :
         {IdentifierCase::Upper, IdentifierCase::Lower, IdentifierCase::AsWritten}) {
        const QString written = platform::sql::quotedIdentifier(name, folding);
        const auto tokens = platform::sql::lexSql(written);
        FUZZ_CHECK(tokens && tokens->size() == 1,
                   fuzz::shown(name) + " written as " + fuzz::shown(written));
        const SqlToken& token = tokens->front();
        QString read = token.text;
        if (token.kind == SqlToken::Kind::Word) {
            read = folding == IdentifierCase::Upper   ? read.toUpper()
                   : folding == IdentifierCase::Lower ? read.toLower()
                                                      : read;
        } else {
            FUZZ_CHECK(token.kind == SqlToken::Kind::Quoted,
                       fuzz::shown(name) + " written as " + fuzz::shown(written));
        }
        FUZZ_CHECK(read == name, fuzz::shown(name) + " reads back as " + fuzz::shown(read));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const QString& text : fuzz::decodings(data, size)) {
        checkTokens(text);
        checkTable(text);
        checkNameParts(text);
        checkIsolation(text);
        checkQuotedIdentifier(text);
    }
    return 0;
}
