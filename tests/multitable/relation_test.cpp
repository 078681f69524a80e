#include "multitable/relation.h"

#include <gtest/gtest.h>

using namespace app;

TEST(Relation, KindsListTheirCatalogAndTextsPairTheColumns) {
    const auto db2 = tableListOf(QStringLiteral("db2"));
    ASSERT_TRUE(db2.has_value());
    EXPECT_EQ(db2->dataObject, QStringLiteral("d_tables_db2"));
    EXPECT_EQ(db2->creatorColumn, QStringLiteral("creator"));
    EXPECT_EQ(db2->nameColumn, QStringLiteral("name"));
    const auto sqlany = tableListOf(QStringLiteral("sqlany"));
    ASSERT_TRUE(sqlany.has_value());
    EXPECT_EQ(sqlany->dataObject, QStringLiteral("d_tables_sqlanwh"));
    EXPECT_EQ(sqlany->creatorColumn, QStringLiteral("tcreator"));
    EXPECT_EQ(sqlany->nameColumn, QStringLiteral("ttname"));
    for (const char* other : {"DB2", "Db2", " db2", "SQLANY", "", "odbc"})
        EXPECT_FALSE(tableListOf(QString::fromLatin1(other)).has_value()) << other;

    EXPECT_EQ(relationText(QStringLiteral("workdept"), QStringLiteral("deptno")),
              QStringLiteral("workdept = deptno"));
}

TEST(Relation, RemovalEmptiesEveryPositionOfTheTableAndKeepsTheTexts) {
    str_tbl_cols tables;
    EXPECT_FALSE(relationMissing(tables));
    tables.s_tables.set(1, QStringLiteral("DB2INST1.EMPLOYEE"));
    EXPECT_TRUE(relationMissing(tables));
    tables.s_relation.set(1, QStringLiteral("workdept = deptno"));
    EXPECT_FALSE(relationMissing(tables));
    tables.s_tables.set(2, QStringLiteral("DB2INST1.PROJECT"));
    tables.s_relation.set(2, QStringLiteral("deptno = deptno"));
    tables.s_tables.set(3, QStringLiteral("DB2INST1.EMPLOYEE"));
    tables.s_relation.set(3, QStringLiteral("workdept = deptno"));

    removeRelatedTable(tables, QStringLiteral("DB2INST1.EMPLOYEE"));
    EXPECT_EQ(tables.s_tables,
              (StringArray{QString(), QStringLiteral("DB2INST1.PROJECT"), QString()}));
    EXPECT_EQ(tables.s_relation.UpperBound(), 3);
    EXPECT_EQ(tables.s_relation[3], QStringLiteral("workdept = deptno"));
    // A name that is not there, or only differs in case, changes nothing.
    removeRelatedTable(tables, QStringLiteral("db2inst1.project"));
    EXPECT_EQ(tables.s_tables[2], QStringLiteral("DB2INST1.PROJECT"));
}
