#include "memory_rows.h"
#include "platform/grid/gridprint.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::PrintJob;
using platform::grid::GridPrintBlock;
using testsupport::MemoryRows;

namespace {

QString pdfToText(const QString& option, const QString& path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {option, path, QStringLiteral("-")});
    pdftotext.waitForFinished(120000);
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

QStringList pdfPages(const QString& path) {
    return pdfToText(QStringLiteral("-layout"), path).split(u'\f', Qt::SkipEmptyParts);
}

// A word as pdftotext places it, in points from the top left corner of its page.
struct Word {
    double xMin, yMin, xMax;
};

// Every placing of `text`, and the page width.
std::vector<Word> placesOf(const QString& path, const QString& text, double* pageWidth = nullptr) {
    const QString html = pdfToText(QStringLiteral("-bbox"), path);
    static const QRegularExpression word(QStringLiteral(
        R"re(<page width="([\d.]+)"|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"));
    std::vector<Word> places;
    for (auto matches = word.globalMatch(html); matches.hasNext();) {
        const QRegularExpressionMatch match = matches.next();
        if (pageWidth && !match.captured(1).isEmpty())
            *pageWidth = match.captured(1).toDouble();
        if (match.captured(5) == text || (text.isEmpty() && !match.captured(5).isEmpty()))
            places.push_back({match.captured(2).toDouble(), match.captured(3).toDouble(),
                              match.captured(4).toDouble()});
    }
    return places;
}

// Rows "row 1" ... "row n", with every 7th remark NULL; headings differ from the names.
MemoryRows markedRows(int count) {
    MemoryRows rows;
    rows.addColumn(QStringLiteral("marker"), MemoryRows::Kind::Text, QStringLiteral("Marker"))
        .addColumn(QStringLiteral("amount"), MemoryRows::Kind::Decimal, QStringLiteral("Amount"))
        .addColumn(QStringLiteral("remark"), MemoryRows::Kind::Text, QStringLiteral("Remark"));
    for (int r = 1; r <= count; ++r) {
        rows.addRow({QStringLiteral("row %1").arg(r), QString::number(r * 1.25, 'f', 2),
                     r % 7 ? MemoryRows::Cell(QStringLiteral("remark %1").arg(r)) : std::nullopt});
    }
    return rows;
}

class GridPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        qputenv("DORVANE_PRINT_DIR", folder.path().toUtf8());
    }
    void TearDown() override { qunsetenv("DORVANE_PRINT_DIR"); }

    // Prints `line`, if any, then the grid; returns the PDF.
    QString printed(const MemoryRows& rows, int topMargin, const QString& line = {}) {
        auto job = PrintJob::PrintOpen(QStringLiteral("grid"));
        if (!line.isEmpty())
            job->Print(line);
        job->add(std::make_unique<GridPrintBlock>(rows, topMargin));
        EXPECT_EQ(job->PrintClose(), 1) << job->errorText().toStdString();
        return job->outputFile();
    }
    QTemporaryDir folder;
};

} // namespace

TEST_F(GridPrintTest, RowsFollowTheTextInOrderWithHeadingsOnEveryPage) {
    const QStringList pages = pdfPages(printed(markedRows(500), 250, QStringLiteral("select 1")));
    ASSERT_GT(pages.size(), 1);
    const QString all = pages.join(u'\f');
    EXPECT_LT(all.indexOf(QStringLiteral("select 1")), all.indexOf(QStringLiteral("Marker")));

    int expected = 0;
    static const QRegularExpression marker(QStringLiteral("\\brow (\\d+)\\b"));
    for (auto matches = marker.globalMatch(all); matches.hasNext();)
        ASSERT_EQ(matches.next().captured(1).toInt(), ++expected) << "rows out of order";
    EXPECT_EQ(expected, 500);
    for (const QString& page : pages) {
        EXPECT_EQ(page.count(QStringLiteral("Marker")), 1) << page.left(300).toStdString();
        EXPECT_EQ(page.count(QStringLiteral("Remark")), 1);
    }
    EXPECT_EQ(all.count(QStringLiteral("remark ")), 500 - 500 / 7) << "NULL prints nothing";
}

TEST_F(GridPrintTest, TopMarginHoldsOnEveryPageOfTheGrid) {
    const MemoryRows rows = markedRows(300);
    const auto plain = placesOf(printed(rows, 0), QStringLiteral("Marker"));
    // 1200 units down: 300 pixels at 96 dpi, 225 points.
    const QString lowered = printed(rows, 1200, QStringLiteral("Report"));
    const auto low = placesOf(lowered, QStringLiteral("Marker"));
    ASSERT_GE(plain.size(), 2u);
    EXPECT_LT(plain[1].yMin, 100);
    EXPECT_GT(low.size(), plain.size());
    for (const Word& heading : low)
        EXPECT_GE(heading.yMin, 225);
    const auto report = placesOf(lowered, QStringLiteral("Report"));
    ASSERT_EQ(report.size(), 1u);
    EXPECT_LT(report[0].yMin, 100) << "the text before the grid keeps its place";
}

TEST_F(GridPrintTest, WideGridsFitThePageWithNumbersRightAlignedAndLongTextsCut) {
    MemoryRows rows;
    rows.addColumn(QStringLiteral("n"), MemoryRows::Kind::Decimal)
        .addColumn(QStringLiteral("long"));
    for (int c = 2; c < 7; ++c)
        rows.addColumn(QStringLiteral("c%1").arg(c));
    rows.addColumn(QStringLiteral("last"));
    for (const char* number : {"1.5", "12345.25", "-7"}) {
        std::vector<MemoryRows::Cell> cells{QString::fromLatin1(number), testsupport::longText()};
        for (int c = 2; c < 7; ++c)
            cells.emplace_back(QStringLiteral("column %1 holds a fairly long value").arg(c));
        rows.addRow(cells);
    }
    const QString path = printed(rows, 0);
    double pageWidth = 0;
    for (const Word& word : placesOf(path, {}, &pageWidth))
        EXPECT_LE(word.xMax, pageWidth);
    EXPECT_EQ(placesOf(path, QStringLiteral("last")).size(), 1u)
        << "the last column is on the page";
    const auto a = placesOf(path, QStringLiteral("1.5"));
    const auto b = placesOf(path, QStringLiteral("12345.25"));
    const auto c = placesOf(path, QStringLiteral("-7"));
    ASSERT_TRUE(a.size() == 1 && b.size() == 1 && c.size() == 1) << "numbers are not cut";
    EXPECT_NEAR(a[0].xMax, b[0].xMax, 1.0);
    EXPECT_NEAR(c[0].xMax, b[0].xMax, 1.0);

    const QString text = pdfPages(path).join(u'\f');
    EXPECT_TRUE(text.contains(QStringLiteral("Long text, Zo\u00eb")));
    EXPECT_FALSE(text.contains(QStringLiteral("[long-end]")));
    EXPECT_TRUE(text.contains(QChar(0x2026))) << "cut texts end in an ellipsis";
}

TEST_F(GridPrintTest, GridWithoutRowsPrintsItsHeadings) {
    const QStringList pages = pdfPages(printed(markedRows(0), 250, QStringLiteral("Heading")));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Heading")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Amount")));
}

TEST_F(GridPrintTest, ManyRowsAllReachThePrintout) {
    const MemoryRows rows = markedRows(20'000);
    const QString path = printed(rows, 250);
    // Values wider than those of the first rows are cut, but every row is there.
    EXPECT_EQ(pdfPages(path).join(u'\f').count(QStringLiteral("row ")), 20'000);
}
