#include "loops.h"

#include "measure.h"

#include "platform/odbc/handles.h"
#include "platform/odbc/wide.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <algorithm>
#include <sqlext.h>
#include <sqlucode.h>
#include <type_traits>
#include <vector>

namespace bench {

using platform::odbc::StatementHandle;
using platform::odbc::wide;
using platform::odbc::wideLength;

namespace {

// Executes `sql` and reads every cell through a column-bound block cursor of `Unit` text
// (char16_t: SQL_C_WCHAR, char: SQL_C_CHAR), handing each cell in row order to `cell(units,
// count)` or `null()`, and the end of each row to `rowEnd()`. Returns the rows read.
template <typename Unit, typename Cell, typename Null, typename RowEnd>
long long readBlocks(SQLHDBC connection, const QString& sql, Cell&& cell, Null&& null,
                     RowEnd&& rowEnd) {
    constexpr SQLSMALLINT cType = sizeof(Unit) == 1 ? SQL_C_CHAR : SQL_C_WCHAR;
    StatementHandle stmt;
    if (!SQL_SUCCEEDED(StatementHandle::allocate(connection, stmt)))
        failOn(SQL_HANDLE_DBC, connection, sql);
    SQLHSTMT h = stmt.get();
    SQLULEN fetched = 0;
    SQLSetStmtAttrW(h, SQL_ATTR_ROW_BIND_TYPE,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_BIND_BY_COLUMN)), 0);
    SQLSetStmtAttrW(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kBlockRows), 0);
    SQLSetStmtAttrW(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    if (!SQL_SUCCEEDED(SQLExecDirectW(h, wide(sql), wideLength(sql))))
        failOn(SQL_HANDLE_STMT, h, sql);

    SQLSMALLINT count = 0;
    SQLNumResultCols(h, &count);
    struct Bound {
        std::vector<Unit> cells;
        std::vector<SQLLEN> indicators;
        std::size_t width = 0; // units per cell, terminator included
    };
    std::vector<Bound> columns(static_cast<std::size_t>(count));
    for (SQLSMALLINT i = 0; i < count; ++i) {
        SQLWCHAR name[256];
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT decimals = 0;
        SQLSMALLINT nullable = 0;
        SQLDescribeColW(h, static_cast<SQLUSMALLINT>(i + 1), name, 256, &nameLength, &type, &size,
                        &decimals, &nullable);
        const bool text =
            type == SQL_CHAR || type == SQL_VARCHAR || type == SQL_WCHAR || type == SQL_WVARCHAR;
        // Narrow text is UTF-8 here: up to 4 bytes a character.
        const std::size_t chars =
            text ? size * (sizeof(Unit) == 1 ? 4 : 1) + 1 : std::max<std::size_t>(size + 8, 48);
        Bound& b = columns[static_cast<std::size_t>(i)];
        b.width = chars;
        b.cells.resize(chars * kBlockRows);
        b.indicators.resize(kBlockRows);
        if (!SQL_SUCCEEDED(SQLBindCol(h, static_cast<SQLUSMALLINT>(i + 1), cType, b.cells.data(),
                                      static_cast<SQLLEN>(chars * sizeof(Unit)),
                                      b.indicators.data())))
            failOn(SQL_HANDLE_STMT, h, sql);
    }

    long long rows = 0;
    for (;;) {
        const SQLRETURN rc = SQLFetch(h);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc))
            failOn(SQL_HANDLE_STMT, h, sql);
        for (SQLULEN row = 0; row < fetched; ++row) {
            for (const Bound& b : columns) {
                const SQLLEN indicator = b.indicators[row];
                if (indicator == SQL_NULL_DATA) {
                    null();
                    continue;
                }
                cell(b.cells.data() + row * b.width,
                     static_cast<std::size_t>(indicator) / sizeof(Unit));
            }
            rowEnd();
        }
        rows += static_cast<long long>(fetched);
    }
    SQLFreeStmt(h, SQL_CLOSE);
    return rows;
}

} // namespace

template <typename Unit> LoopResult blockLoop(SQLHDBC connection, const QString& sql) {
    LoopResult result;
    result.rows = readBlocks<Unit>(
        connection, sql,
        [&result](const Unit* cell, std::size_t units) {
            std::uint64_t sum = 0;
            for (std::size_t u = 0; u < units; ++u)
                sum += static_cast<std::make_unsigned_t<Unit>>(cell[u]);
            result.checksum += sum;
            result.textBytes += units * sizeof(Unit);
        },
        [&result] { ++result.nulls; }, [] {});
    return result;
}

template LoopResult blockLoop<char16_t>(SQLHDBC connection, const QString& sql);
template LoopResult blockLoop<char>(SQLHDBC connection, const QString& sql);

RowHashes rowHashLoop(SQLHDBC connection, const QString& sql) {
    RowHashes result;
    RowHash hash;
    result.rows = readBlocks<char16_t>(
        connection, sql,
        [&hash](const char16_t* cell, std::size_t units) { hash.cell(cell, units); },
        [&hash, &result] {
            hash.null();
            ++result.nulls;
        },
        [&hash, &result] {
            result.hashes.push_back(hash.value());
            hash = RowHash();
        });
    return result;
}

QtLoopResult qtLoop(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw BenchError(QStringLiteral("QSqlQuery: ") + query.lastError().text());
    const int columns = query.record().count();
    QtLoopResult result;
    while (query.next()) {
        ++result.rows;
        for (int c = 0; c < columns; ++c) {
            const QVariant value = query.value(c);
            if (value.isNull())
                ++result.nulls;
        }
    }
    query.finish();
    return result;
}

} // namespace bench
