#include "platform/grid/export_excel.h"

#include "platform/grid/excel_book.h"
#include "platform/grid/rowstore.h"
#include "platform/grid/zip_check.h"
#include "platform/module.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace platform::grid::exporting {
namespace {

// An Excel worksheet's size: rows (the heading's included) and columns.
constexpr long excelMaxRows = 1'048'576;
constexpr int excelMaxColumns = 16'384;
// Excel keeps at most this many characters in a cell.
constexpr qsizetype excelCellChars = 32767;
// Above this many cells rows are streamed to disk instead of kept in memory (strings are
// then written inline rather than shared).
constexpr double excelStreamCells = 500'000;

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// A new empty file next to the target, removed again unless kept.
class TempBeside {
public:
    TempBeside() = default;
    TempBeside(const TempBeside&) = delete;
    TempBeside& operator=(const TempBeside&) = delete;
    ~TempBeside() {
        if (!path_.isEmpty())
            QFile::remove(path_);
    }

    // Created with the permissions a new file gets (0666 less the umask), like QSaveFile.
    bool create(const QString& target, QString& error) {
        const QFileInfo info(target);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString candidate = info.absoluteDir().filePath(
                QStringLiteral(".%1.%2.part")
                    .arg(info.fileName())
                    .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
            const int fd = ::open(QFile::encodeName(candidate).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                ::close(fd);
                path_ = candidate;
                return true;
            }
            if (errno != EEXIST) {
                error = cannotWrite(target, QString::fromLocal8Bit(std::strerror(errno)));
                return false;
            }
        }
        error = cannotWrite(target, QStringLiteral("no free temporary name"));
        return false;
    }
    const QString& path() const { return path_; }
    void keep() { path_.clear(); }

private:
    QString path_;
};

// The significant digits of an SQL numeric literal ([+-]?(d+[.d*]|.d+)([eE][+-]?d+)?), leading
// and trailing zeros not counted; -1 for text that is no such literal.
int significantDigits(std::string_view text) {
    std::size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    int digits = 0;
    int zeros = 0; // zeros since the last other digit: they count only when one follows
    bool leading = true;
    bool any = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '.' && !point) {
            point = true;
            continue;
        }
        if (ch < '0' || ch > '9')
            break;
        any = true;
        if (ch == '0') {
            zeros += leading ? 0 : 1;
        } else {
            digits += zeros + 1;
            zeros = 0;
            leading = false;
        }
    }
    if (!any)
        return -1;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        const std::size_t exponent = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        if (i == exponent)
            return -1;
    }
    return i == text.size() ? digits : -1;
}

// Text cut to what a cell holds, as UTF-8.
std::string excelString(const QString& text) {
    qsizetype length = std::min<qsizetype>(text.size(), excelCellChars);
    if (length < text.size() && text.at(length - 1).isHighSurrogate())
        --length;
    return QStringView(text).left(length).toUtf8().toStdString();
}

// The cell's UTF-8: in place where the grid holds it so and it is UTF-8, else made from its
// text (where bytes that are not UTF-8 read as U+FFFD).
std::string_view cellUtf8(const GridRows& rows, long r, int c, std::string& scratch) {
    std::string_view cell;
    if (rows.storedUtf8(r, c, scratch, cell) && isUtf8(cell))
        return cell;
    scratch = rows.text(r, c).toUtf8().toStdString();
    return scratch;
}

// Cell (r, c) of the grid into row r + 1 of the sheet; `numeric` for a column of numbers.
bool writeCell(const GridRows& rows, ExcelBook& book, long r, int c, bool numeric,
               std::string& scratch, std::string& out) {
    const std::string_view cell = cellUtf8(rows, r, c, scratch);
    const long row = r + 1;
    double number = 0;
    if (cell.empty())
        return book.emptyText(row, c);
    if (numeric && excelNumber(cell, number))
        return book.number(row, c, number);
    // A character takes at least one byte: only a longer cell can hold more than fits.
    if (cell.size() > static_cast<std::size_t>(excelCellChars))
        out = excelString(QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size())));
    else
        out.assign(cell);
    return book.text(row, c, out.c_str());
}

// False, with `error` saying why, when a worksheet cannot hold the rows.
bool fitsOneSheet(long rowCount, int columns, QString& error) {
    if (rowCount >= excelMaxRows) {
        error = QStringLiteral("An Excel sheet holds at most %1 rows below its heading; the "
                               "grid has %2.")
                    .arg(excelMaxRows - 1)
                    .arg(rowCount);
        return false;
    }
    if (columns > excelMaxColumns) {
        error = QStringLiteral("An Excel sheet holds at most %1 columns; the grid has %2.")
                    .arg(excelMaxColumns)
                    .arg(columns);
        return false;
    }
    return true;
}

// The heading row, then every row until `tick` stops; false once the book failed.
bool writeCells(const GridRows& rows, ExcelBook& book, Ticker& tick) {
    const long rowCount = rows.rowCount();
    const int columns = rows.columnCount();
    bool ok = true;
    for (int c = 0; c < columns && ok; ++c)
        ok = book.heading(c, excelString(rows.column(c).name).c_str());
    std::vector<bool> numeric;
    for (int c = 0; c < columns; ++c)
        numeric.push_back(isNumeric(rows.column(c).kind));

    std::string scratch;
    std::string out;
    for (long r = 0; r < rowCount && ok && tick.next(r); ++r) {
        for (int c = 0; c < columns && ok; ++c) {
            if (!rows.isNull(r, c))
                ok = writeCell(rows, book, r, c, numeric[c], scratch, out);
        }
    }
    return ok;
}

// Puts the finished workbook in the place of `path`, with the permissions of a file there.
bool moveIntoPlace(TempBeside& temp, const QString& path, QString& error) {
    if (QFileInfo::exists(path))
        QFile::setPermissions(temp.path(), QFile::permissions(path));
    std::error_code failure;
    std::filesystem::rename(fsPath(temp.path()), fsPath(path), failure);
    if (failure) {
        error = cannotWrite(path, QString::fromLocal8Bit(failure.message().c_str()));
        return false;
    }
    temp.keep();
    return true;
}

} // namespace

bool excelNumber(std::string_view text, double& value) {
    const int digits = significantDigits(text);
    if (digits < 0 || digits > 15)
        return false;
    // from_chars takes no plus sign.
    const char* begin = text.data() + (text.front() == '+' ? 1 : 0);
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(begin, end, value);
    return failure == std::errc() && stop == end && std::isfinite(value);
}

bool writeExcelFile(const GridRows& rows, const QString& path, const QString&, QString& error,
                    Ticker& tick) {
    const long rowCount = rows.rowCount();
    const int columns = rows.columnCount();
    if (!fitsOneSheet(rowCount, columns, error))
        return false;
    QString moduleError;
    const auto open = moduleFunction<OpenExcelBook>(QStringLiteral("dorvane_xlsx"),
                                                    "dorvane_open_excel_book", moduleError);
    if (open == nullptr) {
        error = cannotWrite(path, moduleError);
        return false;
    }

    TempBeside temp;
    if (!temp.create(path, error))
        return false;

    std::unique_ptr<ExcelBook> book;
    open(QFile::encodeName(temp.path()), static_cast<double>(rowCount) * columns > excelStreamCells,
         &book);
    if (!book) {
        error = cannotWrite(path, QStringLiteral("the workbook cannot be created"));
        return false;
    }

    bool ok = writeCells(rows, *book, tick);
    if (tick.stopped())
        return false; // the temporary file goes with `temp`
    if (ok)
        ok = book->close();
    if (!ok) {
        error = cannotWrite(path, book->error());
        return false;
    }
    if (const QString damage = damagedPart(temp.path()); !damage.isEmpty()) {
        error = cannotWrite(path, damage);
        return false;
    }
    return moveIntoPlace(temp, path, error);
}

} // namespace platform::grid::exporting
