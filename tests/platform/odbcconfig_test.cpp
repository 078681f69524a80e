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
    EXPECT_EQ(OdbcDataSources(windows95).file, QStringLiteral("c:\\windows\\odbc.ini"));
    EXPECT_EQ(OdbcDataSources(windows95).header, QStringLiteral("[ODBC 32 bit Data Sources]"));
    EXPECT_EQ(fileFor(OSType::WindowsNT, 4), QStringLiteral("c:\\winnt\\odbc.ini"));
    EXPECT_EQ(fileFor(OSType::WindowsNT, 10), QStringLiteral("c:\\winnt\\odbc.ini"));
    EXPECT_TRUE(fileFor(OSType::Windows, 3).isEmpty());
    EXPECT_TRUE(fileFor(OSType::MacOS, 14).isEmpty());
    EXPECT_TRUE(fileFor(OSType::Other, 0).isEmpty());
}

TEST(OdbcDataSourceListing, LinuxTakesOdbciniThenTheUsersFileThenTheSystemFile) {
    EXPECT_EQ(platform::GetEnvironment().ostype, OSType::Linux);
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    testsupport::ScopedEnvironment homeVariable("HOME", home.path());
    const QString chosen = home.filePath(QStringLiteral("chosen.ini"));
    {
        testsupport::ScopedEnvironment odbcini("ODBCINI", chosen);
        EXPECT_EQ(OdbcDataSources(platform::GetEnvironment()).file, chosen)
            << "taken as set, whether it is there or not";
        EXPECT_EQ(OdbcDataSources(platform::GetEnvironment()).header,
                  QStringLiteral("[ODBC Data Sources]"));
    }
    testsupport::ScopedEnvironment noOdbcini("ODBCINI", QString());
    EXPECT_EQ(fileFor(OSType::Linux, 6), QStringLiteral("/etc/odbc.ini"));
    QFile user(home.filePath(QStringLiteral(".odbc.ini")));
    ASSERT_TRUE(user.open(QIODevice::WriteOnly));
    user.close();
    EXPECT_EQ(fileFor(OSType::Linux, 6), user.fileName());
}
