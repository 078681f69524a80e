#pragma once

#include <QString>
#include <optional>

namespace platform::odbc {

// True for the names that Db2 drivers give as SQL_DBMS_NAME: Db2 for Linux, Unix and Windows
// ("DB2/LINUXX8664", "DB2/NT64" ...), Db2 for z/OS ("DB2", "DSN12015") and Db2 for i ("AS").
bool isDb2DbmsName(const QString& dbmsName);

// The parts of a connect text "DSN=d;UID=u;PWD=p'". The password is everything after ";PWD="
// except the one closing apostrophe, so it may hold any character.
struct ConnectText {
    QString dsn;
    QString uid;
    QString pwd;
};

// nullopt when the text does not begin with "DSN=".
std::optional<ConnectText> parseConnectText(const QString& dbparm);

} // namespace platform::odbc
