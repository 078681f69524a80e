#pragma once

#include "platform/odbc/catalog.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace app {

// What the query text asks to be completed at the cursor.
struct CompletionRequest {
    enum class Kind {
        None,     // nothing to offer here
        Table,    // after FROM, JOIN, INTO, UPDATE: tables (and schemas)
        Column,   // after SELECT, WHERE, ORDER BY, ON, SET ... : columns of the statement's tables
        Qualified // after "name.": the tables of schema `name`, or the columns of table `name`
    };
    Kind kind = Kind::None;
    QString prefix;    // the part of the name typed so far
    QString qualifier; // for Qualified: the name before the dot
};

// The request at the end of `textBeforeCursor`. Only a name being typed (at least one letter),
// or the place right after "name.", asks for anything; inside a string literal, a quoted name
// or a comment nothing is asked.
CompletionRequest completionRequest(const QString& textBeforeCursor);

// A table that a statement reads or writes, as written, with its alias if it has one.
struct TableReference {
    QString schema;
    QString table;
    QString alias;
};
std::vector<TableReference> referencedTables(const QString& statement);

// The names to offer for `request`, from `catalog`, for a statement that refers to `tables`:
// those that start with the prefix (case ignored), each once, sorted. A name that is not a plain
// word comes in double quotes.
QStringList completions(const platform::odbc::Catalog& catalog, const CompletionRequest& request,
                        const std::vector<TableReference>& tables);

} // namespace app
