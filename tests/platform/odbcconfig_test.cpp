#include "platform/odbcconfig.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::EnvironmentInfo;
using platform::OdbcDataSources;
using platform::OSType;

namespace {

QString fileFor(OSType ostype, int majorRevision) {
    EnvironmentInfo environment;
    environment.ostype = ostype;
    environment.majorRevision = majorRevision;
    return OdbcDataSources(environment).file;
}

} // namespace

TEST(OdbcDataSourceListing, WindowsRowsNameTheirFilesAndOtherSystemsHaveNone) {
    EnvironmentInfo windows95;
    windows95.ostype = OSType::Windows;
    windows95.majorRevision = 4;
    EXPECT_EQ(OdbcDataSources(windows95).file, u"c:\\windows\\odbc.ini"_qs);
    EXPECT_EQ(OdbcDataSources(windows95).header, u"[ODBC 32 bit Data Sources]"_qs);
    EXPECT_EQ(fileFor(OSType::WindowsNT, 4), u"c:\\winnt\\odbc.ini"_qs);
    EXPECT_EQ(fileFor(OSType::WindowsNT, 10), u"c:\\winnt\\odbc.ini"_qs);
    EXPECT_TRUE(fileFor(OSType::Windows, 3).isEmpty());
    EXPECT_TRUE(fileFor(OSType::MacOS, 14).isEmpty());
    EXPECT_TRUE(fileFor(OSType::Other, 0).isEmpty());
}

TEST(OdbcDataSourceListing, LinuxTakesOdbciniThenTheUsersFileThenTheSystemFile) {
    EXPECT_EQ(platform::GetEnvironment().ostype, OSType::Linux);
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    testsupport::ScopedEnvironment homeVariable("HOME", home.path());
    const QString chosen = home.filePath(u"chosen.ini"_qs);
    {
        testsupport::ScopedEnvironment odbcini("ODBCINI", chosen);
        EXPECT_EQ(OdbcDataSources(platform::GetEnvironment()).file, chosen)
            << "taken as set, whether it is there or not";
        EXPECT_EQ(OdbcDataSources(platform::GetEnvironment()).header, u"[ODBC Data Sources]"_qs);
    }
    testsupport::ScopedEnvironment noOdbcini("ODBCINI", QString());
    EXPECT_EQ(fileFor(OSType::Linux, 6), u"/etc/odbc.ini"_qs);
    QFile user(home.filePath(u".odbc.ini"_qs));
    ASSERT_TRUE(user.open(QIODevice::WriteOnly));
    user.close();
    EXPECT_EQ(fileFor(OSType::Linux, 6), user.fileName());
}
