#include "platform/linefile.h"
#include "platform/profile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::LineFile;

namespace {

class TextFiles : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // Every line up to the end of the file, with what each read returned.
    static std::vector<std::pair<int, QString>> readAll(LineFile& file) {
        std::vector<std::pair<int, QString>> lines;
        QString line;
        for (int n = file.read(line); n != LineFile::EndOfFile; n = file.read(line)) {
            lines.emplace_back(n, line);
            if (n < 0 || lines.size() > 100)
                break;
        }
        return lines;
    }

    QTemporaryDir dir_;
};

using Lines = std::vector<std::pair<int, QString>>;

class ProfileStringTest : public TextFiles {};
class LineFileTest : public TextFiles {};

TEST_F(ProfileStringTest, FindsSectionAndKeyWithoutCaseAcrossCrlfLines) {
    const QString ini = write(QStringLiteral("pb.ini"),
                              "[Other]\r\nVendors=wrong\r\n[Database]\r\nVendors=ODBC,SYC\r\n");
    EXPECT_EQ(platform::ProfileString(ini, u"DATABASE"_qs, u"vendors"_qs, u"dflt"_qs),
              u"ODBC,SYC"_qs);
}

TEST_F(ProfileStringTest, IgnoresBlanksAroundNamesButKeepsValueRaw) {
    const QString ini =
        write(QStringLiteral("pb.ini"), "  [ DBMS_Profiles ]  \n\t PROFILES \t=  \t'A','B' \t\n"
                                        "Quoted = \"C:\\some path\" \n");
    EXPECT_EQ(platform::ProfileString(ini, u"DBMS_PROFILES"_qs, u"PROFILES"_qs, {}), u"'A','B'"_qs);
    EXPECT_EQ(platform::ProfileString(ini, u" dbms_profiles"_qs, u"quoted "_qs, {}),
              u"\"C:\\some path\""_qs);
}

TEST_F(ProfileStringTest, ValueIsEverythingAfterTheFirstEquals) {
    const QString ini = write(QStringLiteral("odbc.ini"), "[Sample]\nDBParm=DSN=d;UID=u;PWD=p'\n");
    EXPECT_EQ(platform::ProfileString(ini, u"Sample"_qs, u"DBParm"_qs, {}),
              u"DSN=d;UID=u;PWD=p'"_qs);
}

TEST_F(ProfileStringTest, ReadsLastKeyWithoutFinalNewline) {
    const QString ini = write(QStringLiteral("pb.ini"), "[Database]\r\nVendors=ODBC");
    EXPECT_EQ(platform::ProfileString(ini, u"Database"_qs, u"Vendors"_qs, {}), u"ODBC"_qs);
}

TEST_F(ProfileStringTest, EmptyValueGivesEmptyTextNotTheDefault) {
    const QString ini = write(QStringLiteral("pb.ini"), "[Database]\nVendors=\nOther =   \n");
    const QString vendors = platform::ProfileString(ini, u"Database"_qs, u"Vendors"_qs, u"dflt"_qs);
    EXPECT_TRUE(vendors.isEmpty());
    EXPECT_TRUE(platform::ProfileString(ini, u"Database"_qs, u"Other"_qs, u"dflt"_qs).isEmpty());
}

TEST_F(ProfileStringTest, MissingFileSectionOrKeyGivesTheDefault) {
    const QString ini =
        write(QStringLiteral("pb.ini"), "Vendors=before any section\n[Database]\nVendors=ODBC\n"
                                        "[Next]\nKey=1\n");
    const QString dflt = u"dflt"_qs;
    EXPECT_EQ(
        platform::ProfileString(dir_.filePath(u"none.ini"_qs), u"Database"_qs, u"Vendors"_qs, dflt),
        dflt);
    EXPECT_EQ(platform::ProfileString(ini, u"Missing"_qs, u"Vendors"_qs, dflt), dflt);
    EXPECT_EQ(platform::ProfileString(ini, u"Database"_qs, u"Missing"_qs, dflt), dflt);
    // A key of a later section does not belong to the one before it.
    EXPECT_EQ(platform::ProfileString(ini, u"Database"_qs, u"Key"_qs, dflt), dflt);
    EXPECT_EQ(platform::ProfileString(ini, u"Database"_qs, QString(), dflt), dflt);
    EXPECT_EQ(platform::ProfileString(QString(), u"Database"_qs, u"Vendors"_qs, {}), QString());
}

TEST_F(ProfileStringTest, SkipsCommentLines) {
    const QString ini =
        write(QStringLiteral("pb.ini"), ";[Database]\n;Vendors=commented\n[Database]\n"
                                        "; Vendors=also commented\n  ;Vendors=indented comment\n"
                                        "Vendors=ODBC ; not a comment\n");
    EXPECT_EQ(platform::ProfileString(ini, u"Database"_qs, u"Vendors"_qs, {}),
              u"ODBC ; not a comment"_qs);
}

TEST_F(ProfileStringTest, FirstKeyOfFirstMatchingSectionWins) {
    const QString ini =
        write(QStringLiteral("pb.ini"), "[Database]\nVendors=first\nVENDORS=second\n"
                                        "[DATABASE]\nVendors=third\nOnlyHere=x\n");
    EXPECT_EQ(platform::ProfileString(ini, u"database"_qs, u"vendors"_qs, {}), u"first"_qs);
    EXPECT_EQ(platform::ProfileString(ini, u"database"_qs, u"OnlyHere"_qs, u"dflt"_qs), u"dflt"_qs);
}

TEST_F(LineFileTest, ReadsCrlfAndLfLinesAndALastLineWithoutNewline) {
    LineFile file;
    ASSERT_TRUE(file.open(write(QStringLiteral("odbc.ini"), "a\r\nbb\nccc")));
    EXPECT_EQ(readAll(file), (Lines{{1, u"a"_qs}, {2, u"bb"_qs}, {3, u"ccc"_qs}}));
    QString line;
    EXPECT_EQ(file.read(line), LineFile::EndOfFile);
}

TEST_F(LineFileTest, EmptyLinesReadAsZeroAndAFinalNewlineAddsNoLine) {
    LineFile file;
    ASSERT_TRUE(file.open(write(QStringLiteral("odbc.ini"), "x\r\n\r\n\ny\n")));
    EXPECT_EQ(readAll(file), (Lines{{1, u"x"_qs}, {0, QString()}, {0, QString()}, {1, u"y"_qs}}));
}

TEST_F(LineFileTest, EmptyFileIsAtItsEndAtOnce) {
    LineFile file;
    ASSERT_TRUE(file.open(write(QStringLiteral("empty.ini"), QByteArray())));
    QString line = u"untouched"_qs;
    EXPECT_EQ(file.read(line), LineFile::EndOfFile);
}

TEST_F(LineFileTest, CountsCharactersOfUtf8AndFallsBackToLatin1PerLine) {
    LineFile file;
    ASSERT_TRUE(file.open(write(QStringLiteral("mixed.ini"),
                                "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F\x65\n\xE9t\xE9\nS\xC3\xA9\n")));
    EXPECT_EQ(readAll(file),
              (Lines{{5, u"Gr\u00fc\u00dfe"_qs}, {3, u"\u00e9t\u00e9"_qs}, {2, u"S\u00e9"_qs}}));
}

TEST_F(LineFileTest, ReadingWithoutAnOpenFileFails) {
    LineFile file;
    EXPECT_FALSE(file.open(dir_.filePath(u"missing.ini"_qs)));
    EXPECT_FALSE(file.isOpen());
    QString line;
    EXPECT_EQ(file.read(line), -1);
    EXPECT_FALSE(file.open(dir_.path()));
}

TEST_F(LineFileTest, OpeningAgainStartsTheNewFileFromItsFirstLine) {
    LineFile file;
    ASSERT_TRUE(file.open(write(QStringLiteral("one.ini"), "1a\n1b\n")));
    QString line;
    file.read(line);
    ASSERT_TRUE(file.open(write(QStringLiteral("two.ini"), "2a\n")));
    EXPECT_EQ(readAll(file), (Lines{{2, u"2a"_qs}}));

    LineFile moved = std::move(file);
    EXPECT_TRUE(moved.isOpen());
    EXPECT_EQ(moved.read(line), LineFile::EndOfFile);
}

TEST_F(LineFileTest, FileExistsOnlyForFiles) {
    const QString path = write(QStringLiteral("odbc.ini"), "[x]\n");
    EXPECT_TRUE(platform::FileExists(path));
    EXPECT_FALSE(platform::FileExists(dir_.filePath(u"missing.ini"_qs)));
    EXPECT_FALSE(platform::FileExists(dir_.path()));
    EXPECT_FALSE(platform::FileExists(QString()));
}

} // namespace
