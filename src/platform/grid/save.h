#pragma once

// Writing a grid's changes: the statements of a save, and running them on a connection.

#include "platform/grid/griddata.h"
#include "platform/grid/update_sql.h"
#include "platform/odbc/connection.h"
#include "platform/odbc/error.h"

#include <QString>
#include <cstddef>
#include <sql.h>
#include <vector>

namespace platform::grid {

// One statement of a save and the change it writes.
struct SaveStatement {
    GridData::Change change;
    BoundStatement statement;
};

// What an UPDATE or DELETE compares to find its row: the key and the cells it saves as they were
// read (ReadValues, what Update() writes), or the key alone (KeyOnly, the yardstick of the
// benchmark).
enum class RowCheck { ReadValues, KeyOnly };

// The statements that write `changes` (GridData::pendingChanges() of `data`), in that order. An
// UPDATE compares the cells it sets, a DELETE every cell of the row, with what was read (see
// updateStatement()).
std::vector<SaveStatement> saveStatements(const GridData& data,
                                          const std::vector<GridData::Change>& changes,
                                          RowCheck check = RowCheck::ReadValues);

struct SaveOutcome {
    static constexpr std::size_t kAllDone = static_cast<std::size_t>(-1);
    // The statement that failed or changed a number of rows other than one; kAllDone when none.
    std::size_t failed = kAllDone;
    // The rows that statement changed.
    SQLLEN touched = 0;
    // Why the statement failed; none when it ran.
    odbc::Error error;
};

// Runs `statements` in turn on `connection` (each as runBound() does) up to the first that
// fails or changes a number of rows other than one. COMMIT or ROLLBACK is the caller's.
SaveOutcome runSaveStatements(const std::shared_ptr<odbc::Connection>& connection,
                              const GridDefinition& definition,
                              const std::vector<SaveStatement>& statements);

// Runs one statement with its values bound as text, each converted by the driver to its
// column's type; NULL is bound as NULL. Returns the statement, open on its result, or an empty
// one with `error` set.
odbc::Statement runBound(const std::shared_ptr<odbc::Connection>& connection,
                         const GridDefinition& definition, const BoundStatement& statement,
                         SQLLEN& rowCount, odbc::Error& error);

} // namespace platform::grid
