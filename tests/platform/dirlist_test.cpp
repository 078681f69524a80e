#include "platform/dirlist.h"

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
        touch(u"b.txt"_qs);
        touch(u"A.INI"_qs);
        touch(u"noext"_qs);
        touch(u".hidden"_qs);
        touch(u"ro.txt"_qs);
        ASSERT_TRUE(QFile::setPermissions(path(u"ro.txt"_qs),
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QDir root(dir_.path());
        ASSERT_TRUE(root.mkdir(u"sub"_qs));
        ASSERT_TRUE(root.mkdir(u".hdir"_qs));
        ASSERT_TRUE(QFile::link(path(u"sub"_qs), path(u"linkdir"_qs)));
        ASSERT_TRUE(QFile::link(path(u"b.txt"_qs), path(u"linkfile"_qs)));
        ASSERT_TRUE(QFile::link(path(u"gone"_qs), path(u"dangling"_qs)));
        ASSERT_EQ(::mkfifo(QFile::encodeName(path(u"pipe"_qs)).constData(), 0644), 0);
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString all() const { return dir_.filePath(u"*.*"_qs); }

    void touch(const QString& name) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QTemporaryDir dir_;
};

TEST_F(DirListTest, ListsFilesBareAndDirectoriesInBracketsParentFirst) {
    EXPECT_EQ(platform::DirList(all(), Directories | Archive),
              (QStringList{u"[..]"_qs, u"[sub]"_qs, u"A.INI"_qs, u"b.txt"_qs, u"linkfile"_qs,
                           u"noext"_qs, u"ro.txt"_qs}));
}

TEST_F(DirListTest, ReadWriteAloneListsFilesButNoDirectories) {
    EXPECT_EQ(platform::DirList(all(), ReadWrite),
              (QStringList{u"A.INI"_qs, u"b.txt"_qs, u"linkfile"_qs, u"noext"_qs, u"ro.txt"_qs}));
}

TEST_F(DirListTest, WildcardMatchesWithoutCaseAndAppliesToDirectoriesToo) {
    EXPECT_EQ(platform::DirList(dir_.filePath(u"*.ini"_qs), Directories), QStringList{u"A.INI"_qs});
    EXPECT_EQ(platform::DirList(dir_.filePath(u"s*"_qs), Directories), QStringList{u"[sub]"_qs});
    EXPECT_EQ(platform::DirList(dir_.filePath(u"B.TXT"_qs), ReadWrite), QStringList{u"b.txt"_qs});
}

TEST_F(DirListTest, BackslashSeparatesTheWildcardAsWell) {
    EXPECT_EQ(platform::DirList(dir_.path() + u"\\*.*"_qs, Directories | Archive),
              platform::DirList(all(), Directories | Archive));
}

TEST_F(DirListTest, HiddenAndSystemEntriesNeedTheirBits) {
    const QStringList plain = platform::DirList(all(), Directories | Archive);
    EXPECT_FALSE(plain.contains(u".hidden"_qs));
    EXPECT_FALSE(plain.contains(u"[.hdir]"_qs));
    EXPECT_FALSE(plain.contains(u"pipe"_qs));

    const QStringList hidden = platform::DirList(all(), Directories | Archive | Hidden);
    EXPECT_TRUE(hidden.contains(u".hidden"_qs));
    EXPECT_TRUE(hidden.contains(u"[.hdir]"_qs));
    EXPECT_FALSE(hidden.contains(u"pipe"_qs));

    EXPECT_TRUE(platform::DirList(all(), System).contains(u"pipe"_qs));
}

TEST_F(DirListTest, ExclusiveListsOnlyTheNamedTypes) {
    EXPECT_EQ(platform::DirList(all(), Directories | Exclusive),
              (QStringList{u"[..]"_qs, u"[sub]"_qs}));
    EXPECT_EQ(platform::DirList(all(), ReadOnly | Exclusive), QStringList{u"ro.txt"_qs});
    EXPECT_EQ(platform::DirList(all(), System | Exclusive), QStringList{u"pipe"_qs});
    EXPECT_EQ(platform::DirList(all(), Archive | Exclusive),
              (QStringList{u"A.INI"_qs, u"b.txt"_qs, u"linkfile"_qs, u"noext"_qs, u"ro.txt"_qs}));
    EXPECT_EQ(platform::DirList(all(), Hidden | Exclusive), QStringList{u".hidden"_qs});
}

TEST_F(DirListTest, NeverListsALinkToADirectoryOrABrokenLink) {
    const QStringList everything =
        platform::DirList(all(), ReadOnly | Hidden | System | Directories | Archive);
    EXPECT_FALSE(everything.contains(u"[linkdir]"_qs));
    EXPECT_FALSE(everything.contains(u"linkdir"_qs));
    EXPECT_FALSE(everything.contains(u"dangling"_qs));
    EXPECT_FALSE(everything.contains(u"[dangling]"_qs));
    EXPECT_TRUE(everything.contains(u"linkfile"_qs));
}

TEST_F(DirListTest, DrivesComeLastAndAloneWhenOnlyDrivesAreAsked) {
    const QStringList drives{u"[-c-]"_qs, u"[-d-]"_qs};
    const QStringList withFiles = platform::DirList(all(), Archive | Drives);
    ASSERT_GT(withFiles.size(), 2);
    EXPECT_EQ(withFiles.sliced(withFiles.size() - 2), drives);
    EXPECT_TRUE(withFiles.contains(u"b.txt"_qs));

    EXPECT_EQ(platform::DirList(all(), Drives), drives);
    EXPECT_EQ(platform::DirList(u"*.*"_qs, Drives | Exclusive), drives);
}

TEST_F(DirListTest, RootHasNoParentEntry) {
    const QStringList root = platform::DirList(u"/*.*"_qs, Directories | Exclusive);
    EXPECT_FALSE(root.isEmpty());
    EXPECT_FALSE(root.contains(u"[..]"_qs));
}

TEST_F(DirListTest, BarePatternListsTheCurrentDirectory) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(path(u"sub"_qs)));
    touch(u"sub/inside.ini"_qs);
    const QStringList listed = platform::DirList(u"*.*"_qs, Directories | Archive);
    QDir::setCurrent(previous);
    EXPECT_EQ(listed, (QStringList{u"[..]"_qs, u"inside.ini"_qs}));
}

TEST_F(DirListTest, MissingDirectoryOrAFileGivesNothing) {
    EXPECT_TRUE(
        platform::DirList(path(u"missing/*.*"_qs), Directories | Archive | Drives).isEmpty());
    EXPECT_TRUE(platform::DirList(path(u"b.txt/*.*"_qs), Directories | Archive).isEmpty());
}

TEST_F(DirListTest, UnreadableDirectoryGivesNothing) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every directory";
    ASSERT_TRUE(QFile::setPermissions(path(u"sub"_qs), QFile::WriteOwner));
    EXPECT_TRUE(platform::DirList(path(u"sub/*.*"_qs), Directories | Archive).isEmpty());
    QFile::setPermissions(path(u"sub"_qs), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace
