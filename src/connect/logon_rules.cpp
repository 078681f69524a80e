#include "connect/logon_rules.h"

#include "app/globals.h"
#include "platform/odbc/transaction.h"

namespace app {

QString composeConnectText(const QString& dsn, const QString& uid, const QString& pwd) {
    return QStringLiteral("DSN=") + dsn + QStringLiteral(";UID=") + uid + QStringLiteral(";PWD=") +
           pwd + QStringLiteral("'");
}

bool slotInUse(const platform::Transaction* slot) {
    return slot == nullptr || !slot->DBMS.isEmpty();
}

QString firstFreeSlot() {
    for (const QString& name : {QStringLiteral("SQLCA"), QStringLiteral("SQLCA1"),
                                QStringLiteral("SQLCA2"), QStringLiteral("SQLCA3")}) {
        if (!slotInUse(slotByName(name)))
            return name;
    }
    return {};
}

QString connectFailureText(long sqlcode) {
    if (sqlcode < 0)
        return QStringLiteral("Connection failed");
    if (sqlcode == 100)
        return QStringLiteral("Not found");
    return {};
}

} // namespace app
