#include "platform/odbc/values.h"

#include <sqlucode.h>

namespace platform::odbc {

ValueRead readValue(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT target,
                    std::vector<char>& buffer, std::vector<char>& value) {
    const std::size_t terminator =
        target == SQL_C_BINARY ? 0 : (target == SQL_C_WCHAR ? sizeof(SQLWCHAR) : 1);
    value.clear();
    for (;;) {
        SQLLEN indicator = kIndicatorSentinel;
        const SQLRETURN rc = SQLGetData(stmt, column, target, buffer.data(),
                                        static_cast<SQLLEN>(buffer.size()), &indicator);
        if (rc == SQL_NO_DATA)
            return ValueRead::Value;
        if (!SQL_SUCCEEDED(rc))
            return ValueRead::Failed;
        if (indicatorCutShort(indicator))
            return ValueRead::CutShortIndicator;
        if (indicator == SQL_NULL_DATA)
            return ValueRead::Null;
        // A part that filled the buffer is followed by more; the buffer holds the part without
        // its terminator.
        const bool more = rc == SQL_SUCCESS_WITH_INFO &&
                          (indicator == SQL_NO_TOTAL ||
                           static_cast<std::size_t>(indicator) + terminator > buffer.size());
        const std::size_t part =
            more ? buffer.size() - terminator : static_cast<std::size_t>(indicator);
        value.insert(value.end(), buffer.begin(),
                     buffer.begin() + static_cast<std::ptrdiff_t>(part));
        if (!more)
            return ValueRead::Value;
    }
}

} // namespace platform::odbc
