#include "platform/grid/save.h"

#include "platform/odbc/diagnostics.h"
#include "platform/odbc/wide.h"

#include <algorithm>
#include <sqlext.h>

namespace platform::grid {

std::vector<SaveStatement>
saveStatements(const GridData& data, const std::vector<GridData::Change>& changes, RowCheck check) {
    const GridDefinition& def = data.definition();
    const std::vector<int> keys = keyColumns(def);
    const bool compare = check == RowCheck::ReadValues;
    auto keyValues = [&](std::uint32_t row) {
        std::vector<SqlValue> values;
        values.reserve(keys.size());
        for (int k : keys)
            values.push_back(data.original(row, k));
        return values;
    };
    std::vector<SaveStatement> statements;
    statements.reserve(changes.size());
    std::vector<BoundValue> cells;
    std::vector<BoundValue> read;
    for (const GridData::Change& change : changes) {
        const std::uint32_t row = change.storeRow;
        cells.clear();
        read.clear();
        std::optional<BoundStatement> statement;
        switch (change.kind) {
        case GridData::Change::Delete:
            // Every cell that can be compared: the row is gone for good once it is deleted.
            for (int c = 0; compare && c < data.columnCount(); ++c)
                read.push_back({c, data.original(row, c)});
            statement = deleteStatement(def, keyValues(row), read);
            break;
        case GridData::Change::Modify:
            // The cells written: every cell changed, compared with what it held when read.
            for (int c = 0; c < data.columnCount(); ++c) {
                if (!data.isModified(row, c))
                    continue;
                cells.push_back({c, data.current(row, c)});
                if (compare)
                    read.push_back({c, data.original(row, c)});
            }
            statement = updateStatement(def, cells, keyValues(row), read);
            break;
        case GridData::Change::Insert:
            // Every cell set, even to NULL.
            for (int c = 0; c < data.columnCount(); ++c) {
                if (data.isModified(row, c))
                    cells.push_back({c, data.current(row, c)});
            }
            statement = insertStatement(def, cells);
            break;
        }
        if (statement)
            statements.push_back({change, std::move(*statement)});
    }
    return statements;
}

SaveOutcome runSaveStatements(const std::shared_ptr<odbc::Connection>& connection,
                              const GridDefinition& definition,
                              const std::vector<SaveStatement>& statements) {
    SaveOutcome outcome;
    for (std::size_t i = 0; i < statements.size(); ++i) {
        SQLLEN touched = 0;
        odbc::Error error;
        if (!runBound(connection, definition, statements[i].statement, touched, error) ||
            touched != 1) {
            outcome.failed = i;
            outcome.touched = touched;
            outcome.error = std::move(error);
            return outcome;
        }
    }
    return outcome;
}

odbc::Statement runBound(const std::shared_ptr<odbc::Connection>& connection,
                         const GridDefinition& definition, const BoundStatement& statement,
                         SQLLEN& rowCount, odbc::Error& error) {
    odbc::Statement stmt = odbc::Statement::allocate(connection, error);
    if (!stmt)
        return {};
    std::vector<SQLLEN> indicators(statement.parameters.size(), 0);
    for (std::size_t i = 0; i < statement.parameters.size(); ++i) {
        const BoundValue& p = statement.parameters[i];
        const ColumnInfo& column = definition.columns.at(static_cast<std::size_t>(p.column));
        const SQLULEN size = std::max<SQLULEN>(static_cast<SQLULEN>(column.size),
                                               p.value ? static_cast<SQLULEN>(p.value->size()) : 1);
        indicators[i] = p.value ? static_cast<SQLLEN>(p.value->size() * 2) : SQL_NULL_DATA;
        const SQLRETURN rc = SQLBindParameter(
            stmt.get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
            column.sqlType, size, static_cast<SQLSMALLINT>(column.decimals),
            p.value ? odbc::wide(*p.value) : nullptr, p.value ? indicators[i] : 0, &indicators[i]);
        if (!SQL_SUCCEEDED(rc)) {
            error = stmt.error(rc);
            return {};
        }
    }
    const SQLRETURN rc =
        SQLExecDirectW(stmt.get(), odbc::wide(statement.sql), odbc::wideLength(statement.sql));
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        error = stmt.error(rc);
        return {};
    }
    // The values were read at execute; the buffers go away with this function.
    SQLFreeStmt(stmt.get(), SQL_RESET_PARAMS);
    rowCount = 0;
    SQLRowCount(stmt.get(), &rowCount);
    return stmt;
}

} // namespace platform::grid
