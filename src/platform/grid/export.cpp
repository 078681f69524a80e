#include "platform/grid/export.h"

namespace platform::grid {

bool exportRows(const GridRows& rows, ExportFormat format, const QString& path,
                const QString& tableName, QString& error, ExportProgress* progress) {
    error.clear();
    if (path.isEmpty()) {
        error = QStringLiteral("No file name was given.");
        return false;
    }
    const exporting::ExportWriter write = exporting::writerFor(format);
    if (write == nullptr) {
        error = exporting::cannotWrite(path, QStringLiteral("no such file format"));
        return false;
    }
    exporting::Ticker tick(progress, rows.rowCount());
    const bool written = write(rows, path, tableName, error, tick);
    if (tick.stopped()) {
        error.clear();
        return false;
    }
    if (written)
        tick.finish();
    return written;
}

} // namespace platform::grid
