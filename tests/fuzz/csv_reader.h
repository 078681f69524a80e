#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace fuzz {

// A strict RFC 4180 reader: records end in CRLF (the last one too), fields are separated by
// commas, a quoted field doubles its quotes and may hold commas, CR and LF, an unquoted field
// holds none of '"', CR, LF. An unquoted empty field is NULL (nullopt), a quoted one empty text.
// nullopt for text that breaks any of these rules.
using CsvRecord = std::vector<std::optional<QString>>;
std::optional<std::vector<CsvRecord>> readCsv(const QString& text);

} // namespace fuzz
