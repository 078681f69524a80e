#include "platform/grid/write_changes.h"

#include "platform/grid/save.h"
#include "platform/grid/update_sql.h"
#include "platform/odbc/connection.h"
#include "platform/odbc/transaction.h"
#include "platform/odbc/values.h"
#include "platform/odbc/wide.h"

#include <algorithm>
#include <optional>
#include <sqlext.h>

namespace platform::grid {

namespace {

// The cell `column` of the row `stmt` is on, in the grid's text form (hex for binary columns).
std::optional<CellValue> cellOf(SQLHSTMT stmt, SQLUSMALLINT column, bool binary) {
    std::vector<char> buffer(8192);
    std::vector<char> value;
    switch (odbc::readValue(stmt, column, binary ? SQL_C_BINARY : SQL_C_WCHAR, buffer, value)) {
    case odbc::ValueRead::Null:
        return CellValue();
    case odbc::ValueRead::Value:
        break;
    default:
        return std::nullopt;
    }
    if (binary)
        return CellValue(hexOf(QByteArray(value.data(), static_cast<qsizetype>(value.size()))));
    return CellValue(odbc::fromWide(reinterpret_cast<const SQLWCHAR*>(value.data()),
                                    static_cast<qsizetype>(value.size() / sizeof(SQLWCHAR))));
}

std::vector<SqlValue> keyValues(const GridData& rows, const std::vector<int>& keys,
                                std::uint32_t row, bool current) {
    std::vector<SqlValue> values;
    for (int k : keys)
        values.push_back(current ? rows.current(row, k) : rows.original(row, k));
    return values;
}

// The columns that `failed`, an UPDATE or DELETE, compared with what was read: the key first.
std::vector<int> comparedColumns(const GridData& rows, const SaveStatement& failed) {
    const GridDefinition& def = rows.definition();
    const std::uint32_t row = failed.change.storeRow;
    std::vector<BoundValue> read;
    for (int c = 0; c < rows.columnCount(); ++c)
        read.push_back({c, rows.original(row, c)});
    std::vector<int> columns = keyColumns(def);
    for (const BoundValue& cell : comparedValues(def, read)) {
        // An UPDATE compared only the cells it sets.
        if (failed.change.kind != GridData::Change::Modify || rows.isModified(row, cell.column))
            columns.push_back(cell.column);
    }
    return columns;
}

// Why `failed`, an UPDATE or DELETE, changed no row: the row, read again by its key, is gone,
// or a cell it compared holds another value now than when it was read.
QString conflictText(const std::shared_ptr<odbc::Connection>& connection, const GridData& rows,
                     const SaveStatement& failed) {
    const GridDefinition& def = rows.definition();
    const std::uint32_t row = failed.change.storeRow;
    const QString rowText = QString::number(failed.change.row + 1);
    const std::vector<int> keys = keyColumns(def);
    const std::vector<int> columns = comparedColumns(rows, failed);
    SQLLEN ignored = 0;
    odbc::Error error;
    odbc::Statement stmt = runBound(
        connection, def, selectRowStatement(def, columns, keyValues(rows, keys, row, false)),
        ignored, error);
    const SQLRETURN fetched = stmt ? SQLFetch(stmt.get()) : SQL_ERROR;
    if (fetched == SQL_NO_DATA)
        return QStringLiteral("Row %1 was deleted by another user since it was read; nothing "
                              "was saved. Retrieve it again.")
            .arg(rowText);
    QString changedColumn;
    if (SQL_SUCCEEDED(fetched)) {
        for (std::size_t i = keys.size(); i < columns.size() && changedColumn.isEmpty(); ++i) {
            const ColumnInfo& column = def.columns[static_cast<std::size_t>(columns[i])];
            const auto now = cellOf(stmt.get(), static_cast<SQLUSMALLINT>(i + 1),
                                    column.kind == ColumnKind::Binary);
            if (now && *now != rows.original(row, columns[i]))
                changedColumn = column.label.isEmpty() ? column.name : column.label;
        }
    }
    return changedColumn.isEmpty()
               ? QStringLiteral("Row %1 was changed by another user since it was read; nothing "
                                "was saved. Retrieve it again.")
                     .arg(rowText)
               : QStringLiteral("Row %1 was changed by another user since it was read (column "
                                "%2); nothing was saved. Retrieve it again.")
                     .arg(rowText, changedColumn);
}

// Why the rows cannot be written on `slot` at all; empty when they can.
QString refusal(const Transaction* slot, const GridDefinition& def) {
    if (def.updateTable.isEmpty() || keyColumns(def).empty())
        return QStringLiteral("These rows cannot be saved: the grid does not hold the primary "
                              "key of one table.");
    if (slot == nullptr || !slot->isConnected())
        return QStringLiteral("The grid has no connected transaction.");
    // Writing would end up in the transaction of a retrieval that is still reading.
    if (slot->retrieving())
        return Transaction::busyText();
    return {};
}

// New rows whose whole key the user typed are read back after the update, so that the grid
// shows what the database made of them (defaults, triggers, conversions). A row that cannot be
// read back keeps what it shows: it is saved either way.
std::vector<SavedCell> readBackNewRows(const std::shared_ptr<odbc::Connection>& connection,
                                       const GridData& rows,
                                       const std::vector<SaveStatement>& written) {
    const GridDefinition& def = rows.definition();
    const std::vector<int> keys = keyColumns(def);
    std::vector<SavedCell> saved;
    for (const SaveStatement& statement : written) {
        const std::uint32_t row = statement.change.storeRow;
        if (statement.change.kind != GridData::Change::Insert)
            continue;
        const auto key = keyValues(rows, keys, row, true);
        if (!std::all_of(keys.begin(), keys.end(),
                         [&](int k) { return rows.isModified(row, k); }) ||
            !std::all_of(key.begin(), key.end(), [](const SqlValue& v) { return v.has_value(); }))
            continue;
        const auto [select, columns] = readBackStatement(def, key);
        SQLLEN ignored = 0;
        odbc::Error error;
        odbc::Statement stmt = runBound(connection, def, select, ignored, error);
        if (!stmt || !SQL_SUCCEEDED(SQLFetch(stmt.get())))
            continue;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const bool binary =
                def.columns[static_cast<std::size_t>(columns[i])].kind == ColumnKind::Binary;
            if (const auto value = cellOf(stmt.get(), static_cast<SQLUSMALLINT>(i + 1), binary))
                saved.push_back({row, columns[i], *value});
        }
    }
    return saved;
}

} // namespace

WriteResult writeChanges(Transaction* slot, const GridData& rows) {
    WriteResult result;
    const GridDefinition& def = rows.definition();
    const auto changes = rows.pendingChanges();
    if (changes.empty())
        return result;
    result.outcome = WriteResult::Failed;
    result.context = QStringLiteral("Update failed.");
    if (const QString refused = refusal(slot, def); !refused.isEmpty()) {
        result.error = odbc::Error::withText(refused);
        return result;
    }

    const std::vector<SaveStatement> statements = saveStatements(rows, changes);
    // From the first statement on, the unit of work holds writing that only COMMIT or ROLLBACK
    // may end.
    slot->wrote();
    const SaveOutcome outcome = runSaveStatements(slot->connection(), def, statements);
    if (outcome.failed != SaveOutcome::kAllDone) {
        const SaveStatement& failed = statements[outcome.failed];
        const QString withStatement = QStringLiteral("Update failed:\n") + failed.statement.sql;
        if (outcome.error) {
            result.context = withStatement;
            result.error = outcome.error;
        } else if (outcome.touched == 0 && failed.change.kind != GridData::Change::Insert) {
            result.error = odbc::Error::withText(conflictText(slot->connection(), rows, failed));
        } else {
            result.context = withStatement;
            result.error = odbc::Error::withText(
                QStringLiteral("The statement changed %1 rows instead of one.")
                    .arg(outcome.touched));
        }
        return result;
    }
    result.outcome = WriteResult::Written;
    result.saved = readBackNewRows(slot->connection(), rows, statements);
    return result;
}

} // namespace platform::grid
