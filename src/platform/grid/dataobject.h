#pragma once

#include <QString>

namespace platform::grid {

// The syntax text of the data object `name` (d_rows, d_tables_db2 ...), compiled into the program
// as the resource ":/dataobjects/<name>.srd". When there is none, `errors` says so and the result
// is empty.
QString loadDataObject(const QString& name, QString& errors);

} // namespace platform::grid
