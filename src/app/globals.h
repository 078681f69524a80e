#pragma once

#include <QString>

namespace platform {
class Transaction;
}

namespace app {

// The application's global variables, which every window reads. The application object sets
// them and owns the connection slots they point to.
struct Globals {
    QString gs_appname;
    QString gs_version;
    platform::Transaction* SQLCA = nullptr;
    platform::Transaction* SQLCA1 = nullptr;
    platform::Transaction* SQLCA2 = nullptr;
    platform::Transaction* SQLCA3 = nullptr;
};

Globals& globals();

// The connection slot whose name is exactly "SQLCA", "SQLCA1", "SQLCA2" or "SQLCA3"; any other
// text, the empty string included, names no slot.
platform::Transaction* slotByName(const QString& name);

} // namespace app
