#include "app/records.h"

#include <gtest/gtest.h>

using namespace app;

TEST(Records, FreshRecordsAreEmptyWithUnsetSqlCode) {
    const str_sqlca fresh;
    EXPECT_TRUE(fresh.s_dbms.isEmpty() && fresh.s_dsn.isEmpty() && fresh.s_uid.isEmpty() &&
                fresh.s_pwd.isEmpty() && fresh.s_dbparm.isEmpty() && fresh.s_misc.isEmpty() &&
                fresh.s_sqlca.isEmpty() && fresh.s_sql.isEmpty());
    EXPECT_TRUE(fresh.s_sqlcode.isNull());

    str_sqlca connected;
    connected.s_sqlcode = 0;
    EXPECT_FALSE(connected.s_sqlcode.isNull());
    EXPECT_NE(connected, fresh) << "a code of 0 differs from an unset one";

    const str_tbl_cols tables;
    EXPECT_EQ(tables.s_tables.UpperBound(), 0);
    EXPECT_EQ(tables.s_relation.UpperBound(), 0);
}

TEST(Records, AssignmentCopiesEveryField) {
    str_tbl_cols original;
    original.s_tbl_master = QStringLiteral("DB2INST1.DEPARTMENT");
    original.s_tables.set(1, QStringLiteral("DB2INST1.EMPLOYEE"));
    original.s_relation.set(1, QStringLiteral("workdept = deptno"));
    original.s_sqlca = QStringLiteral("SQLCA1");

    str_tbl_cols copy = original;
    copy.s_tables.set(1, QStringLiteral("DB2INST1.PROJECT"));
    copy.s_relation.set(2, QStringLiteral("x = y"));
    EXPECT_EQ(original.s_tables[1], QStringLiteral("DB2INST1.EMPLOYEE"));
    EXPECT_EQ(original.s_relation.UpperBound(), 1);

    str_sqlca record;
    record.s_sql = QStringLiteral("select 1");
    record.s_sqlcode = -1;
    str_sqlca other = record;
    other.s_sql.clear();
    other.s_sqlcode.setNull();
    EXPECT_EQ(record.s_sql, QStringLiteral("select 1"));
    EXPECT_EQ(record.s_sqlcode.value(), -1);
}

TEST(Records, SqlCodeIsSixteenBitsAndNarrowsWhenStored) {
    NullableInt16 code;
    code = 100;
    EXPECT_EQ(code.value(), 100);
    code = -1;
    EXPECT_EQ(code.value(), -1);
    code = 40000; // 0x9C40
    EXPECT_EQ(code.value(), -25536);
    code = 70000; // 0x11170
    EXPECT_EQ(code.value(), 4464);
    code = -99999; // low 16 bits 0x7961
    EXPECT_EQ(code.value(), 31073);
}

TEST(Records, ArraysAreOneBasedGrowOnAssignmentAndReadEmptyOutside) {
    StringArray array;
    array.set(3, QStringLiteral("third"));
    EXPECT_EQ(array.UpperBound(), 3);
    EXPECT_EQ(array[1], QString());
    EXPECT_EQ(array[2], QString());
    EXPECT_EQ(array[3], QStringLiteral("third"));
    EXPECT_EQ(array[4], QString());
    EXPECT_EQ(array[0], QString());
    EXPECT_EQ(array[-5], QString());

    array.set(1, QStringLiteral("first"));
    EXPECT_EQ(array.UpperBound(), 3);
    array.set(0, QStringLiteral("ignored"));
    EXPECT_EQ(array.UpperBound(), 3);
    array.append(QStringLiteral("fourth"));
    EXPECT_EQ(array[4], QStringLiteral("fourth"));
}
