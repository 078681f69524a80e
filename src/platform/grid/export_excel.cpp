#include "platform/grid/export_excel.h"

#include "platform/grid/excel_book.h"
#include "platform/grid/zip_check.h"
#include "platform/module.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
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

// A numeric cell becomes an Excel number unless a double would change its value.
bool excelNumber(const QString& text, double& value) {
    if (!isSqlNumber(text))
        return false;
    bool ok = false;
    value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return false;
    QString digits;
    for (QChar ch : text) {
        if (ch == u'e' || ch == u'E')
            break;
        if (isDigit(ch))
            digits += ch;
    }
    while (digits.startsWith(u'0'))
        digits.remove(0, 1);
    while (digits.endsWith(u'0'))
        digits.chop(1);
    return digits.size() <= 15;
}

QByteArray excelString(const QString& text) {
    if (text.size() <= excelCellChars)
        return text.toUtf8();
    qsizetype length = excelCellChars;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length).toUtf8();
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
        ok = book.heading(c, excelString(rows.column(c).name));
    std::vector<bool> numeric;
    for (int c = 0; c < columns; ++c)
        numeric.push_back(isNumeric(rows.column(c).kind));

    for (long r = 0; r < rowCount && ok && tick.next(r); ++r) {
        const long row = r + 1;
        for (int c = 0; c < columns && ok; ++c) {
            if (rows.isNull(r, c))
                continue;
            const QString text = rows.text(r, c);
            double number = 0;
            if (text.isEmpty())
                ok = book.emptyText(row, c);
            else if (numeric[c] && excelNumber(text, number))
                ok = book.number(row, c, number);
            else
                ok = book.text(row, c, excelString(text));
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
