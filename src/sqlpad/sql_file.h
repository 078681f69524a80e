#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace app {

// The text of a .sql file, which must be UTF-8 (a byte-order mark is dropped). nullopt, with
// `error` saying why, for a file that cannot be read or is not UTF-8: its text is never guessed.
std::optional<QString> readSqlFile(const QString& path, QString& error);
// Writes `text` as UTF-8 through a temporary file that replaces `path` whole, or not at all.
bool writeSqlFile(const QString& path, const QString& text, QString& error);

// The .sql files opened or saved last, the newest first (at most ten), kept between runs.
QStringList recentSqlFiles();
void rememberSqlFile(const QString& path);
// `list` with `path` first, once, and at most `keep` entries.
QStringList withRecentFile(QStringList list, const QString& path, int keep = 10);

} // namespace app
