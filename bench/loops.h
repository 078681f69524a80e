#pragma once

// The two baselines of W1: a plain ODBC block loop and Qt's own QSqlQuery loop.

#include <QSqlDatabase>
#include <QString>
#include <cstdint>
#include <sql.h>

namespace bench {

struct LoopResult {
    long long rows = 0;
    long long nulls = 0;
    unsigned long long textBytes = 0;
    std::uint64_t checksum = 0;
};

// Reads every cell of `sql` through a column-bound block cursor, as `Unit` text (char16_t:
// SQL_C_WCHAR, char: SQL_C_CHAR), summing every code unit so that nothing is skipped.
// Defined for char16_t and char.
template <typename Unit> LoopResult blockLoop(SQLHDBC connection, const QString& sql);

struct QtLoopResult {
    long long rows = 0;
    long long nulls = 0;
};

// Forward-only, reading every value and checking it for NULL.
QtLoopResult qtLoop(const QSqlDatabase& db, const QString& sql);

// The name of the QSqlDatabase connection; the connection is removed when the name goes, after
// every QSqlDatabase object that uses it.
struct QtConnectionName {
    const QString name = QStringLiteral("dorvane_bench");
    QtConnectionName() = default;
    QtConnectionName(const QtConnectionName&) = delete;
    QtConnectionName& operator=(const QtConnectionName&) = delete;
    ~QtConnectionName() {
        if (QSqlDatabase::contains(name))
            QSqlDatabase::removeDatabase(name);
    }
};

} // namespace bench
