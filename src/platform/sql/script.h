#pragma once

#include <QString>
#include <vector>

namespace platform::sql {

// One statement of a script, as the user wrote it.
struct ScriptStatement {
    QString text;        // from its first word to its last, without the ";" that ends it
    qsizetype start = 0; // where `text` begins in the script
    int line = 1;        // the line it begins on, from 1
};

// The statements of `script`, in order: split at each ";" outside literals, quoted names and
// comments; pieces that hold only blanks and comments are no statements. A text the scanner
// cannot read for certain (an open literal or comment, dollar quotes, escape strings) is one
// statement, as written: the server says what is wrong with it.
std::vector<ScriptStatement> splitStatements(const QString& script);

// What a statement is, by its first word.
enum class StatementKind {
    Query,   // SELECT, WITH, VALUES, or a parenthesis: rows to show
    Change,  // INSERT, UPDATE, DELETE, MERGE, DDL and the like: runs, and shows no rows
    Unknown, // anything else (CALL, EXPLAIN ...): the driver's description decides
};
StatementKind statementKind(const QString& statement);

// The table that an UPDATE or DELETE without a WHERE clause changes (every row of it), as
// written; "" for any other statement.
QString tableChangedWhole(const QString& statement);

} // namespace platform::sql
