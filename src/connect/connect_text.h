#pragma once

#include <QString>

namespace app {

// A slot's connect text ("DSN=d;UID=u;PWD=p'") as the connection chooser reads it back. The
// markers are found as the logon wrote them: the data source is the text between "DSN=" and
// ";UID=", the user ID the text between the first "UID=" and ";PWD=" (so that a data source
// named like "XUID=1" lends the user-ID column its tail). A marker that is missing gives "".
QString dsnOfConnectText(const QString& dbparm);
QString uidOfConnectText(const QString& dbparm);

// The connect text as the chooser shows it: everything from the password on, as far as it can be
// told from the text, becomes a mask of fixed length, so that neither the password nor its length
// is on screen. The password starts after the first ";PWD=" behind the first ";UID=", which is
// where the connection takes it from; a data source or user ID that holds ";PWD=" only widens the
// mask. Without those markers, everything after the first "PWD=" of any case is masked.
QString maskedConnectText(const QString& dbparm);

// What the mask looks like.
inline QString passwordMask() {
    return QStringLiteral("********");
}

} // namespace app
