#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace platform::sql {

// The one scanner of SQL text: the FROM-clause analysis below and the isolation clause removal
// (isolation.h) both read statements through it.

// One word, quoted name, string literal or symbol of a statement.
struct SqlToken {
    enum class Kind { Word, Quoted, String, Symbol };
    Kind kind;
    QString text;           // as written; for a quoted name, without its quotes
    QString raw;            // as written, quotes included
    qsizetype position = 0; // where `raw` begins in the statement
};

// Words, quoted names, string literals and single symbols; comments and blanks dropped.
// A quote doubled inside a literal or a quoted name stands for one quote; a "--" comment runs to
// the next line feed. nullopt when a literal, a quoted name or a comment is left open.
std::optional<std::vector<SqlToken>> lexSql(const QString& sql);

// The one table that a SELECT reads, as written (quoted parts keep their quotes:
// "SYSIBM"."SYSTABLES"), when its FROM clause names exactly one table; "" for joins, lists,
// subqueries or table functions in FROM, set operations, or anything that is not a SELECT.
QString singleTableOfSelect(const QString& sql);

// True when `sql` may hold more than one statement: something other than blanks, comments and
// semicolons follows a semicolon outside literals, quoted names and comments. A text with a
// semicolon that the scanner cannot read for certain (an open literal, dollar quotes, escape
// strings) counts as several.
bool holdsSeveralStatements(const QString& sql);

// True when the end of `sql` lies inside a "--" comment (outside literals, quoted names and
// block comments): text appended on the same line would be part of the comment.
bool endsInLineComment(const QString& sql);
// `sql` followed by `suffix`, which starts on a line of its own when `sql` ends inside a "--"
// comment, so that what the program appends (a sort, an isolation clause) is never commented
// out. Otherwise exactly `sql + suffix`.
QString appendToStatement(const QString& sql, const QString& suffix);

// How a server folds a name written without quotes: to upper case (Db2, the SQL standard), to
// lower case (PostgreSQL), or not at all (names compared as written, or without case).
enum class IdentifierCase { Upper, Lower, AsWritten };

// `name` as SQL text that reads back as exactly `name` under `folding`: as it stands when it is
// a regular identifier (a letter or "_", then letters, digits and "_") that the folding leaves
// as it is; otherwise between double quotes, every quote in it doubled. "" stays "".
QString quotedIdentifier(const QString& name, IdentifierCase folding);

// One part of a dotted name; a quoted part without its quotes.
struct NamePart {
    QString text;
    bool quoted = false;
};

// The words and quoted names of `reference` ("db2inst1.employee", "SYSIBM"."SYSTABLES"), in
// order; none when a quoted name or a comment in it is left open.
std::vector<NamePart> nameParts(const QString& reference);

} // namespace platform::sql
