#pragma once

// The two baselines of W1: a plain ODBC block loop and Qt's own QSqlQuery loop.

#include <QSqlDatabase>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <sql.h>
#include <vector>

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

// A fingerprint of one row's text: FNV-1a over the UTF-16 code units of its cells, in column
// order, each cell closed by a mark that no code unit can take and that tells NULL from empty
// text. The plain loop and the grid (whose cells are read back as QString) compute it alike.
class RowHash {
public:
    void cell(const char16_t* units, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            mix(units[i]);
        mix(kCellEnd);
    }
    void null() { mix(kNullEnd); }
    std::uint64_t value() const { return hash_; }

private:
    static constexpr std::uint32_t kCellEnd = 0x10000;
    static constexpr std::uint32_t kNullEnd = 0x10001;
    void mix(std::uint32_t unit) {
        hash_ ^= unit;
        hash_ *= 0x100000001b3ULL;
    }

    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

struct RowHashes {
    long long rows = 0;
    long long nulls = 0;
    // One per row, in the order the rows came.
    std::vector<std::uint64_t> hashes;
};

// The block loop reading SQL_C_WCHAR text, keeping every row's RowHash.
RowHashes rowHashLoop(SQLHDBC connection, const QString& sql);

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
