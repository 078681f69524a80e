#pragma once

#include <QString>

namespace platform {
class Transaction;
}

namespace app {

// The slot's connect text: "DSN=" data source ";UID=" user ";PWD=" password and a closing
// apostrophe, each entry exactly as typed.
QString composeConnectText(const QString& dsn, const QString& uid, const QString& pwd);

// A slot is in use once a logon has set its DBMS. A slot that does not exist can take no
// connection, so it counts as in use too.
bool slotInUse(const platform::Transaction* slot);

// The name of the first free slot, in the order SQLCA, SQLCA1, SQLCA2, SQLCA3; empty when all
// four are in use.
QString firstFreeSlot();

// What the logon says after CONNECT: "Connection failed" below 0, "Not found" for 100, and
// nothing for any other code (the logon closes normally).
QString connectFailureText(long sqlcode);

} // namespace app
