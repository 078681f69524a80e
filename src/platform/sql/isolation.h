#pragma once

#include <QString>

namespace platform::sql {

// Removes a trailing Db2 isolation clause (WITH UR, CS, RS or RR, any case, standing after a
// blank at the end of the statement, outside string literals, quoted names and comments),
// together with the blanks around it. Anything else is returned unchanged.
QString stripIsolationClause(const QString& sql);

} // namespace platform::sql
