#pragma once

// Writing the changes a grid holds to the database: the statements of the save, the check that
// each found its row unchanged, and the new rows read back. No widgets: the caller shows the
// error and takes the saved values into its rows.

#include "platform/grid/griddata.h"
#include "platform/odbc/error.h"

#include <QString>
#include <vector>

namespace platform {
class Transaction;
}

namespace platform::grid {

struct WriteResult {
    enum Outcome { NothingToWrite, Written, Failed };
    Outcome outcome = NothingToWrite;
    // For Failed: what failed ("Update failed." or "Update failed:" and the statement) and why:
    // the driver's error, or a text of the program's own (a row changed by another user).
    QString context;
    odbc::Error error;
    // For Written: the cells of new rows as the database holds them now (defaults, triggers,
    // conversions), for the rows whose whole key the user typed.
    std::vector<SavedCell> saved;
};

// Writes the changed, inserted and deleted rows of `rows` on `slot`, up to the first statement
// that fails or finds its row changed or gone (then the result says which row, and what changed,
// as the text to show). A missing or unconnected slot is such a failure too. COMMIT or ROLLBACK is
// the caller's.
WriteResult writeChanges(Transaction* slot, const GridData& rows);

} // namespace platform::grid
