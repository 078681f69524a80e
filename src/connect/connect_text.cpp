#include "connect/connect_text.h"

namespace app {
namespace {

// Mid(text, start, length) with the positions of the classic string functions: `start` counts
// from 1, and a length below 1 gives the empty string.
QString mid(const QString& text, qsizetype start, qsizetype length) {
    if (start < 1 || length < 1)
        return {};
    return text.mid(start - 1, length);
}

// Pos(text, what): position from 1, 0 when absent.
qsizetype pos(const QString& text, const QString& what) {
    return text.indexOf(what) + 1;
}

} // namespace

QString dsnOfConnectText(const QString& dbparm) {
    const qsizetype ll_pos = pos(dbparm, QStringLiteral("DSN="));
    const qsizetype ll_upper = pos(dbparm, QStringLiteral(";UID="));
    if (ll_pos == 0)
        return {};
    return mid(dbparm, ll_pos + 4, ll_upper - ll_pos - 4);
}

QString uidOfConnectText(const QString& dbparm) {
    const qsizetype ll_pos = pos(dbparm, QStringLiteral("UID="));
    const qsizetype ll_upper = pos(dbparm, QStringLiteral(";PWD="));
    if (ll_pos == 0)
        return {};
    return mid(dbparm, ll_pos + 4, ll_upper - ll_pos - 4);
}

QString maskedConnectText(const QString& dbparm) {
    static const QString pwdMarker = QStringLiteral(";PWD=");
    qsizetype start = -1;
    const qsizetype uid = dbparm.indexOf(QStringLiteral(";UID="));
    if (uid >= 0) {
        const qsizetype pwd = dbparm.indexOf(pwdMarker, uid);
        if (pwd >= 0)
            start = pwd + pwdMarker.size();
    }
    if (start < 0) {
        const qsizetype pwd = dbparm.indexOf(QStringLiteral("PWD="), 0, Qt::CaseInsensitive);
        if (pwd < 0)
            return dbparm;
        start = pwd + 4;
    }
    // The logon closes the text with an apostrophe; it stays, as it is no part of the password.
    const bool closed = dbparm.endsWith(u'\'') && dbparm.size() > start;
    return dbparm.left(start) + passwordMask() + (closed ? QStringLiteral("'") : QString());
}

} // namespace app
