#pragma once

#include <sql.h>
#include <sqlext.h>
#include <vector>

namespace platform::odbc {

// Length indicators are filled with this before a call that sets them. A driver that writes
// only 32 bits of a 64-bit SQLLEN (IBM's libdb2.so under unixODBC) leaves the high half behind.
constexpr SQLLEN kIndicatorSentinel = static_cast<SQLLEN>(0x5A5A5A5A5A5A5A5AULL);
inline bool indicatorCutShort(SQLLEN indicator) {
    return (static_cast<unsigned long long>(indicator) >> 32) == 0x5A5A5A5AULL;
}

// How reading a value ended.
enum class ValueRead { Value, Null, Failed, CutShortIndicator };

// Reads the whole value of `column` of the fetched row with SQLGetData, part after part, into
// `value`, without terminator. `target` is SQL_C_BINARY, SQL_C_CHAR or SQL_C_WCHAR; `buffer`
// (not empty) takes each part. Failed: the statement's diagnostics say why.
ValueRead readValue(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT target,
                    std::vector<char>& buffer, std::vector<char>& value);

} // namespace platform::odbc
