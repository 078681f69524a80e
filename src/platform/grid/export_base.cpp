#include "platform/grid/export_base.h"

#include <QDir>

namespace platform::grid::exporting {
namespace {

// Moves `i` past a run of digits; false when there is none.
bool skipDigits(QStringView s, qsizetype& i) {
    const qsizetype start = i;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    return i > start;
}

// Moves `i` past an exponent, if one starts there; false when it has no digits.
bool skipExponent(QStringView s, qsizetype& i) {
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
            ++i;
        if (!skipDigits(s, i))
            return false;
    }
    return true;
}

} // namespace

QString cannotWrite(const QString& path, const QString& why) {
    return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), why);
}

bool isJsonNumber(QStringView s) {
    qsizetype i = 0;
    if (i < s.size() && s[i] == u'-')
        ++i;
    if (i >= s.size())
        return false;
    if (s[i] == u'0')
        ++i;
    else if (!skipDigits(s, i))
        return false;
    if (i < s.size() && s[i] == u'.' && !skipDigits(s, ++i))
        return false;
    return skipExponent(s, i) && i == s.size();
}

bool isSqlNumber(QStringView s) {
    qsizetype i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    const bool whole = skipDigits(s, i);
    bool fraction = false;
    if (i < s.size() && s[i] == u'.')
        fraction = skipDigits(s, ++i);
    if (!whole && !fraction)
        return false;
    return skipExponent(s, i) && i == s.size();
}

} // namespace platform::grid::exporting
