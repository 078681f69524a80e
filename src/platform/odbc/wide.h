#pragma once

#include <QString>
#include <sql.h>
#include <sqlucode.h>

namespace platform::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager must use UTF-16 SQLWCHAR");

// QString is UTF-16, as SQLWCHAR is on unixODBC: the text is handed over without conversion.
inline SQLWCHAR* wide(const QString& text) {
    return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(text.utf16()));
}

inline SQLINTEGER wideLength(const QString& text) {
    return static_cast<SQLINTEGER>(text.size());
}

inline QString fromWide(const SQLWCHAR* text, qsizetype length) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

} // namespace platform::odbc
