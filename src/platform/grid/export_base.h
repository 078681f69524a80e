#pragma once

// What every export writer shares: the formats, progress, failure texts and the number rules
// that decide when a cell is written as a bare number.

#include "platform/grid/gridrows.h"

#include <QChar>
#include <QString>
#include <QStringView>

namespace platform::grid {

// The file formats that SaveAs offers, in the order the file dialog lists them.
enum class ExportFormat { Csv, Text, Html, Json, Xml, SqlInsert, Excel };

// Told how far an export has come, as rows are written, and asked whether to go on.
class ExportProgress {
public:
    virtual ~ExportProgress() = default;
    // `done` of `total` rows written; false stops the export.
    virtual bool rowsWritten(long done, long total) = 0;
};

namespace exporting {

// Passes an export's progress on every so many rows, and remembers a stop.
class Ticker {
public:
    Ticker(ExportProgress* progress, long total) : progress_(progress), total_(total) {}
    // Before row `row` (from 0): false once the export is to stop.
    bool next(long row) {
        if (progress_ != nullptr && !stopped_ && row % kRowsPerTick == 0)
            stopped_ = !progress_->rowsWritten(row, total_);
        return !stopped_;
    }
    // After the last row.
    void finish() {
        if (progress_ != nullptr && !stopped_)
            progress_->rowsWritten(total_, total_);
    }
    bool stopped() const { return stopped_; }

private:
    static constexpr long kRowsPerTick = 256;
    ExportProgress* progress_;
    long total_;
    bool stopped_ = false;
};

// A format's writer: writes every row and column of `rows` to `path`, leaving an earlier file
// there whole when anything fails or `tick` stops it. `tableName` is what the format names the
// rows after, where it names them. Returns false with `error` saying why; stopped, with `error`
// as it was.
using ExportWriter = bool (*)(const GridRows& rows, const QString& path, const QString& tableName,
                              QString& error, Ticker& tick);

// "Cannot write <path>: <why>", as every failure to write an export reads.
QString cannotWrite(const QString& path, const QString& why);

inline bool isDigit(QChar ch) {
    return ch >= u'0' && ch <= u'9';
}

// JSON's own number grammar: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(QStringView s);
// An SQL numeric literal: [+-]?(digits[.digits?]|.digits)([eE][+-]?digits)?
bool isSqlNumber(QStringView s);

} // namespace exporting
} // namespace platform::grid
