#include "platform/dirlist.h"
#include "support/permissions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace platform::DirListType;

// A directory with one of everything a listing must tell apart.
class DirListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        touch(QStringLiteral("b.txt"));
        touch(QStringLiteral("A.INI"));
        touch(QStringLiteral("noext"));
        touch(QStringLiteral(".hidden"));
        touch(QStringLiteral("ro.txt"));
        ASSERT_TRUE(QFile::setPermissions(path(QStringLiteral("ro.txt")),
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QDir root(dir_.path());
        ASSERT_TRUE(root.mkdir(QStringLiteral("sub")));
        ASSERT_TRUE(root.mkdir(QStringLiteral(".hdir")));
        ASSERT_TRUE(QFile::link(path(QStringLiteral("sub")), path(QStringLiteral("linkdir"))));
        ASSERT_TRUE(QFile::link(path(QStringLiteral("b.txt")), path(QStringLiteral("linkfile"))));
        ASSERT_TRUE(QFile::link(path(QStringLiteral("gone")), path(QStringLiteral("dangling"))));
        ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("pipe"))).constData(), 0644), 0);
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString all() const { return dir_.filePath(QStringLiteral("*.*")); }

    void touch(const QString& name) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QTemporaryDir dir_;
};

TEST_F(DirListTest, ListsFilesBareAndDirectoriesInBracketsParentFirst) {
    EXPECT_EQ(platform::DirList(all(), Directories | Archive),
              (QStringList{QStringLiteral("[..]"), QStringLiteral("[sub]"), QStringLiteral("A.INI"),
                           QStringLiteral("b.txt"), QStringLiteral("linkfile"),
                           QStringLiteral("noext"), QStringLiteral("ro.txt")}));
}

TEST_F(DirListTest, ReadWriteAloneListsFilesButNoDirectories) {
    EXPECT_EQ(
        platform::DirList(all(), ReadWrite),
        (QStringList{QStringLiteral("A.INI"), QStringLiteral("b.txt"), QStringLiteral("linkfile"),
                     QStringLiteral("noext"), QStringLiteral("ro.txt")}));
}

TEST_F(DirListTest, WildcardMatchesWithoutCaseAndAppliesToDirectoriesToo) {
    EXPECT_EQ(platform::DirList(dir_.filePath(QStringLiteral("*.ini")), Directories),
              QStringList{QStringLiteral("A.INI")});
    EXPECT_EQ(platform::DirList(dir_.filePath(QStringLiteral("s*")), Directories),
              QStringList{QStringLiteral("[sub]")});
    EXPECT_EQ(platform::DirList(dir_.filePath(QStringLiteral("B.TXT")), ReadWrite),
              QStringList{QStringLiteral("b.txt")});
}

TEST_F(DirListTest, BackslashSeparatesTheWildcardAsWell) {
    EXPECT_EQ(platform::DirList(dir_.path() + QStringLiteral("\\*.*"), Directories | Archive),
              platform::DirList(all(), Directories | Archive));
}

TEST_F(DirListTest, HiddenAndSystemEntriesNeedTheirBits) {
    const QStringList plain = platform::DirList(all(), Directories | Archive);
    EXPECT_FALSE(plain.contains(QStringLiteral(".hidden")));
    EXPECT_FALSE(plain.contains(QStringLiteral("[.hdir]")));
    EXPECT_FALSE(plain.contains(QStringLiteral("pipe")));

    const QStringList hidden = platform::DirList(all(), Directories | Archive | Hidden);
    EXPECT_TRUE(hidden.contains(QStringLiteral(".hidden")));
    EXPECT_TRUE(hidden.contains(QStringLiteral("[.hdir]")));
    EXPECT_FALSE(hidden.contains(QStringLiteral("pipe")));

    EXPECT_TRUE(platform::DirList(all(), System).contains(QStringLiteral("pipe")));
}

TEST_F(DirListTest, ExclusiveListsOnlyTheNamedTypes) {
    EXPECT_EQ(platform::DirList(all(), Directories | Exclusive),
              (QStringList{QStringLiteral("[..]"), QStringLiteral("[sub]")}));
    EXPECT_EQ(platform::DirList(all(), ReadOnly | Exclusive),
              QStringList{QStringLiteral("ro.txt")});
    EXPECT_EQ(platform::DirList(all(), System | Exclusive), QStringList{QStringLiteral("pipe")});
    EXPECT_EQ(
        platform::DirList(all(), Archive | Exclusive),
        (QStringList{QStringLiteral("A.INI"), QStringLiteral("b.txt"), QStringLiteral("linkfile"),
                     QStringLiteral("noext"), QStringLiteral("ro.txt")}));
    EXPECT_EQ(platform::DirList(all(), Hidden | Exclusive), QStringList{QStringLiteral(".hidden")});
}

TEST_F(DirListTest, NeverListsALinkToADirectoryOrABrokenLink) {
    const QStringList everything =
        platform::DirList(all(), ReadOnly | Hidden | System | Directories | Archive);
    EXPECT_FALSE(everything.contains(QStringLiteral("[linkdir]")));
    EXPECT_FALSE(everything.contains(QStringLiteral("linkdir")));
    EXPECT_FALSE(everything.contains(QStringLiteral("dangling")));
    EXPECT_FALSE(everything.contains(QStringLiteral("[dangling]")));
    EXPECT_TRUE(everything.contains(QStringLiteral("linkfile")));
}

TEST_F(DirListTest, DrivesComeLastAndAloneWhenOnlyDrivesAreAsked) {
    const QStringList drives{QStringLiteral("[-c-]"), QStringLiteral("[-d-]")};
    const QStringList withFiles = platform::DirList(all(), Archive | Drives);
    ASSERT_GT(withFiles.size(), 2);
    EXPECT_EQ(withFiles.mid(withFiles.size() - 2), drives);
    EXPECT_TRUE(withFiles.contains(QStringLiteral("b.txt")));

    EXPECT_EQ(platform::DirList(all(), Drives), drives);
    EXPECT_EQ(platform::DirList(QStringLiteral("*.*"), Drives | Exclusive), drives);
}

TEST_F(DirListTest, RootHasNoParentEntry) {
    const QStringList root = platform::DirList(QStringLiteral("/*.*"), Directories | Exclusive);
    EXPECT_FALSE(root.isEmpty());
    EXPECT_FALSE(root.contains(QStringLiteral("[..]")));
}

TEST_F(DirListTest, BarePatternListsTheCurrentDirectory) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(path(QStringLiteral("sub"))));
    touch(QStringLiteral("sub/inside.ini"));
    const QStringList listed = platform::DirList(QStringLiteral("*.*"), Directories | Archive);
    QDir::setCurrent(previous);
    EXPECT_EQ(listed, (QStringList{QStringLiteral("[..]"), QStringLiteral("inside.ini")}));
}

TEST_F(DirListTest, MissingDirectoryOrAFileGivesNothing) {
    EXPECT_TRUE(
        platform::DirList(path(QStringLiteral("missing/*.*")), Directories | Archive | Drives)
            .isEmpty());
    EXPECT_TRUE(
        platform::DirList(path(QStringLiteral("b.txt/*.*")), Directories | Archive).isEmpty());
}

TEST_F(DirListTest, UnreadableDirectoryGivesNothing) {
    ASSERT_TRUE(QFile::setPermissions(path(QStringLiteral("sub")), QFile::WriteOwner));
    {
        testsupport::WithoutReadingPastPermissions asAnyUser;
        if (!QDir(path(QStringLiteral("sub")))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                 .isEmpty())
            GTEST_SKIP() << "this process reads a folder without permissions (root that could "
                            "not give up its capabilities)";
        EXPECT_TRUE(
            platform::DirList(path(QStringLiteral("sub/*.*")), Directories | Archive).isEmpty());
    }
    QFile::setPermissions(path(QStringLiteral("sub")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace
