#include "platform/odbc/dialect.h"
#include "platform/sql/isolation.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace platform::odbc;
using namespace platform::sql;

TEST(Dialect, Db2DriversAreRecognisedByTheirDbmsNames) {
    for (const char* name : {"DB2/LINUXX8664", "DB2/NT64", "DB2/AIX64", "DB2", "DSN12015", "AS"})
        EXPECT_TRUE(isDb2DbmsName(QString::fromLatin1(name))) << name;
    for (const char* name : {"PostgreSQL", "SQLite", "ASE", "Microsoft SQL Server", ""})
        EXPECT_FALSE(isDb2DbmsName(QString::fromLatin1(name))) << name;
}

TEST(Dialect, TrailingIsolationClauseIsRemovedInAnyCase) {
    EXPECT_EQ(stripIsolationClause(QStringLiteral("select * from t  WITH UR ")),
              QStringLiteral("select * from t"));
    EXPECT_EQ(stripIsolationClause(QStringLiteral("select 1\r\nwith cs")),
              QStringLiteral("select 1"));
    EXPECT_EQ(stripIsolationClause(QStringLiteral("select 1 With  Rr\t")),
              QStringLiteral("select 1"));
    EXPECT_EQ(stripIsolationClause(QStringLiteral("select 1;  WITH RS ")),
              QStringLiteral("select 1;"));
    // A comment ends at a carriage return as well as at a line feed.
    EXPECT_EQ(stripIsolationClause(QStringLiteral("select 1 -- all\rWITH UR")),
              QStringLiteral("select 1 -- all"));
    // Only the last clause goes: a statement that already had one keeps it and fails as on Db2.
    EXPECT_EQ(stripIsolationClause(QStringLiteral("select 1  WITH UR   WITH UR ")),
              QStringLiteral("select 1  WITH UR"));
    // The empty query text still becomes an empty statement, which the server then rejects.
    EXPECT_EQ(stripIsolationClause(QStringLiteral("  WITH UR ")), QString());
}

TEST(Dialect, ClauseIsRemovedBehindALoneSurrogate) {
    const QString literal =
        QStringLiteral("select '") + QChar(u'\xd800') + QStringLiteral("' from t");
    EXPECT_EQ(stripIsolationClause(literal + QStringLiteral("  WITH UR ")), literal);
    const QString pair = QStringLiteral("select '\U0001F600' from t");
    EXPECT_EQ(stripIsolationClause(pair + QStringLiteral(" with cs")), pair);
}

TEST(Dialect, IsolationWordsElsewhereAreLeftAlone) {
    const QStringList untouched = {
        QStringLiteral("select * from t WITH UR where a = 1"),
        QStringLiteral("select 'it reads WITH UR"),           // inside an open literal
        QStringLiteral("select 1 -- WITH UR"),                // inside a comment
        QStringLiteral("select 1 /* x */ from t /* WITH UR"), // inside an open comment
        QStringLiteral("select \"a WITH UR"),                 // inside a quoted name
        QStringLiteral("select * from t WITH URX"),
        QStringLiteral("select * from tWITH UR"),
        QStringLiteral("select 'WITH UR' from t"),
    };
    for (const QString& sql : untouched)
        EXPECT_EQ(stripIsolationClause(sql), sql) << sql.toStdString();
    // A literal that closes before the clause does not protect it.
    EXPECT_EQ(stripIsolationClause(QStringLiteral("select 'it''s' as x  WITH UR ")),
              QStringLiteral("select 'it''s' as x"));
}

TEST(ConnectText, SplitsAtMarkersAndDropsOnlyTheClosingApostrophe) {
    auto parts = parseConnectText(QStringLiteral("DSN=SAMPLE;UID=dorvane;PWD=secret'"));
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->dsn, QStringLiteral("SAMPLE"));
    EXPECT_EQ(parts->uid, QStringLiteral("dorvane"));
    EXPECT_EQ(parts->pwd, QStringLiteral("secret"));

    parts = parseConnectText(QStringLiteral("DSN=My DB;UID=u;PWD=p;w=d'}{;UID=x''"));
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->dsn, QStringLiteral("My DB"));
    EXPECT_EQ(parts->uid, QStringLiteral("u"));
    EXPECT_EQ(parts->pwd, QStringLiteral("p;w=d'}{;UID=x'"));

    parts = parseConnectText(QStringLiteral("DSN=;UID=;PWD='"));
    ASSERT_TRUE(parts);
    EXPECT_TRUE(parts->dsn.isEmpty() && parts->uid.isEmpty() && parts->pwd.isEmpty());

    EXPECT_FALSE(parseConnectText(QStringLiteral("Driver=SQLite3;Database=/tmp/x")));
}
