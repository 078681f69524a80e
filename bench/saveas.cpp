// E1: Save As of the million W1 rows held in the grid, as CSV and as Excel, against a plain
// buffered write loop producing the same CSV bytes from the same rows.

#include "workloads.h"

#include "database.h"
#include "excel_loop.h"

#include "platform/grid/export.h"
#include "platform/grid/gridrows.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace bench {
namespace {

using platform::grid::ExportFormat;
using platform::grid::GridRows;

// Pieces of this size go to the file, as the grid's own text export hands them over.
constexpr std::size_t kFlushBytes = std::size_t{1} << 20;
// An Excel run slower than this is not repeated.
constexpr double kExcelGiveUpSeconds = 60.0;

// A file descriptor closed when it goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The plain loop's output: UTF-8 collected in one buffer, handed to the file with one write()
// whenever it holds 1 MiB or more.
class PlainOut {
public:
    explicit PlainOut(const QString& path)
        : path_(path), fd_(::open(QFile::encodeName(path).constData(),
                                  O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
        if (fd_.get() < 0)
            fail();
        buffer_.resize(kFlushBytes + 4096);
    }

    // Room for `bytes` more.
    char* reserve(std::size_t bytes) {
        if (used_ + bytes > buffer_.size())
            buffer_.resize(used_ + bytes);
        return buffer_.data() + used_;
    }
    void advance(char* end) {
        used_ = static_cast<std::size_t>(end - buffer_.data());
        if (used_ >= kFlushBytes)
            flush();
    }
    void flush() {
        std::size_t done = 0;
        while (done < used_) {
            const ssize_t n = ::write(fd_.get(), buffer_.data() + done, used_ - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail();
            done += static_cast<std::size_t>(n);
        }
        used_ = 0;
    }

private:
    [[noreturn]] void fail() const {
        throw BenchError(QStringLiteral("E1: cannot write %1: %2")
                             .arg(path_, QString::fromLocal8Bit(std::strerror(errno))));
    }

    QString path_;
    FileDescriptor fd_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
char* putUtf8(char* out, const QChar* units, qsizetype count) {
    for (qsizetype i = 0; i < count; ++i) {
        char32_t u = units[i].unicode();
        if (u < 0x80) {
            *out++ = static_cast<char>(u);
            continue;
        }
        if (u < 0x800) {
            *out++ = static_cast<char>(0xC0 | (u >> 6));
            *out++ = static_cast<char>(0x80 | (u & 0x3F));
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count && units[i + 1].unicode() >= 0xDC00 &&
            units[i + 1].unicode() <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1].unicode() - 0xDC00);
            ++i;
            *out++ = static_cast<char>(0xF0 | (u >> 18));
            *out++ = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (u & 0x3F));
            continue;
        }
        if (u >= 0xD800 && u <= 0xDFFF)
            u = 0xFFFD;
        *out++ = static_cast<char>(0xE0 | (u >> 12));
        *out++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (u & 0x3F));
    }
    return out;
}

// One cell as RFC 4180 has it: quoted when empty (so that it reads back apart from NULL, which
// is written bare) or when it holds a comma, a quote or a line break; quotes doubled.
void putCsvCell(PlainOut& out, const QString& value) {
    const QChar* units = value.constData();
    const qsizetype count = value.size();
    bool quote = count == 0;
    for (qsizetype i = 0; i < count && !quote; ++i) {
        const char16_t u = units[i].unicode();
        quote = u == u',' || u == u'"' || u == u'\r' || u == u'\n';
    }
    // Three bytes a unit at most, twice that for doubled quotes (one byte each), the two quotes.
    char* p = out.reserve(static_cast<std::size_t>(count) * 3 + 2);
    if (!quote) {
        out.advance(putUtf8(p, units, count));
        return;
    }
    *p++ = '"';
    qsizetype from = 0;
    for (qsizetype i = 0; i < count; ++i) {
        if (units[i] == u'"') {
            p = putUtf8(p, units + from, i + 1 - from);
            *p++ = '"';
            from = i + 1;
        }
    }
    p = putUtf8(p, units + from, count - from);
    *p++ = '"';
    out.advance(p);
}

void putBytes(PlainOut& out, const char* text, std::size_t size) {
    char* p = out.reserve(size);
    std::memcpy(p, text, size);
    out.advance(p + size);
}

// The baseline: the CSV file that the grid's Save As writes, from the same rows, in one loop.
void plainCsv(const GridRows& rows, const QString& path) {
    PlainOut out(path);
    const int columns = rows.columnCount();
    for (int c = 0; c < columns; ++c) {
        if (c > 0)
            putBytes(out, ",", 1);
        putCsvCell(out, rows.column(c).name);
    }
    putBytes(out, "\r\n", 2);
    const long count = rows.rowCount();
    for (long r = 0; r < count; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                putBytes(out, ",", 1);
            if (!rows.isNull(r, c))
                putCsvCell(out, rows.text(r, c));
        }
        putBytes(out, "\r\n", 2);
    }
    out.flush();
}

// Stops the run unless the two files hold the same bytes.
void checkSameBytes(const QString& grid, const QString& plain) {
    QFile a(grid);
    QFile b(plain);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        throw BenchError(QStringLiteral("E1: cannot read the CSV files back"));
    if (a.size() != b.size())
        throw BenchError(QStringLiteral("E1: the grid's CSV file has %1 bytes, the plain "
                                        "loop's %2")
                             .arg(a.size())
                             .arg(b.size()));
    qint64 offset = 0;
    while (!a.atEnd()) {
        const QByteArray x = a.read(qint64{1} << 20);
        const QByteArray y = b.read(qint64{1} << 20);
        if (x != y) {
            qsizetype i = 0;
            while (i < x.size() && i < y.size() && x.at(i) == y.at(i))
                ++i;
            throw BenchError(QStringLiteral("E1: the grid's CSV file and the plain loop's differ "
                                            "at byte %1")
                                 .arg(offset + i));
        }
        offset += x.size();
    }
}

void removeFile(const QString& path) {
    if (QFile::exists(path) && !QFile::remove(path))
        throw BenchError(QStringLiteral("E1: cannot remove ") + path);
}

QString mibText(double value) {
    return QString::number(value, 'f', 1) + QStringLiteral(" MiB");
}

// Gives the freed heap back and restarts the peak resident memory; returns the resident memory
// now, from which an Excel Save As's growth counts.
double resetPeakForExcel() {
    releaseFreedMemory();
    const double rssBefore = currentRssMiB();
    if (!resetPeakRss())
        throw BenchError(QStringLiteral("E1: the peak resident memory cannot be reset "
                                        "(/proc/self/clear_refs)"));
    const double peakAtReset = peakRssSinceResetMiB();
    if (peakAtReset > rssBefore + 16.0)
        throw BenchError(QStringLiteral("E1: the peak resident memory did not reset (VmHWM %1, "
                                        "resident %2)")
                             .arg(mibText(peakAtReset), mibText(rssBefore)));
    return rssBefore;
}

} // namespace

SaveAsOutcome benchSaveAs(const Settings& settings, GridBench& bench, ReportingMessageBoxes& boxes,
                          Report& report) {
    SaveAsOutcome outcome;
    const QString sql = w1Select();
    say(QStringLiteral("E1: Save As of %1").arg(sql));
    bench.build(sql);
    bench.clear();
    const GridRun retrieved = bench.retrieve([](long) -> long { return 0; });
    if (retrieved.rows != kW1Rows)
        throw BenchError(QStringLiteral("E1: the grid retrieved %1 rows, not %2")
                             .arg(retrieved.rows)
                             .arg(kW1Rows));
    platform::grid::DataWindow& grid = bench.grid();
    const GridRows& rows = grid.rows();

    QTemporaryDir folder;
    if (!folder.isValid())
        throw BenchError(QStringLiteral("E1: no temporary folder: ") + folder.errorString());
    const QString gridCsv = folder.filePath(QStringLiteral("grid.csv"));
    const QString plainCsvPath = folder.filePath(QStringLiteral("plain.csv"));
    const QString gridXlsx = folder.filePath(QStringLiteral("grid.xlsx"));
    say(QStringLiteral("E1: files in %1").arg(folder.path()));

    const auto saveAs = [&](const QString& path, ExportFormat format) {
        const auto start = Clock::now();
        const int result = grid.SaveAs(path, format);
        const double seconds = secondsBetween(start, Clock::now());
        // What the progress dialog left queued, outside the timing.
        QCoreApplication::processEvents();
        const QStringList shown = boxes.take();
        if (result != 1 || !shown.isEmpty())
            throw BenchError(QStringLiteral("E1: SaveAs(%1) returned %2 %3")
                                 .arg(path)
                                 .arg(result)
                                 .arg(shown.join(QStringLiteral("; "))));
        return seconds;
    };
    const QString loadBefore = loadAverage();

    std::vector<double> gridTimes;
    std::vector<double> plainTimes;
    std::vector<double> syncTimes;
    qint64 csvBytes = 0;
    for (int round = 0; round <= settings.runs; ++round) {
        double gridSeconds = 0;
        double plainSeconds = 0;
        // Each round starts with the other one, so that neither always follows the other.
        for (int k = 0; k < 2; ++k) {
            if ((k + round) % 2 == 0) {
                gridSeconds = saveAs(gridCsv, ExportFormat::Csv);
            } else {
                const auto start = Clock::now();
                plainCsv(rows, plainCsvPath);
                plainSeconds = secondsBetween(start, Clock::now());
            }
        }
        checkSameBytes(gridCsv, plainCsvPath);
        csvBytes = QFileInfo(gridCsv).size();
        // For information: what putting the plain loop's file on the disk costs afterwards.
        double syncSeconds = 0;
        {
            const FileDescriptor fd(
                ::open(QFile::encodeName(plainCsvPath).constData(), O_WRONLY | O_CLOEXEC));
            const auto start = Clock::now();
            if (fd.get() >= 0)
                ::fdatasync(fd.get());
            syncSeconds = secondsBetween(start, Clock::now());
        }
        removeFile(gridCsv);
        removeFile(plainCsvPath);
        say(QStringLiteral("E1 CSV %1: grid SaveAs %2 s, plain loop %3 s (then fdatasync %4 s), "
                           "files identical")
                .arg(round == 0 ? QStringLiteral("warm-up") : QStringLiteral("run %1").arg(round))
                .arg(gridSeconds, 0, 'f', 3)
                .arg(plainSeconds, 0, 'f', 3)
                .arg(syncSeconds, 0, 'f', 3));
        if (round > 0) {
            gridTimes.push_back(gridSeconds);
            plainTimes.push_back(plainSeconds);
            syncTimes.push_back(syncSeconds);
        }
    }

    // Excel: slower, so at most 3 timed rounds after one warm-up (which also loads the module),
    // each with the grid's Save As and the plain libxlsxwriter loop, in turns.
    const int excelRuns = std::min(settings.runs, 3);
    const QString plainXlsx = folder.filePath(QStringLiteral("plain.xlsx"));
    std::vector<double> excelTimes;
    std::vector<double> plainExcelTimes;
    std::vector<double> excelGrowth;
    qint64 excelBytes = 0;
    for (int round = 0; round <= excelRuns; ++round) {
        double gridSeconds = 0;
        double plainSeconds = 0;
        double growth = 0;
        for (int k = 0; k < 2; ++k) {
            if ((k + round) % 2 == 0) {
                const double rssBefore = resetPeakForExcel();
                gridSeconds = saveAs(gridXlsx, ExportFormat::Excel);
                growth = peakRssSinceResetMiB() - rssBefore;
            } else {
                const auto start = Clock::now();
                plainExcel(rows, plainXlsx);
                plainSeconds = secondsBetween(start, Clock::now());
            }
        }
        excelBytes = QFileInfo(gridXlsx).size();
        // Once: the grid's workbook against the grid, cell by cell, and against the plain
        // loop's, byte for byte.
        if (round == 0) {
            checkWorkbook(rows, gridXlsx);
            if (worksheetDigest(gridXlsx) != worksheetDigest(plainXlsx))
                throw BenchError(QStringLiteral("E1: the grid's worksheet and the plain loop's "
                                                "differ"));
        }
        removeFile(gridXlsx);
        removeFile(plainXlsx);
        say(QStringLiteral("E1 Excel %1: grid SaveAs %2 s, plain libxlsxwriter loop %3 s, peak "
                           "resident growth %4%5")
                .arg(round == 0 ? QStringLiteral("warm-up") : QStringLiteral("run %1").arg(round))
                .arg(gridSeconds, 0, 'f', 3)
                .arg(plainSeconds, 0, 'f', 3)
                .arg(mibText(growth),
                     round == 0 ? QStringLiteral(", every cell checked against the grid, the "
                                                 "worksheets identical")
                                : QString()));
        if (round > 0) {
            excelTimes.push_back(gridSeconds);
            plainExcelTimes.push_back(plainSeconds);
            excelGrowth.push_back(growth);
        }
        if (gridSeconds > kExcelGiveUpSeconds && round > 0)
            break;
    }
    const QString loadAfter = loadAverage();
    bench.clear();
    releaseFreedMemory();

    const auto runsOf = [](std::size_t count) {
        return count == 1 ? QStringLiteral("1 run") : QStringLiteral("median of %1").arg(count);
    };
    say(QStringLiteral("E1 grid SaveAs CSV runs (s): ") + secondsList(gridTimes, 1.0, 3));
    say(QStringLiteral("E1 plain write loop runs (s): ") + secondsList(plainTimes, 1.0, 3));
    say(QStringLiteral("E1 grid SaveAs Excel runs (s): ") + secondsList(excelTimes, 1.0, 3));
    const double gridMedian = median(gridTimes);
    const double plainMedian = median(plainTimes);
    report.add(
        QStringLiteral("E1 CSV file, both writers (byte for byte the same)"),
        QStringLiteral("%1 MiB").arg(static_cast<double>(csvBytes) / (1024.0 * 1024.0), 0, 'f', 1));
    report.add(QStringLiteral("E1 grid SaveAs CSV, ") + runsOf(gridTimes.size()), sec(gridMedian));
    report.add(QStringLiteral("E1 plain buffered write loop, same CSV, ") +
                   runsOf(plainTimes.size()),
               sec(plainMedian));
    report.add(QStringLiteral("E1 fdatasync of the plain loop's file afterwards, for information"),
               sec(median(syncTimes)));
    const double ratio = gridMedian / plainMedian;
    report.add(QStringLiteral("E1 ratio grid SaveAs CSV / plain write loop"),
               QString::number(ratio, 'f', 2) + u'x',
               QStringLiteral("<= %1x").arg(kE1MaxCsvRatio, 0, 'f', 2), ratio <= kE1MaxCsvRatio);
    const double excelMedian = median(excelTimes);
    const double plainExcelMedian = median(plainExcelTimes);
    report.add(QStringLiteral("E1 grid SaveAs Excel, ") + runsOf(excelTimes.size()),
               sec(excelMedian));
    report.add(QStringLiteral("E1 plain libxlsxwriter loop, same cells and mode, ") +
                   runsOf(plainExcelTimes.size()),
               sec(plainExcelMedian));
    const double excelRatio = excelMedian / plainExcelMedian;
    outcome.excelRatio = excelRatio;
    report.add(QStringLiteral("E1 ratio grid SaveAs Excel / plain libxlsxwriter loop"),
               QString::number(excelRatio, 'f', 2) + u'x',
               QStringLiteral("<= %1x").arg(kE1MaxExcelRatio, 0, 'f', 2),
               excelRatio <= kE1MaxExcelRatio);
    report.add(QStringLiteral("E1 Excel file"),
               QStringLiteral("%1 MiB").arg(static_cast<double>(excelBytes) / (1024.0 * 1024.0), 0,
                                            'f', 1));
    const double growth = *std::max_element(excelGrowth.begin(), excelGrowth.end());
    report.add(QStringLiteral("E1 peak resident memory growth during Excel SaveAs, largest"),
               mibText(growth), QStringLiteral("< %1 MiB").arg(kE1MaxExcelGrowthMiB, 0, 'f', 0),
               growth < kE1MaxExcelGrowthMiB);
    report.add(QStringLiteral("load average (1 min) before E1 / after E1"),
               loadBefore + QStringLiteral(" / ") + loadAfter);
    return outcome;
}

} // namespace bench
