#include "memory_rows.h"
#include "platform/grid/export.h"
#include "platform/grid/griddata.h"
#include "platform/grid/rowstore.h"
#include "support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <optional>
#include <string>
#include <sys/resource.h>

using platform::grid::ExportFormat;
using platform::grid::exportRows;
using testsupport::MemoryRows;

namespace {

using Cell = MemoryRows::Cell;
using Table = std::vector<std::vector<Cell>>;

// The rows as a table, headed by the column names.
Table expected(const MemoryRows& rows) {
    Table table(1);
    for (int c = 0; c < rows.columnCount(); ++c)
        table[0].push_back(rows.column(c).name);
    for (long r = 0; r < rows.rowCount(); ++r) {
        auto& row = table.emplace_back();
        for (int c = 0; c < rows.columnCount(); ++c)
            row.push_back(rows.cell(r, c));
    }
    return table;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

// RFC 4180, strictly: records end in CRLF; "" is empty text, a bare empty field is NULL.
Table parseCsv(const QString& text) {
    Table table(1);
    QString value;
    bool quoted = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (inQuotes) {
            if (ch != u'"')
                value += ch;
            else if (text.mid(i + 1, 1) == u"\"")
                value += text.at(++i);
            else
                inQuotes = false;
        } else if (ch == u'"') {
            inQuotes = quoted = true;
        } else if (ch == u',' || ch == u'\r') {
            table.back().push_back(quoted || !value.isEmpty() ? Cell(value) : Cell());
            value.clear();
            quoted = false;
            if (ch == u'\r') {
                EXPECT_EQ(text.mid(++i, 1), u"\n") << "CR without LF at " << i;
                table.emplace_back();
            }
        } else {
            EXPECT_NE(ch, u'\n') << "LF without CR at " << i;
            value += ch;
        }
    }
    EXPECT_TRUE(table.back().empty()) << "last record not ended";
    table.pop_back();
    return table;
}

// PostgreSQL COPY text: \N is NULL; \t \n \r \\ stand for themselves.
Table parseTabText(const QString& text) {
    EXPECT_TRUE(text.endsWith(u'\n'));
    Table table;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        auto& row = table.emplace_back();
        for (const QString& field : line.split(u'\t')) {
            if (field == u"\\N") {
                row.emplace_back();
                continue;
            }
            QString value;
            for (qsizetype i = 0; i < field.size(); ++i) {
                QChar ch = field.at(i);
                if (ch == u'\\' && ++i < field.size()) {
                    const QChar code = field.at(i);
                    ch = code == u't' ? u'\t' : code == u'n' ? u'\n' : code == u'r' ? u'\r' : code;
                }
                value += ch;
            }
            row.push_back(value);
        }
    }
    return table;
}

QByteArray unzippedBytes(const QString& path, const QString& part) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, part});
    EXPECT_TRUE(unzip.waitForFinished(60000));
    return unzip.readAllStandardOutput();
}

QString unzipped(const QString& path, const QString& part) {
    return QString::fromUtf8(unzippedBytes(path, part));
}

const std::vector<ExportFormat> everyFormat = {
    ExportFormat::Csv, ExportFormat::Text,      ExportFormat::Html, ExportFormat::Json,
    ExportFormat::Xml, ExportFormat::SqlInsert, ExportFormat::Excel};

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    QString path(const QString& name) const { return folder.filePath(name); }
    QString exported(const MemoryRows& grid, ExportFormat format, const QString& name,
                     const QString& table = {}) {
        QString error;
        EXPECT_TRUE(exportRows(grid, format, path(name), table, error)) << error.toStdString();
        return path(name);
    }
    QString exportedText(const MemoryRows& grid, ExportFormat format, const QString& table = {}) {
        return QString::fromUtf8(readAll(exported(grid, format, QStringLiteral("out"), table)));
    }
    qsizetype filesInFolder() const {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size();
    }
    QTemporaryDir folder;
    MemoryRows rows = testsupport::awkwardRows();
};

} // namespace

TEST_F(ExportTest, CsvReadsBackWithNullApartFromEmptyText) {
    const QString csv = exportedText(rows, ExportFormat::Csv);
    EXPECT_TRUE(csv.startsWith(QStringLiteral("id,name,"))) << "no byte order mark";
    EXPECT_EQ(parseCsv(csv), expected(rows));
}

TEST_F(ExportTest, TabTextReadsBackExactly) {
    const QString text = exportedText(rows, ExportFormat::Text);
    EXPECT_TRUE(text.contains(QStringLiteral("\ttab\\there, back\\\\slash \\\\N \\\\t\t")));
    EXPECT_EQ(parseTabText(text), expected(rows));
}

TEST_F(ExportTest, JsonHoldsAnObjectPerRowWithNullsAndNumbers) {
    const QString json = exportedText(rows, ExportFormat::Json);
    const QJsonArray array = QJsonDocument::fromJson(json.toUtf8()).array();
    ASSERT_EQ(array.size(), rows.rowCount()) << json.left(200).toStdString();
    for (long r = 0; r < rows.rowCount(); ++r) {
        for (int c = 0; c < rows.columnCount(); ++c) {
            const QJsonValue value = array[r].toObject()[rows.column(c).name];
            const Cell& cell = rows.cell(r, c);
            SCOPED_TRACE(rows.column(c).name.toStdString() + std::to_string(r));
            if (!cell) {
                EXPECT_TRUE(value.isNull());
            } else if (value.isDouble()) {
                EXPECT_DOUBLE_EQ(value.toDouble(), cell->toDouble());
            } else {
                EXPECT_EQ(value.toString(QStringLiteral("<no string>")), *cell);
            }
        }
    }
    EXPECT_TRUE(json.contains(QStringLiteral("{\"id\":1,\"name\":\"O'Brien\",")));
    EXPECT_TRUE(json.contains(QStringLiteral("\"amount\":12345678901234567.89,")));
    EXPECT_TRUE(json.contains(QStringLiteral("\"ratio\":\"NaN\",")));
    EXPECT_TRUE(json.contains(QStringLiteral("\"data\":\"DEADBEEF\"")));
}

TEST_F(ExportTest, XmlMarksNullWithXsiNilAndKeepsEveryCharacter) {
    const QString xsi = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
    QXmlStreamReader xml(exportedText(rows, ExportFormat::Xml));
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), u"rows");
    Table table{expected(rows)[0]};
    while (xml.readNextStartElement()) {
        EXPECT_EQ(xml.name(), u"row");
        auto& row = table.emplace_back();
        while (xml.readNextStartElement()) {
            EXPECT_EQ(xml.name(), rows.column(static_cast<int>(row.size())).name);
            const bool nil = xml.attributes().value(xsi, QStringLiteral("nil")) == u"true";
            const QString text = xml.readElementText();
            row.push_back(nil ? Cell() : Cell(text));
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(table, expected(rows));
}

TEST_F(ExportTest, XmlNamesElementsAfterAnyColumnAndDropsCharactersXmlCannotHold) {
    MemoryRows odd;
    odd.addColumn(QStringLiteral("1")).addColumn(QStringLiteral("caf\u00e9 au lait"));
    odd.addRow({QStringLiteral("bell\u0007"), QStringLiteral("ok")});
    QXmlStreamReader xml(exportedText(odd, ExportFormat::Xml));
    QStringList seen;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        seen << xml.name().toString();
        if (seen.size() > 2)
            seen << xml.readElementText();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(seen.join(u'|'), QStringLiteral("rows|row|_1|bell\ufffd|caf\u00e9_au_lait|ok"));
}

TEST_F(ExportTest, HtmlEscapesValuesAndMarksNullCells) {
    const QString html = exportedText(rows, ExportFormat::Html);
    EXPECT_TRUE(html.startsWith(QStringLiteral("<!DOCTYPE html>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("<th>name</th>")));
    EXPECT_TRUE(
        html.contains(QStringLiteral("<td>&lt;b&gt;&amp;amp; &quot;x&quot;&lt;/b&gt;</td>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<td>Zo\u00eb</td>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<td class=\"num\">-0.75</td>")));
    EXPECT_TRUE(
        html.contains(QStringLiteral("<td class=\"num\">2</td><td></td><td class=\"null\">")));
    qsizetype nulls = 0;
    for (const auto& row : expected(rows))
        nulls += std::count(row.begin(), row.end(), Cell());
    EXPECT_EQ(html.count(QStringLiteral("class=\"null\"")), nulls);
}

TEST_F(ExportTest, SqlInsertsRunAgainstTheDatabaseGiveTheSameRows) {
    auto slot = testsupport::connectedSlot();
    ASSERT_TRUE(slot->isConnected());
    const QString table =
        QStringLiteral("db2inst1.export_%1").arg(QCoreApplication::applicationPid());
    testsupport::execute(*slot, QStringLiteral("drop table if exists ") + table);
    ASSERT_TRUE(testsupport::execute(
        *slot, QStringLiteral("create table %1 (id integer, name varchar(20), note text, amount "
                              "numeric, ratio float8, born date, stamp timestamp, data varbit)")
                   .arg(table)));
    const QString script = exportedText(rows, ExportFormat::SqlInsert, table);
    EXPECT_TRUE(script.startsWith(
        QStringLiteral("INSERT INTO %1 (id, name, note, amount, ratio, born, stamp, data) VALUES "
                       "(1, 'O''Brien', 'comma, \"quoted\" and ''single''', 1234.50, 3.25, "
                       "'2024-03-01', '2024-03-01 12:30:00', X'00FF10');\n")
            .arg(table)))
        << script.left(300).toStdString();
    EXPECT_TRUE(testsupport::execute(*slot, script));

    const auto value = [&](const QString& select, long r) {
        return testsupport::queryValue(
            *slot, QStringLiteral("select %1 from %2 where id = %3").arg(select, table).arg(r + 1));
    };
    for (long r = 0; r < rows.rowCount(); ++r) {
        for (int c = 1; c < rows.columnCount(); ++c) {
            const QString column = rows.column(c).name;
            const Cell& cell = rows.cell(r, c);
            SCOPED_TRACE(column.toStdString() + std::to_string(r));
            EXPECT_EQ(value(QStringLiteral("count(%1)").arg(column), r),
                      QString::number(cell ? 1 : 0));
            if (!cell)
                continue;
            if (column == u"ratio" || column == u"data") {
                const QString equal = column == u"ratio" ? QStringLiteral("ratio = '%1'")
                                                         : QStringLiteral("data = X'%1'");
                EXPECT_EQ(value(equal.arg(*cell), r), QStringLiteral("1"));
            } else {
                EXPECT_EQ(value(column + QStringLiteral("::text"), r), *cell);
            }
        }
    }
    slot->Rollback();
    testsupport::execute(*slot, QStringLiteral("drop table if exists ") + table);
    slot->Commit();
}

TEST_F(ExportTest, SqlInsertsQuoteOnlyColumnNamesThatNeedIt) {
    MemoryRows named;
    named.addColumn(QStringLiteral("id"), MemoryRows::Kind::Integer)
        .addColumn(QStringLiteral("group"))
        .addColumn(QStringLiteral("Mixed Name"))
        .addColumn(QStringLiteral("say \"hi\""))
        .addColumn(QStringLiteral("_x9"), MemoryRows::Kind::Decimal);
    named.addRow({QStringLiteral("7"), QStringLiteral("g"), QStringLiteral("m"),
                  QStringLiteral("h"), QStringLiteral(".5")});
    const QString script = exportedText(named, ExportFormat::SqlInsert);
    EXPECT_EQ(script, QStringLiteral("INSERT INTO exported_rows (id, \"group\", \"Mixed Name\", "
                                     "\"say \"\"hi\"\"\", _x9) VALUES (7, 'g', 'm', 'h', .5);\n"));
    auto slot = testsupport::connectedSlot();
    ASSERT_TRUE(testsupport::execute(
        *slot, QStringLiteral("create temporary table exported_rows (id integer, \"group\" text, "
                              "\"Mixed Name\" text, \"say \"\"hi\"\"\" text, _x9 numeric)")));
    EXPECT_TRUE(testsupport::execute(*slot, script));
    EXPECT_EQ(
        testsupport::queryValue(
            *slot, QStringLiteral("select \"Mixed Name\" || \"group\" || _x9 from exported_rows")),
        QStringLiteral("mg0.5"));
    slot->Rollback();
}

TEST_F(ExportTest, ExcelHoldsStringsNumbersAndBlankNulls) {
    const QString file = exported(rows, ExportFormat::Excel, QStringLiteral("r.xlsx"));
    ASSERT_TRUE(readAll(file).startsWith("PK"));
    DORVANE_REQUIRE_TOOL("unzip");
    const QString strings = unzipped(file, QStringLiteral("xl/sharedStrings.xml"));
    for (const char16_t* text : {u">amount<", u"O'Brien", u">Zo\u00eb<", u">\u6771\u4eac<",
                                 u"[long-end]<", u">00FF10<", u">12345678901234567.89<"})
        EXPECT_TRUE(strings.contains(QString::fromUtf16(text)))
            << QString::fromUtf16(text).toStdString();
    const QString sheet = unzipped(file, QStringLiteral("xl/worksheets/sheet1.xml"));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<c r=\"D2\"><v>1234.5</v></c>")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<c r=\"B3\" t=\"str\"><f>\"\"</f><v></v></c>")))
        << "empty text is no blank cell";
    EXPECT_FALSE(sheet.contains(QStringLiteral("r=\"C3\""))) << "NULL is";
    EXPECT_TRUE(unzipped(file, QStringLiteral("xl/styles.xml")).contains(QStringLiteral("<b/>")));
}

TEST_F(ExportTest, ExcelStreamsLargeGridsWithEveryRow) {
    MemoryRows big;
    for (int c = 0; c < 8; ++c)
        big.addColumn(QStringLiteral("c%1").arg(c),
                      c ? MemoryRows::Kind::Text : MemoryRows::Kind::Integer);
    for (int r = 1; r <= 70'000; ++r) {
        std::vector<Cell> cells{QString::number(r)};
        for (int c = 1; c < 8; ++c)
            cells.emplace_back(QStringLiteral("r%1c%2").arg(r).arg(c));
        big.addRow(cells);
    }
    const QString file = exported(big, ExportFormat::Excel, QStringLiteral("big.xlsx"));
    DORVANE_REQUIRE_TOOL("unzip");
    const QString sheet = unzipped(file, QStringLiteral("xl/worksheets/sheet1.xml"));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<c r=\"A70001\"><v>70000</v></c>")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("r70000c7")));
}

TEST_F(ExportTest, ExportingOverAnEarlierFileReplacesIt) {
    for (ExportFormat format : everyFormat) {
        const QString file = path(QStringLiteral("again.") + platform::grid::exportSuffix(format));
        writeAll(file, QByteArray(100'000, 'x'));
        QString error;
        ASSERT_TRUE(exportRows(rows, format, file, {}, error)) << error.toStdString();
        EXPECT_FALSE(readAll(file).contains("xxxx")) << file.toStdString();
    }
    EXPECT_EQ(filesInFolder(), qsizetype(everyFormat.size())) << "temporary files left behind";
}

TEST_F(ExportTest, FolderThatDoesNotExistFailsWithAReason) {
    const QString file = path(QStringLiteral("missing/rows.out"));
    for (ExportFormat format : everyFormat) {
        QString error;
        EXPECT_FALSE(exportRows(rows, format, file, {}, error));
        EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot write ") + file))
            << error.toStdString();
    }
    EXPECT_EQ(filesInFolder(), 0);
}

TEST_F(ExportTest, WriteFailingHalfwayLeavesTheEarlierFileWhole) {
    // Random text, so that not even a compressed workbook stays below the limit.
    MemoryRows many;
    many.addColumn(QStringLiteral("t"));
    QRandomGenerator random(42);
    for (int r = 0; r < 1000; ++r) {
        QByteArray bytes(500, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        many.addRow({QString::fromLatin1(bytes.toHex())});
    }
    for (ExportFormat format : everyFormat) {
        const QString file = path(QStringLiteral("kept.") + platform::grid::exportSuffix(format));
        writeAll(file, "earlier export\n");
        // Every write past 256 KiB fails, as on a full disk.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = 256 * 1024;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        QString error;
        const bool written = exportRows(many, format, file, {}, error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        EXPECT_FALSE(written) << file.toStdString();
        EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot write ") + file))
            << error.toStdString();
        EXPECT_FALSE(error.contains(QStringLiteral("Unknown error"))) << error.toStdString();
        EXPECT_EQ(readAll(file), "earlier export\n");
    }
    EXPECT_EQ(filesInFolder(), qsizetype(everyFormat.size())) << "temporary files left behind";
}

// A grid's own rows go to Excel from the bytes it stores; the workbook must be the one its text
// gives: numbers by the same rule, bytes that are not UTF-8 as U+FFFD, a cell past Excel's
// limit cut, a value across the store's chunks whole.
TEST_F(ExportTest, ExcelFromAGridsStoredBytesEqualsExcelFromItsText) {
    platform::grid::GridDefinition definition;
    for (const auto kind :
         {platform::grid::ColumnKind::Decimal, platform::grid::ColumnKind::Text}) {
        platform::grid::ColumnInfo column;
        column.name =
            kind == platform::grid::ColumnKind::Text ? QStringLiteral("t") : QStringLiteral("n");
        column.kind = kind;
        definition.columns.push_back(column);
    }
    const std::string longCell = std::string(40000, 'x') + "\xC3\xA9";
    using Value = std::optional<std::string>;
    const std::vector<std::pair<Value, Value>> cells = {{"+5", "\xFF\xFE not UTF-8 \xED\xA0\x80"},
                                                        {"12345678901234567", "Zo\xC3\xAB & <b>"},
                                                        {"-.5", longCell},
                                                        {"1e3", ""},
                                                        {"", "\xEF\xBB\xBF"
                                                             "starts with a mark"},
                                                        {std::nullopt, std::nullopt},
                                                        {"1.50", "tail"}};
    platform::grid::GridData grid;
    grid.setDefinition(definition);
    platform::grid::RowStore& store = grid.beginRetrieval();
    for (const auto& [number, text] : cells) {
        for (const auto& [col, value] : {std::pair{0, number}, std::pair{1, text}})
            value ? store.appendCell(col, value->data(), value->size()) : store.appendNull(col);
        store.commitRow();
    }
    grid.showRetrieved(store.rowCount());
    grid.endRetrieval();

    MemoryRows same;
    same.addColumn(QStringLiteral("n"), MemoryRows::Kind::Decimal)
        .addColumn(QStringLiteral("t"), MemoryRows::Kind::Text);
    for (long r = 0; r < grid.rowCount(); ++r) {
        std::vector<Cell> row;
        for (int c = 0; c < 2; ++c)
            row.push_back(grid.isNull(r, c) ? Cell() : Cell(grid.text(r, c)));
        same.addRow(row);
    }
    QString error;
    ASSERT_TRUE(exportRows(grid, ExportFormat::Excel, path(QStringLiteral("grid.xlsx")), {}, error))
        << error.toStdString();
    const QString fromText = exported(same, ExportFormat::Excel, QStringLiteral("text.xlsx"));
    DORVANE_REQUIRE_TOOL("unzip");
    for (const QString& part :
         {QStringLiteral("xl/worksheets/sheet1.xml"), QStringLiteral("xl/sharedStrings.xml")}) {
        const QByteArray fromGrid = unzippedBytes(path(QStringLiteral("grid.xlsx")), part);
        EXPECT_EQ(fromGrid, unzippedBytes(fromText, part)) << part.toStdString();
        EXPECT_FALSE(fromGrid.isEmpty());
    }
    const QString sheet = unzipped(fromText, QStringLiteral("xl/worksheets/sheet1.xml"));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<c r=\"A2\"><v>5</v></c>")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<c r=\"A4\"><v>-0.5</v></c>")));
    EXPECT_FALSE(sheet.contains(QStringLiteral("<c r=\"A3\"><v>"))) << "17 digits stay text";
}
