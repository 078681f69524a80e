#include "platform/grid/export.h"
#include "platform/grid/excel_book.h"
#include "platform/grid/zip_check.h"
#include "platform/module.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <system_error>
#include <unistd.h>

namespace platform::grid {
namespace {

using exporting::cannotWrite;
using exporting::isDigit;
using exporting::isJsonNumber;
using exporting::isSqlNumber;
using exporting::Ticker;

constexpr std::array allFormats = {ExportFormat::Csv,  ExportFormat::Text, ExportFormat::Html,
                                   ExportFormat::Json, ExportFormat::Xml,  ExportFormat::SqlInsert,
                                   ExportFormat::Excel};

// ---------------------------------------------------------------------------------------------
// Text formats

// Why a write to `file` failed. A short write (the disk filled up) leaves no error on the
// device, only in errno.
QString writeFailure(const QFileDevice& file, int errorNumber) {
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    if (errorNumber != 0)
        return QString::fromLocal8Bit(std::strerror(errorNumber));
    return QStringLiteral("the file could not be written completely");
}

// Collects a text file's UTF-8 and hands it to the file in large pieces. After a failed write
// the rest is dropped.
class TextOut {
public:
    explicit TextOut(QFileDevice& file) : file_(file) {}

    void put(QStringView text) {
        if (!failure_.isEmpty())
            return;
        buffer_ += text.toUtf8();
        if (buffer_.size() >= flushSize)
            flush();
    }
    void putBytes(const char* data, qsizetype size) {
        if (!failure_.isEmpty())
            return;
        buffer_.append(data, size);
        if (buffer_.size() >= flushSize)
            flush();
    }
    bool flush() {
        if (!buffer_.isEmpty() && failure_.isEmpty()) {
            errno = 0;
            if (file_.write(buffer_) != buffer_.size())
                failure_ = writeFailure(file_, errno);
        }
        buffer_.truncate(0);
        return failure_.isEmpty();
    }
    const QString& failure() const { return failure_; }

private:
    static constexpr qsizetype flushSize = 1 << 20;
    QFileDevice& file_;
    QByteArray buffer_;
    QString failure_;
};

// Lets QXmlStreamWriter write through a TextOut.
class TextOutDevice final : public QIODevice {
public:
    explicit TextOutDevice(TextOut& out) : out_(out) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        out_.putBytes(data, static_cast<qsizetype>(size));
        return out_.failure().isEmpty() ? size : -1;
    }

private:
    TextOut& out_;
};

// RFC 4180; empty text is quoted so that it reads back apart from NULL, which is left bare.
void appendCsv(QString& line, const QString& value) {
    const bool quote = value.isEmpty() || value.contains(u',') || value.contains(u'"') ||
                       value.contains(u'\r') || value.contains(u'\n');
    if (!quote) {
        line += value;
        return;
    }
    line += u'"';
    for (QChar ch : value) {
        if (ch == u'"')
            line += u'"';
        line += ch;
    }
    line += u'"';
}

void writeCsv(const GridRows& rows, TextOut& out, Ticker& tick) {
    const int columns = rows.columnCount();
    QString line;
    for (int c = 0; c < columns; ++c) {
        if (c > 0)
            line += u',';
        appendCsv(line, rows.column(c).name);
    }
    line += u"\r\n";
    out.put(line);
    for (long r = 0; r < rows.rowCount() && tick.next(r); ++r) {
        line.truncate(0);
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                line += u',';
            if (!rows.isNull(r, c))
                appendCsv(line, rows.text(r, c));
        }
        line += u"\r\n";
        out.put(line);
    }
}

// PostgreSQL COPY text format, so that a value's tabs, line breaks and backslashes survive.
void appendTab(QString& line, const QString& value) {
    for (QChar ch : value) {
        switch (ch.unicode()) {
        case u'\\':
            line += u"\\\\";
            break;
        case u'\t':
            line += u"\\t";
            break;
        case u'\n':
            line += u"\\n";
            break;
        case u'\r':
            line += u"\\r";
            break;
        default:
            line += ch;
        }
    }
}

void writeTabText(const GridRows& rows, TextOut& out, Ticker& tick) {
    const int columns = rows.columnCount();
    QString line;
    for (int c = 0; c < columns; ++c) {
        if (c > 0)
            line += u'\t';
        appendTab(line, rows.column(c).name);
    }
    line += u'\n';
    out.put(line);
    for (long r = 0; r < rows.rowCount() && tick.next(r); ++r) {
        line.truncate(0);
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                line += u'\t';
            if (rows.isNull(r, c))
                line += u"\\N";
            else
                appendTab(line, rows.text(r, c));
        }
        line += u'\n';
        out.put(line);
    }
}

void writeHtml(const GridRows& rows, const QString& tableName, TextOut& out, Ticker& tick) {
    const int columns = rows.columnCount();
    const QString title = tableName.isEmpty() ? QStringLiteral("Exported rows") : tableName;
    QString text = QStringLiteral("<!DOCTYPE html>\n"
                                  "<html>\n"
                                  "<head>\n"
                                  "<meta charset=\"utf-8\">\n"
                                  "<title>%1</title>\n"
                                  "<style>\n"
                                  "table { border-collapse: collapse; }\n"
                                  "th, td { border: 1px solid #999; padding: 2px 6px; "
                                  "vertical-align: top; white-space: pre-wrap; }\n"
                                  "th { background: #eee; text-align: left; }\n"
                                  ".num { text-align: right; }\n"
                                  "td.null { background: #f4f4f4; }\n"
                                  "</style>\n"
                                  "</head>\n"
                                  "<body>\n"
                                  "<table>\n"
                                  "<thead>\n"
                                  "<tr>")
                       .arg(title.toHtmlEscaped());
    std::vector<bool> numeric(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        numeric[c] = isNumeric(rows.column(c).kind);
        text += numeric[c] ? QStringLiteral("<th class=\"num\">") : QStringLiteral("<th>");
        text += rows.column(c).name.toHtmlEscaped();
        text += u"</th>";
    }
    text += u"</tr>\n</thead>\n<tbody>\n";
    out.put(text);
    for (long r = 0; r < rows.rowCount() && tick.next(r); ++r) {
        text = QStringLiteral("<tr>");
        for (int c = 0; c < columns; ++c) {
            if (rows.isNull(r, c)) {
                text += u"<td class=\"null\"></td>";
                continue;
            }
            text += numeric[c] ? QStringLiteral("<td class=\"num\">") : QStringLiteral("<td>");
            text += rows.text(r, c).toHtmlEscaped();
            text += u"</td>";
        }
        text += u"</tr>\n";
        out.put(text);
    }
    out.put(u"</tbody>\n</table>\n</body>\n</html>\n");
}

void appendJsonString(QString& text, const QString& value) {
    text += u'"';
    for (QChar ch : value) {
        switch (ch.unicode()) {
        case u'"':
            text += u"\\\"";
            break;
        case u'\\':
            text += u"\\\\";
            break;
        case u'\n':
            text += u"\\n";
            break;
        case u'\r':
            text += u"\\r";
            break;
        case u'\t':
            text += u"\\t";
            break;
        default:
            if (ch.unicode() < 0x20)
                text += QStringLiteral("\\u%1").arg(ch.unicode(), 4, 16, QLatin1Char('0'));
            else
                text += ch;
        }
    }
    text += u'"';
}

void writeJson(const GridRows& rows, TextOut& out, Ticker& tick) {
    const int columns = rows.columnCount();
    std::vector<QString> keys;
    std::vector<bool> numeric;
    for (int c = 0; c < columns; ++c) {
        QString key;
        appendJsonString(key, rows.column(c).name);
        key += u':';
        keys.push_back(key);
        numeric.push_back(isNumeric(rows.column(c).kind));
    }
    out.put(u"[");
    QString text;
    for (long r = 0; r < rows.rowCount() && tick.next(r); ++r) {
        text = r == 0 ? QStringLiteral("\n{") : QStringLiteral(",\n{");
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                text += u',';
            text += keys[c];
            if (rows.isNull(r, c)) {
                text += u"null";
                continue;
            }
            const QString value = rows.text(r, c);
            if (numeric[c] && isJsonNumber(value))
                text += value;
            else
                appendJsonString(text, value);
        }
        text += u'}';
        out.put(text);
    }
    out.put(u"\n]\n");
}

// Words that both Db2 and PostgreSQL reserve: a column so named must be quoted.
bool isReservedWord(const QString& word) {
    static const QStringList reserved =
        QStringLiteral(
            "all and any as asc between both by case cast check column constraint create "
            "current_date current_time current_timestamp current_user default delete desc "
            "distinct do else end except exists false fetch for foreign from grant group having "
            "in inner insert intersect into is join leading left like limit not null of offset on "
            "only or order outer primary references right select session_user some table then to "
            "trailing true union unique update user using values when where with")
            .split(u' ');
    return reserved.contains(word);
}

QString sqlColumnName(const QString& name) {
    bool plain = !name.isEmpty() && !isDigit(name.front());
    for (QChar ch : name) {
        if (!((ch >= u'a' && ch <= u'z') || isDigit(ch) || ch == u'_'))
            plain = false;
    }
    if (plain && !isReservedWord(name))
        return name;
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

void writeSqlInserts(const GridRows& rows, const QString& tableName, TextOut& out, Ticker& tick) {
    const int columns = rows.columnCount();
    QString head = QStringLiteral("INSERT INTO ") +
                   (tableName.isEmpty() ? QStringLiteral("exported_rows") : tableName) +
                   QStringLiteral(" (");
    for (int c = 0; c < columns; ++c) {
        if (c > 0)
            head += u", ";
        head += sqlColumnName(rows.column(c).name);
    }
    head += u") VALUES (";

    QString text;
    for (long r = 0; r < rows.rowCount() && tick.next(r); ++r) {
        text = head;
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                text += u", ";
            if (rows.isNull(r, c)) {
                text += u"NULL";
                continue;
            }
            const ColumnKind kind = rows.column(c).kind;
            QString value = rows.text(r, c);
            if (kind == ColumnKind::Binary) {
                text += QStringLiteral("X'") + value + u'\'';
            } else if (isNumeric(kind) && isSqlNumber(value)) {
                text += value;
            } else {
                value.replace(u'\'', QStringLiteral("''"));
                text += u'\'' + value + u'\'';
            }
        }
        text += u");\n";
        out.put(text);
    }
}

// XML 1.0 cannot carry most control characters at all; they become U+FFFD.
QString xmlSafe(const QString& value) {
    QString safe = value;
    for (qsizetype i = 0; i < safe.size(); ++i) {
        const char16_t ch = safe.at(i).unicode();
        const bool control = ch < 0x20 && ch != u'\t' && ch != u'\n' && ch != u'\r';
        bool bad = control || ch == 0xFFFE || ch == 0xFFFF;
        if (QChar::isHighSurrogate(ch)) {
            if (i + 1 < safe.size() && QChar::isLowSurrogate(safe.at(i + 1).unicode()))
                ++i;
            else
                bad = true;
        } else if (QChar::isLowSurrogate(ch)) {
            bad = true;
        }
        if (bad)
            safe.data()[i] = QChar::ReplacementCharacter;
    }
    return safe;
}

// A column name usable as an element name: other characters become '_', and a name that
// does not start with a letter or '_' ("1" for an unnamed Db2 column) gets a leading '_'.
QString xmlElementName(const QString& name) {
    QString element;
    for (QChar ch : name)
        element += (ch.isLetterOrNumber() || ch == u'_' || ch == u'-' || ch == u'.') ? ch : u'_';
    if (element.isEmpty() || !(element.front().isLetter() || element.front() == u'_'))
        element.prepend(u'_');
    return element;
}

// Readers turn a literal CR into LF, so CRs go out as character references.
void writeXmlText(QXmlStreamWriter& xml, const QString& value) {
    const QString safe = xmlSafe(value);
    qsizetype start = 0;
    for (qsizetype cr = safe.indexOf(u'\r'); cr >= 0; cr = safe.indexOf(u'\r', start)) {
        xml.writeCharacters(safe.mid(start, cr - start));
        xml.writeEntityReference(QStringLiteral("#13"));
        start = cr + 1;
    }
    xml.writeCharacters(safe.mid(start));
}

void writeXml(const GridRows& rows, QIODevice& device, Ticker& tick) {
    static const QString xsi = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
    const int columns = rows.columnCount();
    std::vector<QString> names;
    for (int c = 0; c < columns; ++c)
        names.push_back(xmlElementName(rows.column(c).name));

    QXmlStreamWriter xml(&device);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeNamespace(xsi, QStringLiteral("xsi"));
    xml.writeStartElement(QStringLiteral("rows"));
    for (long r = 0; r < rows.rowCount() && !xml.hasError() && tick.next(r); ++r) {
        xml.writeStartElement(QStringLiteral("row"));
        for (int c = 0; c < columns; ++c) {
            if (rows.isNull(r, c)) {
                xml.writeEmptyElement(names[c]);
                xml.writeAttribute(xsi, QStringLiteral("nil"), QStringLiteral("true"));
            } else {
                xml.writeStartElement(names[c]);
                writeXmlText(xml, rows.text(r, c));
                xml.writeEndElement();
            }
        }
        xml.writeEndElement();
    }
    xml.writeEndDocument();
}

bool exportText(const GridRows& rows, ExportFormat format, const QString& path,
                const QString& tableName, QString& error, Ticker& tick) {
    QSaveFile file(path);
    // TextOut buffers; the file itself need not.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = cannotWrite(path, file.errorString());
        return false;
    }
    TextOut out(file);
    switch (format) {
    case ExportFormat::Csv:
        writeCsv(rows, out, tick);
        break;
    case ExportFormat::Text:
        writeTabText(rows, out, tick);
        break;
    case ExportFormat::Html:
        writeHtml(rows, tableName, out, tick);
        break;
    case ExportFormat::Json:
        writeJson(rows, out, tick);
        break;
    case ExportFormat::SqlInsert:
        writeSqlInserts(rows, tableName, out, tick);
        break;
    case ExportFormat::Xml: {
        TextOutDevice device(out);
        writeXml(rows, device, tick);
        break;
    }
    case ExportFormat::Excel:
        break;
    }
    out.flush();
    if (tick.stopped()) {
        file.cancelWriting();
        return false;
    }
    QString failure = out.failure();
    if (failure.isEmpty()) {
        errno = 0;
        if (!file.commit())
            failure = writeFailure(file, errno);
    }
    if (!failure.isEmpty()) {
        error = cannotWrite(path, failure);
        file.cancelWriting();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Excel

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

bool exportExcel(const GridRows& rows, const QString& path, QString& error, Ticker& tick) {
    const long rowCount = rows.rowCount();
    const int columns = rows.columnCount();
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

    bool ok = true;
    for (int c = 0; c < columns && ok; ++c)
        ok = book->heading(c, excelString(rows.column(c).name));
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
                ok = book->emptyText(row, c);
            else if (numeric[c] && excelNumber(text, number))
                ok = book->number(row, c, number);
            else
                ok = book->text(row, c, excelString(text));
        }
    }
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

QString exportFilter(ExportFormat format) {
    switch (format) {
    case ExportFormat::Csv:
        return QStringLiteral("CSV (*.csv)");
    case ExportFormat::Text:
        return QStringLiteral("Tab-separated text (*.txt *.tsv)");
    case ExportFormat::Html:
        return QStringLiteral("HTML (*.html *.htm)");
    case ExportFormat::Json:
        return QStringLiteral("JSON (*.json)");
    case ExportFormat::Xml:
        return QStringLiteral("XML (*.xml)");
    case ExportFormat::SqlInsert:
        return QStringLiteral("SQL INSERT statements (*.sql)");
    case ExportFormat::Excel:
        return QStringLiteral("Excel (*.xlsx)");
    }
    return {};
}

QStringList exportFilters() {
    QStringList filters;
    for (ExportFormat format : allFormats)
        filters << exportFilter(format);
    return filters;
}

QString exportSuffix(ExportFormat format) {
    switch (format) {
    case ExportFormat::Csv:
        return QStringLiteral("csv");
    case ExportFormat::Text:
        return QStringLiteral("txt");
    case ExportFormat::Html:
        return QStringLiteral("html");
    case ExportFormat::Json:
        return QStringLiteral("json");
    case ExportFormat::Xml:
        return QStringLiteral("xml");
    case ExportFormat::SqlInsert:
        return QStringLiteral("sql");
    case ExportFormat::Excel:
        return QStringLiteral("xlsx");
    }
    return {};
}

ExportFormat formatForFilter(const QString& filter, ExportFormat fallback) {
    const QString wanted = filter.trimmed();
    for (ExportFormat format : allFormats) {
        if (exportFilter(format).compare(wanted, Qt::CaseInsensitive) == 0)
            return format;
    }
    return fallback;
}

ExportFormat formatForSuffix(const QString& suffix, ExportFormat fallback) {
    QString s = suffix.trimmed().toLower();
    if (s.startsWith(u'.'))
        s.remove(0, 1);
    if (s == u"csv")
        return ExportFormat::Csv;
    if (s == u"txt" || s == u"tsv" || s == u"tab")
        return ExportFormat::Text;
    if (s == u"html" || s == u"htm")
        return ExportFormat::Html;
    if (s == u"json")
        return ExportFormat::Json;
    if (s == u"xml")
        return ExportFormat::Xml;
    if (s == u"sql")
        return ExportFormat::SqlInsert;
    if (s == u"xlsx")
        return ExportFormat::Excel;
    return fallback;
}

bool exportRows(const GridRows& rows, ExportFormat format, const QString& path,
                const QString& tableName, QString& error, ExportProgress* progress) {
    error.clear();
    if (path.isEmpty()) {
        error = QStringLiteral("No file name was given.");
        return false;
    }
    Ticker tick(progress, rows.rowCount());
    const bool written = format == ExportFormat::Excel
                             ? exportExcel(rows, path, error, tick)
                             : exportText(rows, format, path, tableName, error, tick);
    if (tick.stopped()) {
        error.clear();
        return false;
    }
    if (written)
        tick.finish();
    return written;
}

} // namespace platform::grid
