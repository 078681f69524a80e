#include "platform/memorylimit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

using platform::MemoryBounds;
constexpr std::uint64_t MiB = std::uint64_t{1} << 20;
constexpr std::uint64_t GiB = std::uint64_t{1} << 30;

TEST(MemorySize, ReadsBytesAndPowersOf1024AndRefusesTheRest) {
    using platform::parseMemorySize;
    EXPECT_EQ(parseMemorySize(QStringLiteral("512M")), 512 * MiB);
    EXPECT_EQ(parseMemorySize(QStringLiteral("2G")), 2 * GiB);
    EXPECT_EQ(parseMemorySize(QStringLiteral(" 2 gib ")), 2 * GiB);
    EXPECT_EQ(parseMemorySize(QStringLiteral("1.5G")), 3 * GiB / 2);
    EXPECT_EQ(parseMemorySize(QStringLiteral("64KB")), 64 * 1024U);
    EXPECT_EQ(parseMemorySize(QStringLiteral("3T")), 3 * 1024 * GiB);
    EXPECT_EQ(parseMemorySize(QStringLiteral("1048577")), 1048577U);
    for (const char* wrong : {"", "M", "-1", "0", "0.0001K", "1.2.3G", "12X", "2 G B",
                              "18446744073709551616", "16777216T"})
        EXPECT_EQ(parseMemorySize(QString::fromLatin1(wrong)), std::nullopt) << wrong;

    EXPECT_EQ(platform::formatMemorySize(2 * GiB), QStringLiteral("2.0 GiB"));
    EXPECT_EQ(platform::formatMemorySize(1536), QStringLiteral("1.5 KiB"));
    EXPECT_EQ(platform::formatMemorySize(1023), QStringLiteral("1023 bytes"));
}

TEST(MemoryBounds, DefaultIsHalfTheSmallestKnownBoundAndCgroupFilesAreFound) {
    using platform::defaultRowMemory;
    EXPECT_EQ(defaultRowMemory(MemoryBounds{4000000 * std::uint64_t{1024}, std::nullopt, 16 * GiB}),
              2000000 * std::uint64_t{1024});
    EXPECT_EQ(defaultRowMemory(MemoryBounds{std::nullopt, 1 * GiB, 16 * GiB}), 512 * MiB);
    EXPECT_EQ(defaultRowMemory(MemoryBounds{64 * GiB, 32 * GiB, 8 * GiB}), 4 * GiB);
    EXPECT_EQ(defaultRowMemory(MemoryBounds{}), platform::kNoRowMemoryLimit);

    using platform::parseCgroupLimit;
    EXPECT_EQ(parseCgroupLimit(QStringLiteral("536870912\n")), 512 * MiB);
    EXPECT_EQ(parseCgroupLimit(QStringLiteral("max\n")), std::nullopt);
    EXPECT_EQ(parseCgroupLimit(QStringLiteral("9223372036854771712\n")), std::nullopt)
        << "v1 without a limit";

    using platform::cgroupMemoryFile;
    const QString root = QStringLiteral("/cg");
    EXPECT_EQ(cgroupMemoryFile(QStringLiteral("0::/user.slice/app-1.scope\n"), root),
              QStringLiteral("/cg/user.slice/app-1.scope/memory.max"));
    EXPECT_EQ(cgroupMemoryFile(QStringLiteral("0::/\n"), root), QStringLiteral("/cg/memory.max"));
    EXPECT_EQ(
        cgroupMemoryFile(
            QStringLiteral("5:cpu,cpuacct:/docker/a\n4:memory:/docker/a\n0::/docker/a\n"), root),
        QStringLiteral("/cg/memory/docker/a/memory.limit_in_bytes"));
    EXPECT_EQ(cgroupMemoryFile(QStringLiteral("3:cpu:/x\n"), root), QString());
}

TEST(RowMemoryLimit, SetLimitWinsOverTheEnvironmentWhichWinsOverTheDefault) {
    const testsupport::ScopedEnvironment size("DORVANE_ROW_MEMORY", QStringLiteral("3M"));
    platform::setRowMemoryLimit(0);
    EXPECT_EQ(platform::rowMemoryLimit(), 3 * MiB);
    platform::setRowMemoryLimit(5 * MiB);
    EXPECT_EQ(platform::rowMemoryLimit(), 5 * MiB);
    {
        const testsupport::ScopedEnvironment wrong("DORVANE_ROW_MEMORY", QStringLiteral("lots"));
        platform::setRowMemoryLimit(0);
        EXPECT_EQ(platform::rowMemoryLimit(),
                  platform::defaultRowMemory(platform::memoryBoundsOfProcess()));
    }
    platform::setRowMemoryLimit(0);
}

} // namespace
