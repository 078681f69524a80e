#include "platform/printjob.h"
#include "platform/windows.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::PrintJob;

namespace {

QString pdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(30000))
        return {};
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

int pdfPages(const QString& path) {
    return static_cast<int>(pdfText(path).count(u'\f'));
}

class PrintJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        qputenv("DORVANE_PRINT_DIR", folder.path().toUtf8());
    }
    void TearDown() override { qunsetenv("DORVANE_PRINT_DIR"); }
    QTemporaryDir folder;
};

} // namespace

TEST_F(PrintJobTest, TextLinesGoToPdfInPrintFolderInOrder) {
    auto job = PrintJob::PrintOpen(QStringLiteral("query"));
    job->Print(QStringLiteral("select *\r\n  from DB2INST1.EMPLOYEE"));
    job->Print(QStringLiteral("Report on: O'Brien, Zo\u00eb, \u6771\u4eac"));
    ASSERT_EQ(job->PrintClose(), 1) << job->errorText().toStdString();
    ASSERT_TRUE(job->outputFile().startsWith(folder.path()));
    ASSERT_TRUE(QFile::exists(job->outputFile()));

    const QString text = pdfText(job->outputFile());
    const auto select = text.indexOf(QStringLiteral("select *"));
    const auto from = text.indexOf(QStringLiteral("from DB2INST1.EMPLOYEE"));
    const auto report = text.indexOf(QStringLiteral("Report on: O'Brien, Zo\u00eb"));
    EXPECT_GE(select, 0) << text.toStdString();
    EXPECT_GT(from, select);
    EXPECT_GT(report, from);
    EXPECT_EQ(job->PrintClose(), -1) << "a job prints once";
}

TEST_F(PrintJobTest, LongJobsRunOverPagesAndCancelledJobsPrintNothing) {
    auto job = PrintJob::PrintOpen();
    for (int i = 1; i <= 300; ++i)
        job->Print(QStringLiteral("line %1").arg(i));
    ASSERT_EQ(job->PrintClose(), 1);
    const QString text = pdfText(job->outputFile());
    EXPECT_TRUE(text.contains(QStringLiteral("line 1\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("line 300")));
    EXPECT_GT(pdfPages(job->outputFile()), 3);

    auto cancelled = PrintJob::PrintOpen();
    cancelled->Print(QStringLiteral("never"));
    cancelled->PrintCancel();
    EXPECT_EQ(cancelled->PrintClose(), -1);
    EXPECT_TRUE(cancelled->outputFile().isEmpty());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(PrintJobTest, UnwritableFolderFailsWithoutOutput) {
    qputenv("DORVANE_PRINT_DIR", "/proc/dorvane-cannot-write-here");
    auto job = PrintJob::PrintOpen();
    job->Print(QStringLiteral("x"));
    EXPECT_EQ(job->PrintClose(), -1);
    EXPECT_FALSE(job->errorText().isEmpty());
    EXPECT_TRUE(job->outputFile().isEmpty());
}
