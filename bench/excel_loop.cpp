#include "excel_loop.h"

#include "measure.h"

#include "platform/grid/export_excel.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>
#include <xlsxwriter.h>

namespace bench {

using platform::grid::GridRows;

namespace {

const QString kSheet = QStringLiteral("xl/worksheets/sheet1.xml");

bool parseDouble(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    return failure == std::errc() && end == text.data() + text.size();
}

// The worksheet's XML, streamed out of the zip archive by unzip in pieces.
class SheetReader {
public:
    explicit SheetReader(const QString& path) {
        unzip_.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, kSheet});
        if (!unzip_.waitForStarted())
            throw BenchError(QStringLiteral("E1: unzip cannot be started (install unzip)"));
    }
    // The next piece; empty at the end.
    QByteArray next() {
        while (unzip_.bytesAvailable() == 0 && unzip_.state() != QProcess::NotRunning)
            unzip_.waitForReadyRead(60000);
        return unzip_.read(std::int64_t{4} << 20);
    }
    void finish() {
        unzip_.waitForFinished(60000);
        if (unzip_.exitStatus() != QProcess::NormalExit || unzip_.exitCode() != 0)
            throw BenchError(QStringLiteral("E1: unzip could not read the worksheet"));
    }

private:
    QProcess unzip_;
};

std::string xmlText(std::string_view xml) {
    std::string out;
    for (std::size_t i = 0; i < xml.size(); ++i) {
        if (xml[i] != '&') {
            out += xml[i];
            continue;
        }
        const std::size_t end = xml.find(';', i);
        const std::string_view entity = xml.substr(i + 1, end - i - 1);
        out += entity == "amp" ? '&' : entity == "lt" ? '<' : entity == "gt" ? '>' : '"';
        i = end;
    }
    return out;
}

// Walks the grid's cells in the order the sheet lists them, skipping NULL.
class ExpectedCells {
public:
    explicit ExpectedCells(const GridRows& rows) : rows_(rows) {}

    void check(long sheetRow, int col, bool number, std::string_view value) {
        const long r = sheetRow - 2; // the sheet counts from 1, and its row 1 is the heading
        skipNullsBefore(r, col);
        if (r != r_ || col != c_)
            fail(sheetRow, col, "a cell where the grid holds NULL, or one out of order");
        const std::string grid = r < 0 ? rows_.column(col).name.toStdString()
                                       : rows_.text(r, col).toUtf8().toStdString();
        double expected = 0;
        double written = 0;
        if (number ? !(parseDouble(grid, expected) && parseDouble(value, written) &&
                       expected == written)
                   : xmlText(value) != grid)
            fail(sheetRow, col,
                 "\"" + std::string(value) + "\" where the grid holds \"" + grid + "\"");
        advance();
    }
    void finish() {
        skipNullsBefore(rows_.rowCount(), 0);
        if (r_ < rows_.rowCount())
            fail(r_ + 2, c_, "no cell where the grid holds a value");
    }

private:
    void advance() {
        if (++c_ == rows_.columnCount()) {
            c_ = 0;
            ++r_;
        }
    }
    void skipNullsBefore(long r, int col) {
        while (r_ >= 0 && r_ < rows_.rowCount() && (r_ < r || (r_ == r && c_ < col)) &&
               rows_.isNull(r_, c_))
            advance();
    }
    [[noreturn]] void fail(long sheetRow, int col, const std::string& what) const {
        throw BenchError(QStringLiteral("E1: the workbook's row %1, column %2: %3")
                             .arg(sheetRow)
                             .arg(col + 1)
                             .arg(QString::fromStdString(what)));
    }

    const GridRows& rows_;
    long r_ = -1; // the heading
    int c_ = 0;
};

// Column index (from 0) and row (from 1) of a reference such as "AB12".
void parseReference(std::string_view ref, int& col, long& row) {
    col = 0;
    std::size_t i = 0;
    for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z'; ++i)
        col = col * 26 + (ref[i] - 'A' + 1);
    --col;
    std::from_chars(ref.data() + i, ref.data() + ref.size(), row);
}

// One <c ...>...</c> element.
void checkCell(std::string_view cell, ExpectedCells& expected) {
    const std::size_t ref = cell.find("r=\"") + 3;
    int col = 0;
    long row = 0;
    parseReference(cell.substr(ref, cell.find('"', ref) - ref), col, row);
    const auto between = [&cell](std::string_view open, std::string_view close) {
        const std::size_t start = cell.find(open);
        if (start == std::string_view::npos)
            return std::string_view();
        const std::size_t from = cell.find('>', start) + 1;
        return cell.substr(from, cell.find(close, from) - from);
    };
    if (cell.find("<f>") != std::string_view::npos)
        expected.check(row, col, false, {}); // empty text: ="" as a formula
    else if (cell.find("t=\"inlineStr\"") != std::string_view::npos)
        expected.check(row, col, false, between("<t", "</t>"));
    else if (cell.find("t=\"s\"") != std::string_view::npos)
        throw BenchError(QStringLiteral("E1: the workbook shares its strings; the check reads "
                                        "inline strings only"));
    else
        expected.check(row, col, true, between("<v", "</v>"));
}

} // namespace

void plainExcel(const GridRows& rows, const QString& path) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    lxw_worksheet* sheet = book == nullptr ? nullptr : workbook_add_worksheet(book, nullptr);
    if (sheet == nullptr)
        throw BenchError(QStringLiteral("E1: libxlsxwriter cannot make ") + path);
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    worksheet_freeze_panes(sheet, 1, 0);
    const int columns = rows.columnCount();
    std::vector<bool> numeric;
    for (int c = 0; c < columns; ++c) {
        worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c),
                               rows.column(c).name.toUtf8().constData(), bold);
        numeric.push_back(platform::grid::isNumeric(rows.column(c).kind));
    }
    std::string scratch;
    std::string text;
    for (long r = 0; r < rows.rowCount(); ++r) {
        const auto row = static_cast<lxw_row_t>(r + 1);
        for (int c = 0; c < columns; ++c) {
            const auto col = static_cast<lxw_col_t>(c);
            std::string_view cell;
            if (rows.isNull(r, c))
                continue;
            if (!rows.storedUtf8(r, c, scratch, cell))
                throw BenchError(QStringLiteral("E1: the grid does not hold its rows as read"));
            double number = 0;
            if (cell.empty())
                worksheet_write_formula_str(sheet, row, col, "=\"\"", nullptr, "");
            else if (numeric[c] && platform::grid::exporting::excelNumber(cell, number))
                worksheet_write_number(sheet, row, col, number, nullptr);
            else
                worksheet_write_string(sheet, row, col, text.assign(cell).c_str(), nullptr);
        }
    }
    if (workbook_close(book) != LXW_NO_ERROR)
        throw BenchError(QStringLiteral("E1: libxlsxwriter could not write ") + path);
}

void checkWorkbook(const GridRows& rows, const QString& path) {
    SheetReader reader(path);
    ExpectedCells expected(rows);
    std::string pending;
    for (QByteArray piece = reader.next(); !piece.isEmpty(); piece = reader.next()) {
        pending.append(piece.constData(), static_cast<std::size_t>(piece.size()));
        std::size_t at = 0;
        for (;;) {
            const std::size_t start = pending.find("<c ", at);
            if (start == std::string::npos) {
                // The piece may end inside "<c ".
                at = std::max(at, pending.size() - std::min<std::size_t>(pending.size(), 2));
                break;
            }
            // A cell ends with "/>" (no content) or "</c>".
            const std::size_t tag = pending.find('>', start);
            if (tag == std::string::npos) {
                at = start;
                break;
            }
            const bool empty = pending[tag - 1] == '/';
            const std::size_t end = empty ? tag + 1 : pending.find("</c>", tag);
            if (end == std::string::npos) {
                at = start;
                break;
            }
            if (!empty)
                checkCell(std::string_view(pending).substr(start, end + 4 - start), expected);
            at = empty ? end : end + 4;
        }
        pending.erase(0, at);
    }
    reader.finish();
    expected.finish();
}

QByteArray worksheetDigest(const QString& path) {
    SheetReader reader(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (QByteArray piece = reader.next(); !piece.isEmpty(); piece = reader.next())
        hash.addData(piece);
    reader.finish();
    return hash.result();
}

} // namespace bench
