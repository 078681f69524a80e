#pragma once

#include <QString>

namespace app {

// The table that d_rows counts as designed, before its first rewrite.
inline QString countPlaceholderName() {
    return QStringLiteral("SYSADM.EPEVR_EVEROLUP_TBL");
}

// The view query of the table view: "select " + columns (or "*") + " from " + table, then
// " where " + criterion and " order by " + sort when given, always ending in "  WITH UR ".
// Nothing is trimmed: a text of blanks counts as given.
QString viewQuery(const QString& table, const QString& columns, const QString& criterion,
                  const QString& sort);

// The count query's text as read back from d_rows (double quotes as ~"), with the quotes taken
// out and every occurrence of `oldName` replaced by `newName`. The old name is looked for as
// the text holds it once the quotes are out: a delimited name, such as DB2INST1."two words",
// without its quotes. The scan resumes after the inserted name, so a new name that contains the
// old one is replaced once, not for ever. An old name without a creator (no dot) is replaced
// only where it stands as a whole name.
QString rewriteCountQuery(const QString& select, const QString& oldName, const QString& newName);

} // namespace app
