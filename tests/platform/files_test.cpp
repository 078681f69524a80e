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
    EXPECT_EQ(platform::ProfileString(ini, QStringLiteral("DATABASE"), QStringLiteral("vendors"),
                                      QStringLiteral("dflt")),
              QStringLiteral("ODBC,SYC"));
}

TEST_F(ProfileStringTest, IgnoresBlanksAroundNamesButKeepsValueRaw) {
    const QString ini =
        write(QStringLiteral("pb.ini"), "  [ DBMS_Profiles ]  \n\t PROFILES \t=  \t'A','B' \t\n"
                                        "Quoted = \"C:\\some path\" \n");
    EXPECT_EQ(platform::ProfileString(ini, QStringLiteral("DBMS_PROFILES"),
                                      QStringLiteral("PROFILES"), {}),
              QStringLiteral("'A','B'"));
    EXPECT_EQ(platform::ProfileString(ini, QStringLiteral(" dbms_profiles"),
                                      QStringLiteral("quoted "), {}),
              QStringLiteral("\"C:\\some path\""));
}

TEST_F(ProfileStringTest, ValueIsEverythingAfterTheFirstEquals) {
    const QString ini = write(QStringLiteral("odbc.ini"), "[Sample]\nDBParm=DSN=d;UID=u;PWD=p'\n");
    EXPECT_EQ(platform::ProfileString(ini, QStringLiteral("Sample"), QStringLiteral("DBParm"), {}),
              QStringLiteral("DSN=d;UID=u;PWD=p'"));
}

TEST_F(ProfileStringTest, ReadsLastKeyWithoutFinalNewline) {
    const QString ini = write(QStringLiteral("pb.ini"), "[Database]\r\nVendors=ODBC");
    EXPECT_EQ(
        platform::ProfileString(ini, QStringLiteral("Database"), QStringLiteral("Vendors"), {}),
        QStringLiteral("ODBC"));
}

TEST_F(ProfileStringTest, EmptyValueGivesEmptyTextNotTheDefault) {
    const QString ini = write(QStringLiteral("pb.ini"), "[Database]\nVendors=\nOther =   \n");
    const QString vendors = platform::ProfileString(
        ini, QStringLiteral("Database"), QStringLiteral("Vendors"), QStringLiteral("dflt"));
    EXPECT_TRUE(vendors.isEmpty());
    EXPECT_TRUE(platform::ProfileString(ini, QStringLiteral("Database"), QStringLiteral("Other"),
                                        QStringLiteral("dflt"))
                    .isEmpty());
}

TEST_F(ProfileStringTest, MissingFileSectionOrKeyGivesTheDefault) {
    const QString ini =
        write(QStringLiteral("pb.ini"), "Vendors=before any section\n[Database]\nVendors=ODBC\n"
                                        "[Next]\nKey=1\n");
    const QString dflt = QStringLiteral("dflt");
    EXPECT_EQ(platform::ProfileString(dir_.filePath(QStringLiteral("none.ini")),
                                      QStringLiteral("Database"), QStringLiteral("Vendors"), dflt),
              dflt);
    EXPECT_EQ(
        platform::ProfileString(ini, QStringLiteral("Missing"), QStringLiteral("Vendors"), dflt),
        dflt);
    EXPECT_EQ(
        platform::ProfileString(ini, QStringLiteral("Database"), QStringLiteral("Missing"), dflt),
        dflt);
    // A key of a later section does not belong to the one before it.
    EXPECT_EQ(platform::ProfileString(ini, QStringLiteral("Database"), QStringLiteral("Key"), dflt),
              dflt);
    EXPECT_EQ(platform::ProfileString(ini, QStringLiteral("Database"), QString(), dflt), dflt);
    EXPECT_EQ(platform::ProfileString(QString(), QStringLiteral("Database"),
                                      QStringLiteral("Vendors"), {}),
              QString());
}

TEST_F(ProfileStringTest, SkipsCommentLines) {
    const QString ini =
        write(QStringLiteral("pb.ini"), ";[Database]\n;Vendors=commented\n[Database]\n"
                                        "; Vendors=also commented\n  ;Vendors=indented comment\n"
                                        "Vendors=ODBC ; not a comment\n");
    EXPECT_EQ(
        platform::ProfileString(ini, QStringLiteral("Database"), QStringLiteral("Vendors"), {}),
        QStringLiteral("ODBC ; not a comment"));
}

TEST_F(ProfileStringTest, FirstKeyOfFirstMatchingSectionWins) {
    const QString ini =
        write(QStringLiteral("pb.ini"), "[Database]\nVendors=first\nVENDORS=second\n"
                                        "[DATABASE]\nVendors=third\nOnlyHere=x\n");
    EXPECT_EQ(
        platform::ProfileString(ini, QStringLiteral("database"), QStringLiteral("vendors"), {}),
        QStringLiteral("first"));
    EXPECT_EQ(platform::ProfileString(ini, QStringLiteral("database"), QStringLiteral("OnlyHere"),
                                      QStringLiteral("dflt")),
              QStringLiteral("dflt"));
}

TEST_F(LineFileTest, ReadsCrlfAndLfLinesAndALastLineWithoutNewline) {
    LineFile file;
    ASSERT_TRUE(file.open(write(QStringLiteral("odbc.ini"), "a\r\nbb\nccc")));
    EXPECT_EQ(
        readAll(file),
        (Lines{{1, QStringLiteral("a")}, {2, QStringLiteral("bb")}, {3, QStringLiteral("ccc")}}));
    QString line;
    EXPECT_EQ(file.read(line), LineFile::EndOfFile);
}

TEST_F(LineFileTest, EmptyLinesReadAsZeroAndAFinalNewlineAddsNoLine) {
    LineFile file;
    ASSERT_TRUE(file.open(write(QStringLiteral("odbc.ini"), "x\r\n\r\n\ny\n")));
    EXPECT_EQ(
        readAll(file),
        (Lines{
            {1, QStringLiteral("x")}, {0, QString()}, {0, QString()}, {1, QStringLiteral("y")}}));
}

TEST_F(LineFileTest, EmptyFileIsAtItsEndAtOnce) {
    LineFile file;
    ASSERT_TRUE(file.open(write(QStringLiteral("empty.ini"), QByteArray())));
    QString line = QStringLiteral("untouched");
    EXPECT_EQ(file.read(line), LineFile::EndOfFile);
}

TEST_F(LineFileTest, CountsCharactersOfUtf8AndFallsBackToLatin1PerLine) {
    LineFile file;
    ASSERT_TRUE(file.open(write(QStringLiteral("mixed.ini"),
                                "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F\x65\n\xE9t\xE9\nS\xC3\xA9\n")));
    EXPECT_EQ(readAll(file), (Lines{{5, QStringLiteral("Gr\u00fc\u00dfe")},
                                    {3, QStringLiteral("\u00e9t\u00e9")},
                                    {2, QStringLiteral("S\u00e9")}}));
}

TEST_F(LineFileTest, OnlyTheFilesOwnByteOrderMarkIsDropped) {
    LineFile file;
    ASSERT_TRUE(file.open(
        write(QStringLiteral("marks.ini"), "\xEF\xBB\xBF[a]\n\xEF\xBB\xBFkey=v\n\xEF\xBB\xBF\n")));
    EXPECT_EQ(readAll(file), (Lines{{3, QStringLiteral("[a]")},
                                    {6, QStringLiteral("\ufeffkey=v")},
                                    {1, QStringLiteral("\ufeff")}}));
}

TEST_F(LineFileTest, ReadingWithoutAnOpenFileFails) {
    LineFile file;
    EXPECT_FALSE(file.open(dir_.filePath(QStringLiteral("missing.ini"))));
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
    EXPECT_EQ(readAll(file), (Lines{{2, QStringLiteral("2a")}}));

    LineFile moved = std::move(file);
    EXPECT_TRUE(moved.isOpen());
    EXPECT_EQ(moved.read(line), LineFile::EndOfFile);
}

TEST_F(LineFileTest, FileExistsOnlyForFiles) {
    const QString path = write(QStringLiteral("odbc.ini"), "[x]\n");
    EXPECT_TRUE(platform::FileExists(path));
    EXPECT_FALSE(platform::FileExists(dir_.filePath(QStringLiteral("missing.ini"))));
    EXPECT_FALSE(platform::FileExists(dir_.path()));
    EXPECT_FALSE(platform::FileExists(QString()));
}

} // namespace
