#include "platform/clock.h"
#include "platform/environment.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using platform::Instant;

Instant at(QTime timeOfDay, Instant::Monotonic::duration sinceStart) {
    return Instant(timeOfDay, Instant::Monotonic() + sinceStart);
}

TEST(SecondsAfter, CountsFromTheMonotonicClockAcrossMidnight) {
    const Instant before = at(QTime(23, 59, 58), 1000s);
    const Instant after = at(QTime(0, 0, 3), 1005s);
    EXPECT_EQ(platform::SecondsAfter(before, after), 5);
    EXPECT_EQ(platform::SecondsAfter(after, before), -5);
}

TEST(SecondsAfter, TruncatesPartSecondsTowardZero) {
    const Instant start = at(QTime(12, 0), 50s);
    EXPECT_EQ(platform::SecondsAfter(start, at(QTime(12, 0, 2), 50s + 2999ms)), 2);
    EXPECT_EQ(platform::SecondsAfter(start, at(QTime(12, 0), 50s + 999ms)), 0);
    EXPECT_EQ(platform::SecondsAfter(start, at(QTime(11, 59, 59), 50s - 1500ms)), -1);
}

TEST(SecondsAfter, NowNeverRunsBackwards) {
    const Instant first = platform::Now();
    const Instant second = platform::Now();
    EXPECT_GE(platform::SecondsAfter(first, second), 0);
    EXPECT_TRUE(first.timeOfDay().isValid());
    EXPECT_TRUE(platform::Today().isValid());
}

TEST(FormatDateTime, ReportDateReadsMonthThenMinutesAfterTheHour) {
    const QDateTime afternoon(QDate(2026, 3, 5), QTime(14, 7));
    EXPECT_EQ(platform::FormatDateTime(afternoon, QStringLiteral("m/d/yyyy   hh:mm")),
              QStringLiteral("3/5/2026   14:07"));
    const QDateTime autumn(QDate(2025, 11, 25), QTime(9, 30));
    EXPECT_EQ(platform::FormatDateTime(autumn, QStringLiteral("m/d/yyyy   hh:mm")),
              QStringLiteral("11/25/2025   09:30"));
}

TEST(FormatDateTime, PadsTwoLetterCodesAndLeavesOneLetterCodesBare) {
    const QDateTime value(QDate(2007, 1, 2), QTime(3, 4, 5));
    EXPECT_EQ(platform::FormatDateTime(value, QStringLiteral("dd.mm.yy")),
              QStringLiteral("02.01.07"));
    EXPECT_EQ(platform::FormatDateTime(value, QStringLiteral("d-m-yyyy")),
              QStringLiteral("2-1-2007"));
    EXPECT_EQ(platform::FormatDateTime(value, QStringLiteral("h:mm:ss")),
              QStringLiteral("3:04:05"));
    EXPECT_EQ(platform::FormatDateTime(value, QStringLiteral("hh:m")), QStringLiteral("03:4"));
}

TEST(FormatDateTime, MonthAfterADateCodeStaysAMonth) {
    const QDateTime value(QDate(2024, 12, 31), QTime(23, 59, 1));
    EXPECT_EQ(platform::FormatDateTime(value, QStringLiteral("hh ss mm")),
              QStringLiteral("23 01 12"));
    EXPECT_EQ(platform::FormatDateTime(value, QStringLiteral("yyyy-mm-dd hh.mm")),
              QStringLiteral("2024-12-31 23.59"));
    EXPECT_EQ(platform::FormatDateTime(value, QStringLiteral("MM/DD/YYYY HH:MM")),
              QStringLiteral("12/31/2024 23:59"));
}

TEST(FormatDateTime, CopiesOtherCharacters) {
    const QDateTime value(QDate(2024, 6, 7), QTime(8, 9));
    EXPECT_EQ(platform::FormatDateTime(value, QStringLiteral("Report: d/m, at hh:mm!")),
              QStringLiteral("Report: 7/6, at 08:09!"));
}

TEST(Environment, ReportsThisSystemAndItsRevision) {
    const platform::EnvironmentInfo info = platform::GetEnvironment();
#if defined(Q_OS_LINUX)
    EXPECT_EQ(info.ostype, platform::OSType::Linux);
#elif defined(Q_OS_WIN)
    EXPECT_EQ(info.ostype, platform::OSType::WindowsNT);
#elif defined(Q_OS_MACOS)
    EXPECT_EQ(info.ostype, platform::OSType::MacOS);
#endif
    EXPECT_GT(info.majorRevision, 0);
    EXPECT_GE(info.minorRevision, 0);
}

} // namespace
