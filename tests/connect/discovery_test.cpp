#include "connect/discovery.h"
#include "connect/logon_driver.h"
#include "connect/w_logon.h"
#include "platform/events.h"
#include "platform/pointer.h"
#include "support/permissions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace app;
using namespace testsupport;

TEST(DiscoveryText, DataSourceNameIsTheTextBeforeTheFirstEqualsUnchanged) {
    EXPECT_EQ(dataSourceName(QStringLiteral("Sample DB=IBM DB2 ODBC DRIVER")),
              QStringLiteral("Sample DB"));
    EXPECT_EQ(dataSourceName(QStringLiteral("Name = Driver")), QStringLiteral("Name "));
    EXPECT_EQ(dataSourceName(QStringLiteral(" lower=a=b")), QStringLiteral(" lower"));
    EXPECT_EQ(dataSourceName(QStringLiteral("=nameless")), QString());
    EXPECT_EQ(dataSourceName(QStringLiteral("NoDescription")), QStringLiteral("NoDescription"));
}

TEST(DiscoveryText, VendorsSplitAtEveryCommaAndKeepTheirBlanks) {
    EXPECT_EQ(splitVendors(QStringLiteral("ODBC,SYC")),
              (QStringList{QStringLiteral("ODBC"), QStringLiteral("SYC")}));
    EXPECT_EQ(splitVendors(QStringLiteral("ODBC, SYC")),
              (QStringList{QStringLiteral("ODBC"), QStringLiteral(" SYC")}));
    EXPECT_EQ(splitVendors(QStringLiteral("ODBC")), QStringList{QStringLiteral("ODBC")});
    EXPECT_EQ(splitVendors(QString()), QStringList{QString()});
    EXPECT_EQ(splitVendors(QStringLiteral(",A,,")),
              (QStringList{QString(), QStringLiteral("A"), QString(), QString()}));
}

TEST(DiscoveryText, ProfilesAreTheNamesClosedByAnApostrophe) {
    EXPECT_EQ(scanProfiles(QStringLiteral("A','B'")),
              (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(scanProfiles(QStringLiteral("Sample DB','x y'tail")),
              (QStringList{QStringLiteral("Sample DB"), QStringLiteral("x y")}))
        << "text after the last apostrophe is no name";
    EXPECT_EQ(scanProfiles(QStringLiteral("A'")), QStringList{QStringLiteral("A")});
    // The scan starts at the first character: an opening apostrophe closes an empty name, and
    // the next name starts behind the two characters that follow it.
    const QStringList quoted = scanProfiles(QStringLiteral("'A','B'"));
    ASSERT_FALSE(quoted.isEmpty());
    EXPECT_EQ(quoted.first(), QString());
    EXPECT_EQ(quoted, (QStringList{QString(), QStringLiteral(",")}));
    EXPECT_TRUE(scanProfiles(QString()).isEmpty());
    EXPECT_TRUE(scanProfiles(QStringLiteral("no apostrophe")).isEmpty());
}

TEST(DiscoveryText, LocalDrivesAreSingleLettersFromCToE) {
    EXPECT_EQ(localDriveLetters({QStringLiteral("[-a-]"), QStringLiteral("[-c-]"),
                                 QStringLiteral("[-d-]"), QStringLiteral("[-e-]")}),
              (QStringList{QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("e")}));
    EXPECT_TRUE(localDriveLetters({QStringLiteral("[-b-]"), QStringLiteral("[-f-]"),
                                   QStringLiteral("[-z-]"), QStringLiteral("[-cd-]")})
                    .isEmpty());
}

namespace {

// Drive c is a home folder of the test's own:
//   Pb.Ini                 Vendors and PROFILES that the logon reads
//   [..x                   a file whose entry looks like a way up
//   a/PB.INI  a/up -> ..   a/deeper/pb.ini
//   b/pb.ini  b/pb.ini.bak b/xpb.ini
//   loop -> (home)         a link back to the home folder
//   locked/pb.ini          in a folder that cannot be read
//   a\..\b  a\..\..\<out>  folders whose names hold backslashes, read as separators a
//                          way back into b and out to a folder beside the home folder
class ProfileSearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        QDir home(home_.path());
        ASSERT_TRUE(home.mkpath(QStringLiteral("a/deeper")) && home.mkpath(QStringLiteral("b")) &&
                    home.mkpath(QStringLiteral("locked")));
        write(QStringLiteral("Pb.Ini"),
              "[Database]\nVendors=ODBC, SYC\n[DBMS_PROFILES]\nPROFILES=A','B'\n");
        write(QStringLiteral("a/PB.INI"), "[Database]\nVendors=NOT,READ\n");
        write(QStringLiteral("a/deeper/pb.ini"), "");
        write(QStringLiteral("b/pb.ini"), "");
        write(QStringLiteral("b/pb.ini.bak"), "");
        write(QStringLiteral("b/xpb.ini"), "");
        write(QStringLiteral("[..x"), "");
        write(QStringLiteral("locked/pb.ini"), "");
        // Names that read as a way out of the folder, or back into it, once "\" is taken for
        // a separator: they are folders like any other here, and are not followed.
        ASSERT_TRUE(outside_.isValid());
        QFile outsideProfile(QDir(outside_.path()).filePath(QStringLiteral("pb.ini")));
        ASSERT_TRUE(outsideProfile.open(QIODevice::WriteOnly));
        ASSERT_TRUE(
            home.mkdir(QStringLiteral("a\\..\\b")) &&
            home.mkdir(QStringLiteral("a\\..\\..\\") + QFileInfo(outside_.path()).fileName()));
        ASSERT_TRUE(QFile::link(QStringLiteral(".."), home.filePath(QStringLiteral("a/up"))));
        ASSERT_TRUE(QFile::link(home_.path(), home.filePath(QStringLiteral("loop"))));
        ASSERT_TRUE(QFile::setPermissions(home.filePath(QStringLiteral("locked")), {}));
    }
    void TearDown() override {
        QFile::setPermissions(home_.filePath(QStringLiteral("locked")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        platform::destroyWindows();
        if (platform::halted())
            forgetHaltClose();
    }

    void write(const QString& name, const QByteArray& text) {
        QFile file(home_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTemporaryDir home_;
    QTemporaryDir outside_;
    ScopedEnvironment homeVariable{"HOME", home_.path()};
};

} // namespace

TEST_F(ProfileSearch, FindsEveryPbIniDepthFirstReadsTheFirstAndAppendsOnASecondRun) {
    // A frame for the status line, as at run time.
    cancelLogon();
    ASSERT_EQ(platform::Open(QStringLiteral("w_frame")), 1);
    platform::Frame* frame = platform::currentFrame();
    ASSERT_NE(frame, nullptr);

    w_logon logon;
    // Earlier lists are written over from index 1, not emptied.
    logon.istr_ini.ss_database = {QStringLiteral("x1"), QStringLiteral("x2"), QStringLiteral("x3")};
    logon.istr_ini.ss_profile = {QStringLiteral("p1"), QStringLiteral("p2"), QStringLiteral("p3")};
    // Every level lists its folder while "Please wait..." and the hourglass show.
    QStringList whileListing;
    QObject::connect(logon.lb_1->model(), &QAbstractItemModel::rowsInserted, &logon, [&] {
        whileListing << frame->microHelp() +
                            (platform::currentPointer() == platform::Pointer::HourGlass
                                 ? QStringLiteral(" hourglass")
                                 : QStringLiteral(" arrow"));
    });

    const QDir locked(home_.filePath(QStringLiteral("locked")));
    {
        WithoutReadingPastPermissions asAnyUser;
        if (!locked.entryList(QDir::Files).isEmpty())
            GTEST_SKIP() << "this process reads a folder without permissions (root that could "
                            "not give up its capabilities)";
        EXPECT_EQ(platform::TriggerEvent(&logon, "ue_get_ini"), 1);
    }

    const QStringList found{QStringLiteral("c:/Pb.Ini"), QStringLiteral("c:/a/PB.INI"),
                            QStringLiteral("c:/a/deeper/pb.ini"), QStringLiteral("c:/b/pb.ini")};
    EXPECT_EQ(logon.is_files.items(), found);
    EXPECT_EQ(logon.il_index, 4);
    EXPECT_EQ(logon.istr_ini.ss_database.items(),
              (QStringList{QStringLiteral("ODBC"), QStringLiteral(" SYC"), QStringLiteral("x3")}));
    EXPECT_EQ(logon.istr_ini.ss_profile.items(),
              (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("p3")}));
    // Home, a, a/deeper, b, and the locked folder, which lists nothing.
    EXPECT_EQ(whileListing, repeated(4, QStringLiteral("Please wait... hourglass")));
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready"));
    EXPECT_EQ(platform::currentPointer(), platform::Pointer::Arrow);

    // A second run appends the same files again; the file read stays the first one found.
    QFile::setPermissions(locked.path(), QFile::ReadOwner | QFile::ExeOwner);
    write(QStringLiteral("Pb.Ini"), "[Database]\nVendors=CHANGED\n");
    QFile::rename(home_.filePath(QStringLiteral("Pb.Ini")),
                  home_.filePath(QStringLiteral("b/PB.ini")));
    EXPECT_EQ(platform::TriggerEvent(&logon, "ue_get_ini"), 1);
    EXPECT_EQ(logon.il_index, 9);
    EXPECT_EQ(logon.is_files.items().mid(0, 4), found);
    EXPECT_EQ(logon.is_files.items().mid(4),
              (QStringList{QStringLiteral("c:/a/PB.INI"), QStringLiteral("c:/a/deeper/pb.ini"),
                           QStringLiteral("c:/b/PB.ini"), QStringLiteral("c:/b/pb.ini"),
                           QStringLiteral("c:/locked/pb.ini")}));
    EXPECT_EQ(logon.istr_ini.ss_database.items(),
              (QStringList{QString(), QStringLiteral(" SYC"), QStringLiteral("x3")}))
        << "c:/Pb.Ini is gone: its reads yield nothing";
}

TEST(LogonDrives, LogonKeepsDrivesCAndDWhenItOpens) {
    QStringList drives;
    QStringList entries;
    whenModal<w_logon>([&](w_logon* logon) {
        drives = logon->is_drives.items();
        for (int i = 1; i <= logon->lb_1->TotalItems(); ++i)
            entries << logon->lb_1->Text(i);
        QTest::mouseClick(logon->cb_cancel, Qt::LeftButton);
    });
    platform::Open(QStringLiteral("w_logon"));
    EXPECT_EQ(drives, (QStringList{QStringLiteral("c"), QStringLiteral("d")}));
    EXPECT_EQ(entries, (QStringList{QStringLiteral("[-c-]"), QStringLiteral("[-d-]")}));
}
