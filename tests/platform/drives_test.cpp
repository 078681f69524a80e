#include "platform/dirlist.h"
#include "platform/drives.h"
#include "platform/linefile.h"
#include "platform/profile.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform::DirListType;

namespace {

// A home folder of the test's own, so that drive c is a folder it made.
class DrivesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        ASSERT_TRUE(QDir(home_.path()).mkpath(QStringLiteral("sub/deeper")));
        QFile ini(home_.filePath(QStringLiteral("sub/PB.INI")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Database]\nVendors=ODBC\n");
    }

    QTemporaryDir home_;
    testsupport::ScopedEnvironment homeVariable{"HOME", home_.path()};
};

TEST_F(DrivesTest, DriveCIsTheHomeFolderAndDriveDTheRootForEveryFileFunction) {
    EXPECT_EQ(platform::Drives().size(), 2);
    EXPECT_EQ(platform::LocalPath(QStringLiteral("c:")), home_.path());
    EXPECT_EQ(platform::LocalPath(QStringLiteral("C:\\sub\\PB.INI")),
              home_.filePath(QStringLiteral("sub/PB.INI")));
    EXPECT_EQ(platform::LocalPath(QStringLiteral("d:")), QStringLiteral("/"));
    EXPECT_EQ(platform::LocalPath(QStringLiteral("d:/tmp")), QStringLiteral("/tmp"));
    // No drive, or a letter that names none: the path is this system's own.
    for (const QString& path : {QStringLiteral("e:/x"), QStringLiteral("/tmp/a\\b"),
                                QStringLiteral("c"), QStringLiteral("rel/c:")})
        EXPECT_EQ(platform::LocalPath(path), path);

    EXPECT_EQ(platform::DirList(QStringLiteral("c:/*.*"), Directories | Archive),
              (QStringList{QStringLiteral("[..]"), QStringLiteral("[sub]")}));
    EXPECT_EQ(platform::DirList(QStringLiteral("c:/sub/*.*"), Directories | Archive),
              (QStringList{QStringLiteral("[..]"), QStringLiteral("[deeper]"),
                           QStringLiteral("PB.INI")}));
    EXPECT_EQ(platform::DirList(QStringLiteral("d:/*.*"), Directories),
              platform::DirList(QStringLiteral("/*.*"), Directories));

    EXPECT_TRUE(platform::FileExists(QStringLiteral("c:/sub/PB.INI")));
    EXPECT_TRUE(platform::FileExists(QStringLiteral("c:\\sub\\PB.INI")));
    EXPECT_FALSE(platform::FileExists(QStringLiteral("c:/sub")));
    platform::LineFile file;
    EXPECT_TRUE(file.open(QStringLiteral("c:/sub/PB.INI")));
    EXPECT_EQ(platform::ProfileString(QStringLiteral("c:/sub/PB.INI"), QStringLiteral("Database"),
                                      QStringLiteral("Vendors"), {}),
              QStringLiteral("ODBC"));
}

TEST(KernelFolders, ListNothingWhereverTheyAreReachedFrom) {
    const unsigned everything = ReadOnly | Hidden | System | Directories | Archive;
    for (const QString& pattern :
         {QStringLiteral("/proc/*.*"), QStringLiteral("/proc/self/*.*"), QStringLiteral("/sys/*.*"),
          QStringLiteral("/dev/*.*"), QStringLiteral("/run/*.*"), QStringLiteral("d:/proc/*.*"),
          QStringLiteral("/tmp/../proc/*.*")}) {
        EXPECT_TRUE(platform::DirList(pattern, everything).isEmpty()) << pattern.toStdString();
    }
    EXPECT_FALSE(platform::DirList(QStringLiteral("/*.*"), Directories).isEmpty());
}

} // namespace
