#pragma once

#include <QString>
#include <vector>

namespace platform::odbc {

// The one table that a SELECT reads, as written (quoted parts keep their quotes:
// "SYSIBM"."SYSTABLES"), when its FROM clause names exactly one table; "" for joins, lists,
// subqueries or table functions in FROM, set operations, or anything that is not a SELECT.
QString singleTableOfSelect(const QString& sql);

// One part of a dotted name; a quoted part without its quotes.
struct NamePart {
    QString text;
    bool quoted = false;
};

// The words and quoted names of `reference` ("db2inst1.employee", "SYSIBM"."SYSTABLES"), in
// order; none when a quoted name or a comment in it is left open.
std::vector<NamePart> nameParts(const QString& reference);

} // namespace platform::odbc
