#pragma once

#include <QStringList>

namespace platform::odbc {

// The data-source names the driver manager knows, user and system ones, in its order, each once.
// Empty when it knows none or cannot be asked.
QStringList dataSourceNames();

} // namespace platform::odbc
