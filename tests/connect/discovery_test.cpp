#include "connect/discovery.h"
#include "connect/logon_driver.h"
#include "connect/w_logon.h"
#include "platform/events.h"
#include "platform/pointer.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace app;
using namespace testsupport;

TEST(DiscoveryText, DataSourceNameIsTheTextBeforeTheFirstEqualsUnchanged) {
    EXPECT_EQ(dataSourceName(u"Sample DB=IBM DB2 ODBC DRIVER"_qs), u"Sample DB"_qs);
    EXPECT_EQ(dataSourceName(u"Name = Driver"_qs), u"Name "_qs);
    EXPECT_EQ(dataSourceName(u" lower=a=b"_qs), u" lower"_qs);
    EXPECT_EQ(dataSourceName(u"=nameless"_qs), QString());
    EXPECT_EQ(dataSourceName(u"NoDescription"_qs), u"NoDescription"_qs);
}

TEST(DiscoveryText, VendorsSplitAtEveryCommaAndKeepTheirBlanks) {
    EXPECT_EQ(splitVendors(u"ODBC,SYC"_qs), (QStringList{u"ODBC"_qs, u"SYC"_qs}));
    EXPECT_EQ(splitVendors(u"ODBC, SYC"_qs), (QStringList{u"ODBC"_qs, u" SYC"_qs}));
    EXPECT_EQ(splitVendors(u"ODBC"_qs), QStringList{u"ODBC"_qs});
    EXPECT_EQ(splitVendors(QString()), QStringList{QString()});
    EXPECT_EQ(splitVendors(u",A,,"_qs), (QStringList{QString(), u"A"_qs, QString(), QString()}));
}

TEST(DiscoveryText, ProfilesAreTheNamesClosedByAnApostrophe) {
    EXPECT_EQ(scanProfiles(u"A','B'"_qs), (QStringList{u"A"_qs, u"B"_qs}));
    EXPECT_EQ(scanProfiles(u"Sample DB','x y'tail"_qs), (QStringList{u"Sample DB"_qs, u"x y"_qs}))
        << "text after the last apostrophe is no name";
    EXPECT_EQ(scanProfiles(u"A'"_qs), QStringList{u"A"_qs});
    // The scan starts at the first character: an opening apostrophe closes an empty name, and
    // the next name starts behind the two characters that follow it.
    const QStringList quoted = scanProfiles(u"'A','B'"_qs);
    ASSERT_FALSE(quoted.isEmpty());
    EXPECT_EQ(quoted.first(), QString());
    EXPECT_EQ(quoted, (QStringList{QString(), u","_qs}));
    EXPECT_TRUE(scanProfiles(QString()).isEmpty());
    EXPECT_TRUE(scanProfiles(u"no apostrophe"_qs).isEmpty());
}

TEST(DiscoveryText, LocalDrivesAreSingleLettersFromCToE) {
    EXPECT_EQ(localDriveLetters({u"[-a-]"_qs, u"[-c-]"_qs, u"[-d-]"_qs, u"[-e-]"_qs}),
              (QStringList{u"c"_qs, u"d"_qs, u"e"_qs}));
    EXPECT_TRUE(localDriveLetters({u"[-b-]"_qs, u"[-f-]"_qs, u"[-z-]"_qs, u"[-cd-]"_qs}).isEmpty());
}

namespace {

// Root reads every folder whatever its permissions, through two capabilities; this thread
// gives them up while it lives, so that a folder without permissions is unreadable for it too.
class WithoutReadingPastPermissions {
public:
    WithoutReadingPastPermissions() {
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutReadingPastPermissions() {
        if (dropped_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    WithoutReadingPastPermissions(const WithoutReadingPastPermissions&) = delete;
    WithoutReadingPastPermissions& operator=(const WithoutReadingPastPermissions&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

// Drive c is a home folder of the test's own:
//   Pb.Ini                 Vendors and PROFILES that the logon reads
//   [..x                   a file whose entry looks like a way up
//   a/PB.INI  a/up -> ..   a/deeper/pb.ini
//   b/pb.ini  b/pb.ini.bak b/xpb.ini
//   loop -> (home)         a link back to the home folder
//   locked/pb.ini          in a folder that cannot be read
class ProfileSearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        QDir home(home_.path());
        ASSERT_TRUE(home.mkpath(u"a/deeper"_qs) && home.mkpath(u"b"_qs) &&
                    home.mkpath(u"locked"_qs));
        write(u"Pb.Ini"_qs, "[Database]\nVendors=ODBC, SYC\n[DBMS_PROFILES]\nPROFILES=A','B'\n");
        write(u"a/PB.INI"_qs, "[Database]\nVendors=NOT,READ\n");
        write(u"a/deeper/pb.ini"_qs, "");
        write(u"b/pb.ini"_qs, "");
        write(u"b/pb.ini.bak"_qs, "");
        write(u"b/xpb.ini"_qs, "");
        write(u"[..x"_qs, "");
        write(u"locked/pb.ini"_qs, "");
        ASSERT_TRUE(QFile::link(u".."_qs, home.filePath(u"a/up"_qs)));
        ASSERT_TRUE(QFile::link(home_.path(), home.filePath(u"loop"_qs)));
        ASSERT_TRUE(QFile::setPermissions(home.filePath(u"locked"_qs), {}));
    }
    void TearDown() override {
        QFile::setPermissions(home_.filePath(u"locked"_qs),
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
    ScopedEnvironment homeVariable{"HOME", home_.path()};
};

} // namespace

TEST_F(ProfileSearch, FindsEveryPbIniDepthFirstReadsTheFirstAndAppendsOnASecondRun) {
    // A frame for the status line, as at run time.
    cancelLogon();
    ASSERT_EQ(platform::Open(u"w_frame"_qs), 1);
    platform::Frame* frame = platform::currentFrame();
    ASSERT_NE(frame, nullptr);

    w_logon logon;
    // Earlier lists are written over from index 1, not emptied.
    logon.istr_ini.ss_database = {u"x1"_qs, u"x2"_qs, u"x3"_qs};
    logon.istr_ini.ss_profile = {u"p1"_qs, u"p2"_qs, u"p3"_qs};
    // Every level lists its folder while "Please wait..." and the hourglass show.
    QStringList whileListing;
    QObject::connect(logon.lb_1->model(), &QAbstractItemModel::rowsInserted, &logon, [&] {
        whileListing << frame->microHelp() +
                            (platform::currentPointer() == platform::Pointer::HourGlass
                                 ? u" hourglass"_qs
                                 : u" arrow"_qs);
    });

    const QDir locked(home_.filePath(u"locked"_qs));
    {
        WithoutReadingPastPermissions asAnyUser;
        if (!locked.entryList(QDir::Files).isEmpty())
            GTEST_SKIP() << "this process reads a folder without permissions (root that could "
                            "not give up its capabilities)";
        EXPECT_EQ(platform::TriggerEvent(&logon, "ue_get_ini"), 1);
    }

    const QStringList found{u"c:/Pb.Ini"_qs, u"c:/a/PB.INI"_qs, u"c:/a/deeper/pb.ini"_qs,
                            u"c:/b/pb.ini"_qs};
    EXPECT_EQ(logon.is_files.items(), found);
    EXPECT_EQ(logon.il_index, 4);
    EXPECT_EQ(logon.istr_ini.ss_database.items(), (QStringList{u"ODBC"_qs, u" SYC"_qs, u"x3"_qs}));
    EXPECT_EQ(logon.istr_ini.ss_profile.items(), (QStringList{u"A"_qs, u"B"_qs, u"p3"_qs}));
    // Home, a, a/deeper, b, and the locked folder, which lists nothing.
    EXPECT_EQ(whileListing, QStringList(4, u"Please wait... hourglass"_qs));
    EXPECT_EQ(frame->microHelp(), u"Ready"_qs);
    EXPECT_EQ(platform::currentPointer(), platform::Pointer::Arrow);

    // A second run appends the same files again; the file read stays the first one found.
    QFile::setPermissions(locked.path(), QFile::ReadOwner | QFile::ExeOwner);
    write(u"Pb.Ini"_qs, "[Database]\nVendors=CHANGED\n");
    QFile::rename(home_.filePath(u"Pb.Ini"_qs), home_.filePath(u"b/PB.ini"_qs));
    EXPECT_EQ(platform::TriggerEvent(&logon, "ue_get_ini"), 1);
    EXPECT_EQ(logon.il_index, 9);
    EXPECT_EQ(logon.is_files.items().sliced(0, 4), found);
    EXPECT_EQ(logon.is_files.items().sliced(4),
              (QStringList{u"c:/a/PB.INI"_qs, u"c:/a/deeper/pb.ini"_qs, u"c:/b/PB.ini"_qs,
                           u"c:/b/pb.ini"_qs, u"c:/locked/pb.ini"_qs}));
    EXPECT_EQ(logon.istr_ini.ss_database.items(), (QStringList{QString(), u" SYC"_qs, u"x3"_qs}))
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
    platform::Open(u"w_logon"_qs);
    EXPECT_EQ(drives, (QStringList{u"c"_qs, u"d"_qs}));
    EXPECT_EQ(entries, (QStringList{u"[-c-]"_qs, u"[-d-]"_qs}));
}
