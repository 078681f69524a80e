// The CSV, JSON and XML exports of a grid read back to the grid. The fuzzer's bytes are a small
// table: the first line the column headings, each further line a row, cells separated by U+0001,
// a cell that is exactly U+0002 NULL. Column names are the grid's own for those headings.
// What a file carries is UTF-8, so a lone surrogate (possible only in the UTF-16 reading) is
// expected back as UTF-8 writes it; XML 1.0 cannot carry most control characters, U+FFFE, U+FFFF
// or lone surrogates, which the XML export writes as U+FFFD.

#include "fuzz_input.h"

#include "../platform/memory_rows.h"
#include "csv_reader.h"
#include "platform/grid/export.h"
#include "platform/grid/syntax.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>

#include <unistd.h>

using testsupport::MemoryRows;

namespace {

constexpr int maxColumns = 8;
constexpr int maxRows = 16;

QString exportPath(const char* suffix) {
    return QStringLiteral("/dev/shm/dorvane-export-fuzz-%1.%2")
        .arg(::getpid())
        .arg(QLatin1String(suffix));
}

QString written(const QString& path) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly), "cannot read " + path.toStdString());
    return QString::fromUtf8(file.readAll());
}

QByteArray writtenBytes(const QString& path) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly), "cannot read " + path.toStdString());
    return file.readAll();
}

void exportTo(const MemoryRows& rows, platform::grid::ExportFormat format, const QString& path) {
    QString error;
    FUZZ_CHECK(platform::grid::exportRows(rows, format, path, {}, error),
               "export failed: " + fuzz::shown(error));
}

// What UTF-8 carries of a text. QString::fromUtf8 drops a byte-order mark that its input starts
// with, which here is a character of the cell: it is read behind a character of its own.
QString inUtf8(const QString& text) {
    return QString::fromUtf8(QByteArray("x") + text.toUtf8()).mid(1);
}

// What XML 1.0 carries of a text: characters it has no place for become U+FFFD.
QString inXml(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE ||
                   u == 0xFFFF || c.isSurrogate()) {
            out += QChar(QChar::ReplacementCharacter);
        } else {
            out += c;
        }
    }
    return out;
}

std::string where(long row, int col, const MemoryRows::Cell& cell) {
    return "row " + std::to_string(row) + " column " + std::to_string(col) + " cell " +
           (cell ? fuzz::shown(*cell) : std::string("NULL"));
}

void checkCsv(const MemoryRows& rows) {
    const QString path = exportPath("csv");
    exportTo(rows, platform::grid::ExportFormat::Csv, path);
    const QString text = written(path);
    const auto records = fuzz::readCsv(text);
    FUZZ_CHECK(records.has_value(), "not RFC 4180: " + fuzz::shown(text));
    FUZZ_CHECK(records->size() == static_cast<std::size_t>(rows.rowCount()) + 1,
               std::to_string(records->size()) + " records in " + fuzz::shown(text));
    const auto& header = records->front();
    FUZZ_CHECK(header.size() == static_cast<std::size_t>(rows.columnCount()), fuzz::shown(text));
    for (int c = 0; c < rows.columnCount(); ++c)
        FUZZ_CHECK(header[c] == rows.column(c).name, fuzz::shown(text));
    for (long r = 0; r < rows.rowCount(); ++r) {
        const auto& record = (*records)[static_cast<std::size_t>(r) + 1];
        FUZZ_CHECK(record.size() == static_cast<std::size_t>(rows.columnCount()),
                   "row " + std::to_string(r) + " in " + fuzz::shown(text));
        for (int c = 0; c < rows.columnCount(); ++c) {
            const auto& cell = rows.cell(r, c);
            const MemoryRows::Cell expected = cell ? MemoryRows::Cell(inUtf8(*cell)) : cell;
            FUZZ_CHECK(record[c] == expected, where(r, c, cell) + " in " + fuzz::shown(text));
        }
    }
}

void checkJson(const MemoryRows& rows) {
    const QString path = exportPath("json");
    exportTo(rows, platform::grid::ExportFormat::Json, path);
    const QByteArray bytes = writtenBytes(path);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    FUZZ_CHECK(error.error == QJsonParseError::NoError && document.isArray(),
               fuzz::shown(error.errorString()) + " at " + std::to_string(error.offset) + " in " +
                   fuzz::shown(QString::fromUtf8(bytes)));
    const QJsonArray array = document.array();
    FUZZ_CHECK(array.size() == rows.rowCount(), fuzz::shown(QString::fromUtf8(bytes)));
    for (long r = 0; r < rows.rowCount(); ++r) {
        const QJsonValue row = array.at(r);
        FUZZ_CHECK(row.isObject() && row.toObject().size() == rows.columnCount(),
                   "row " + std::to_string(r) + " in " + fuzz::shown(QString::fromUtf8(bytes)));
        const QJsonObject object = row.toObject();
        for (int c = 0; c < rows.columnCount(); ++c) {
            const auto& cell = rows.cell(r, c);
            const QJsonValue value = object.value(rows.column(c).name);
            // Qt's JSON reader drops a byte-order mark that a string without escapes starts
            // with; the file holds it (the CSV check reads it back).
            const QString expected = cell ? inUtf8(*cell) : QString();
            const bool same = cell ? value.isString() && (value.toString() == expected ||
                                                          (expected.startsWith(QChar(0xFEFF)) &&
                                                           value.toString() == expected.mid(1)))
                                   : value.isNull();
            FUZZ_CHECK(same, where(r, c, cell) + " in " + fuzz::shown(QString::fromUtf8(bytes)));
        }
    }
}

void checkXml(const MemoryRows& rows) {
    const QString path = exportPath("xml");
    exportTo(rows, platform::grid::ExportFormat::Xml, path);
    const QString text = written(path);
    const std::string shown = fuzz::shown(text);
    QXmlStreamReader xml(text);
    const QString xsi = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
    FUZZ_CHECK(xml.readNextStartElement() && xml.name() == u"rows", shown);
    long r = 0;
    while (xml.readNextStartElement()) {
        FUZZ_CHECK(xml.name() == u"row" && r < rows.rowCount(), shown);
        int c = 0;
        while (xml.readNextStartElement()) {
            FUZZ_CHECK(c < rows.columnCount(), shown);
            const QString& name = rows.column(c).name;
            FUZZ_CHECK(xml.name() == name || xml.name() == u'_' + name,
                       fuzz::shown(xml.name().toString()) + " for " + fuzz::shown(name));
            const auto& cell = rows.cell(r, c);
            const bool nil = xml.attributes().value(xsi, QStringLiteral("nil")) == u"true";
            const QString value = xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
            FUZZ_CHECK(!xml.hasError(), fuzz::shown(xml.errorString()) + " in " + shown);
            if (cell)
                FUZZ_CHECK(!nil && value == inXml(*cell),
                           where(r, c, cell) + " read as " + fuzz::shown(value) + " in " + shown);
            else
                FUZZ_CHECK(nil && value.isEmpty(), where(r, c, cell) + " in " + shown);
            ++c;
        }
        FUZZ_CHECK(c == rows.columnCount(), shown);
        ++r;
    }
    FUZZ_CHECK(!xml.hasError(), fuzz::shown(xml.errorString()) + " in " + shown);
    FUZZ_CHECK(r == rows.rowCount(), shown);
}

MemoryRows tableOf(const QString& text) {
    QStringList lines = text.split(u'\n');
    const QStringList headings = lines.takeFirst().split(QChar(1)).mid(0, maxColumns);
    const std::vector<QString> names = platform::grid::columnNames(headings);
    MemoryRows rows;
    for (qsizetype c = 0; c < headings.size(); ++c)
        rows.addColumn(names[static_cast<std::size_t>(c)], MemoryRows::Kind::Text, headings.at(c));
    for (const QString& line : lines.mid(0, maxRows)) {
        std::vector<MemoryRows::Cell> cells;
        for (const QString& cell : line.split(QChar(1)).mid(0, headings.size())) {
            if (cell == QChar(2))
                cells.emplace_back(std::nullopt);
            else
                cells.emplace_back(cell);
        }
        rows.addRow(std::move(cells));
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const QString& text : fuzz::decodings(data, size)) {
        const MemoryRows rows = tableOf(text);
        checkCsv(rows);
        checkJson(rows);
        checkXml(rows);
    }
    return 0;
}
