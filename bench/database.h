#pragma once

// The benchmark's connections and the tables it reads, which it builds itself.

#include "measure.h"

#include "platform/odbc/transaction.h"

#include <QString>
#include <memory>
#include <optional>
#include <sql.h>

namespace bench {

std::unique_ptr<platform::Transaction> connectSlot(const Settings& settings, const QString& name);
void execute(SQLHDBC connection, const QString& sql);
// The first column of the first row as a number; nullopt when the statement fails (a table that
// is not there yet) or gives no row.
std::optional<long long> queryNumber(SQLHDBC connection, const QString& sql);
// Builds bench.w1, and bench.w4 when W4 or W5 runs, unless they hold the right rows already.
void prepareTables(const Settings& settings);

QString w1Select();
QString w4Select();

} // namespace bench
