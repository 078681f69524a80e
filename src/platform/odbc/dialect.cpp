#include "platform/odbc/dialect.h"

namespace platform::odbc {
bool isDb2DbmsName(const QString& dbmsName) {
    const QString name = dbmsName.trimmed().toUpper();
    return name.startsWith(u"DB2") || name.startsWith(u"DSN") || name.contains(u"DB2") ||
           name == u"AS";
}

std::optional<ConnectText> parseConnectText(const QString& dbparm) {
    static const QString dsnMarker = QStringLiteral("DSN=");
    static const QString uidMarker = QStringLiteral(";UID=");
    static const QString pwdMarker = QStringLiteral(";PWD=");
    if (!dbparm.startsWith(dsnMarker))
        return std::nullopt;

    ConnectText parts;
    const qsizetype uid = dbparm.indexOf(uidMarker, dsnMarker.size());
    if (uid < 0) {
        parts.dsn = dbparm.mid(dsnMarker.size());
        return parts;
    }
    parts.dsn = dbparm.mid(dsnMarker.size(), uid - dsnMarker.size());
    const qsizetype uidStart = uid + uidMarker.size();
    const qsizetype pwd = dbparm.indexOf(pwdMarker, uidStart);
    if (pwd < 0) {
        parts.uid = dbparm.mid(uidStart);
        return parts;
    }
    parts.uid = dbparm.mid(uidStart, pwd - uidStart);
    parts.pwd = dbparm.mid(pwd + pwdMarker.size());
    if (parts.pwd.endsWith(u'\''))
        parts.pwd.chop(1);
    return parts;
}

} // namespace platform::odbc
