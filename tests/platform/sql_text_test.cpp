#include "platform/sql/sql_text.h"

#include <gtest/gtest.h>

using namespace platform::sql;

TEST(SingleTableOfSelect, OneTableIsFoundWhateverClauseFollows) {
    const QString employee = QStringLiteral("db2inst1.employee");
    for (const char* sql : {
             "select * from db2inst1.employee",
             "SELECT * FROM db2inst1.employee WHERE empno = '000010'",
             "select * from db2inst1.employee e where e.empno = '1'",
             "select * from db2inst1.employee as e order by 1",
             "select workdept, count(*) from db2inst1.employee group by workdept",
             "select * from db2inst1.employee fetch first 5 rows only",
             "select * from db2inst1.employee  WITH UR ",
             "select * from db2inst1.employee;",
             "select * from db2inst1 . employee\r\n\twhere 1 = 1",
             "select (select max(x) from other) from db2inst1.employee",
             "select 'from a, b' /* from c join d */ from db2inst1.employee -- , e",
             "select * from db2inst1.employee where empno in (select empno from t union "
             "select 'x')",
         })
        EXPECT_EQ(singleTableOfSelect(QString::fromUtf8(sql)), employee) << sql;
    EXPECT_EQ(singleTableOfSelect(QStringLiteral("select 1 from employee")),
              QStringLiteral("employee"));
}

TEST(SingleTableOfSelect, QuotedNamesKeepTheirQuotes) {
    EXPECT_EQ(singleTableOfSelect(QStringLiteral(
                  "select creator, NAME from \"SYSIBM\".\"SYSTABLES\"\r\nORDER by creator, "
                  "\"SYSIBM\".\"SYSTABLES\".\"NAME\"\r\nWITH UR")),
              QStringLiteral("\"SYSIBM\".\"SYSTABLES\""));
    EXPECT_EQ(singleTableOfSelect(QStringLiteral("select * from \"odd \"\"name\"\"\" x")),
              QStringLiteral("\"odd \"\"name\"\"\""));
}

TEST(SingleTableOfSelect, JoinsListsSubqueriesAndOtherStatementsGiveNothing) {
    for (const char* sql : {
             "select * from a join b on a.x = b.x",
             "select * from a inner join b on a.x = b.x",
             "select * from a left outer join b using (x)",
             "select * from a cross join b",
             "select * from a, b",
             "select * from a x, b y",
             "select * from (select * from a) x",
             "select * from table(f(1)) x",
             "select * from a union select * from b",
             "select * from a where x = 1 union all select * from b",
             "select * from a; select * from b",
             "select 1",
             "with t as (select 1 x) select * from t",
             "update a set x = 1",
             "select * from 'a'",
             "select * from a 'unterminated",
             "",
         })
        EXPECT_EQ(singleTableOfSelect(QString::fromUtf8(sql)), QString()) << sql;
}

TEST(HoldsSeveralStatements, ASemicolonOutsideLiteralsAndCommentsWithMoreAfterIt) {
    for (const char* sql : {
             "select 1; drop table t",
             "select 1;drop table t;",
             "select 1 /* ; */; delete from t",
             "select ';' as x; delete from t",
             "select 1 -- one\n; delete from t",
             // Text the scanner cannot follow, with a semicolon in it.
             "select E'it\\'s'; drop table t",
             "select $$;$$ as x",
             "select $q$ ' $q$; drop table t",
             "select 'open; drop table t",
         })
        EXPECT_TRUE(holdsSeveralStatements(QString::fromUtf8(sql))) << sql;
    for (const char* sql : {
             "select 1",
             "select 1;",
             "select 1; ;  -- done",
             "select ';' as x, \"a;b\" from t /* ; drop table t */",
             "select 'it''s; here' from t",
             "select 1 -- ; drop table t",
             "",
         })
        EXPECT_FALSE(holdsSeveralStatements(QString::fromUtf8(sql))) << sql;
}

TEST(EndsInLineComment, OnlyADashDashCommentOutsideLiteralsNamesAndBlockCommentsReachesTheEnd) {
    using platform::sql::endsInLineComment;
    EXPECT_TRUE(endsInLineComment(QStringLiteral("select 1 -- one")));
    EXPECT_TRUE(endsInLineComment(QStringLiteral("select 1 -- it's\n-- two")));
    EXPECT_FALSE(endsInLineComment(QStringLiteral("select 1 -- one\n")));
    EXPECT_FALSE(endsInLineComment(QStringLiteral("select '--'")));
    EXPECT_FALSE(endsInLineComment(QStringLiteral("select 'it''s --' as \"a--\"")));
    EXPECT_FALSE(endsInLineComment(QStringLiteral("select 1 /* -- */")));
    EXPECT_TRUE(endsInLineComment(QStringLiteral("select 1 /* x */ --")));
    EXPECT_EQ(platform::sql::appendToStatement(QStringLiteral("select 1 -- c"),
                                               QStringLiteral("  WITH UR ")),
              QStringLiteral("select 1 -- c\n  WITH UR "));
    EXPECT_EQ(
        platform::sql::appendToStatement(QStringLiteral("select 1"), QStringLiteral("  WITH UR ")),
        QStringLiteral("select 1  WITH UR "));
}
