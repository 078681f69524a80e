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
        ASSERT_TRUE(QDir(home_.path()).mkpath(u"sub/deeper"_qs));
        QFile ini(home_.filePath(u"sub/PB.INI"_qs));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Database]\nVendors=ODBC\n");
    }

    QTemporaryDir home_;
    testsupport::ScopedEnvironment homeVariable{"HOME", home_.path()};
};

TEST_F(DrivesTest, DriveCIsTheHomeFolderAndDriveDTheRootForEveryFileFunction) {
    EXPECT_EQ(platform::Drives().size(), 2);
    EXPECT_EQ(platform::LocalPath(u"c:"_qs), home_.path());
    EXPECT_EQ(platform::LocalPath(u"C:\\sub\\PB.INI"_qs), home_.filePath(u"sub/PB.INI"_qs));
    EXPECT_EQ(platform::LocalPath(u"d:"_qs), u"/"_qs);
    EXPECT_EQ(platform::LocalPath(u"d:/tmp"_qs), u"/tmp"_qs);
    // No drive, or a letter that names none: the path is this system's own.
    for (const QString& path : {u"e:/x"_qs, u"/tmp/a\\b"_qs, u"c"_qs, u"rel/c:"_qs})
        EXPECT_EQ(platform::LocalPath(path), path);

    EXPECT_EQ(platform::DirList(u"c:/*.*"_qs, Directories | Archive),
              (QStringList{u"[..]"_qs, u"[sub]"_qs}));
    EXPECT_EQ(platform::DirList(u"c:/sub/*.*"_qs, Directories | Archive),
              (QStringList{u"[..]"_qs, u"[deeper]"_qs, u"PB.INI"_qs}));
    EXPECT_EQ(platform::DirList(u"d:/*.*"_qs, Directories),
              platform::DirList(u"/*.*"_qs, Directories));

    EXPECT_TRUE(platform::FileExists(u"c:/sub/PB.INI"_qs));
    EXPECT_TRUE(platform::FileExists(u"c:\\sub\\PB.INI"_qs));
    EXPECT_FALSE(platform::FileExists(u"c:/sub"_qs));
    platform::LineFile file;
    EXPECT_TRUE(file.open(u"c:/sub/PB.INI"_qs));
    EXPECT_EQ(platform::ProfileString(u"c:/sub/PB.INI"_qs, u"Database"_qs, u"Vendors"_qs, {}),
              u"ODBC"_qs);
}

TEST(KernelFolders, ListNothingWhereverTheyAreReachedFrom) {
    const unsigned everything = ReadOnly | Hidden | System | Directories | Archive;
    for (const QString& pattern :
         {u"/proc/*.*"_qs, u"/proc/self/*.*"_qs, u"/sys/*.*"_qs, u"/dev/*.*"_qs, u"/run/*.*"_qs,
          u"d:/proc/*.*"_qs, u"/tmp/../proc/*.*"_qs}) {
        EXPECT_TRUE(platform::DirList(pattern, everything).isEmpty()) << pattern.toStdString();
    }
    EXPECT_FALSE(platform::DirList(u"/*.*"_qs, Directories).isEmpty());
}

} // namespace
