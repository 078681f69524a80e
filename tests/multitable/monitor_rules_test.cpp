// The linked view's rules that need no window: grids given out by the walk, key conditions,
// statements and the report's first heading line.

#include "multitable/monitor_rules.h"
#include "platform/grid/column.h"

#include <gtest/gtest.h>

using namespace app;

namespace {

str_tbl_cols tablesAt(std::initializer_list<QString> tables) {
    str_tbl_cols record;
    record.s_tbl_master = QStringLiteral("DB2INST1.DEPARTMENT");
    record.s_tables = StringArray(tables);
    return record;
}

} // namespace

TEST(MonitorRules, WalkSkipsBlankPositionsAndNumbersGridsFromTwoBeyondFive) {
    const str_tbl_cols gap =
        tablesAt({QStringLiteral("A.ONE"), QString(), QStringLiteral("A.THREE")});
    const auto grids = relatedGrids(gap);
    ASSERT_EQ(grids.size(), 2U);
    EXPECT_EQ(grids[0].position, 1);
    EXPECT_EQ(grids[0].gridNumber, 2);
    EXPECT_EQ(grids[1].position, 3);
    EXPECT_EQ(grids[1].gridNumber, 3);
    EXPECT_EQ(positionOfGrid(gap, 3), 3);
    EXPECT_EQ(positionOfGrid(gap, 4), 0);

    const str_tbl_cols five =
        tablesAt({QString(), QStringLiteral("A.B"), QStringLiteral("A.C"), QStringLiteral("A.D"),
                  QStringLiteral("A.E"), QStringLiteral("A.F")});
    const auto all = relatedGrids(five);
    ASSERT_EQ(all.size(), 5U);
    EXPECT_EQ(all.back().position, 6);
    EXPECT_EQ(all.back().gridNumber, 6);
    EXPECT_EQ(positionOfGrid(five, 5), 5);
    EXPECT_TRUE(relatedGrids(str_tbl_cols{}).empty());
}

TEST(MonitorRules, StatementsAndKeyConditionsAreWrittenExactly) {
    EXPECT_EQ(masterStatement(QStringLiteral("DB2INST1.EMPLOYEE")),
              QStringLiteral("select * from DB2INST1.EMPLOYEE"));
    const SplitTableName sales = splitTableName(QStringLiteral("DB2INST1.SALES"));
    EXPECT_EQ(sales.creator, QStringLiteral("DB2INST1"));
    EXPECT_EQ(sales.table, QStringLiteral("SALES"));
    // Split at the first dot: the rest, dots included, is the table.
    const SplitTableName dotted = splitTableName(QStringLiteral("A.B.C"));
    EXPECT_EQ(dotted.creator, QStringLiteral("A"));
    EXPECT_EQ(dotted.table, QStringLiteral("B.C"));
    EXPECT_EQ(relatedStatement(sales, emptyCondition()),
              QStringLiteral("select * from DB2INST1.SALES where 1 = 2"));

    // Apostrophes inside the value are doubled; every value is written between apostrophes.
    EXPECT_EQ(keyCondition(sales, QStringLiteral("sales_person"), QStringLiteral("O'Brien")),
              QStringLiteral("DB2INST1.SALES.sales_person = 'O''Brien'"));
    EXPECT_EQ(keyCondition(sales, QStringLiteral("sales"), QStringLiteral("12")),
              QStringLiteral("DB2INST1.SALES.sales = '12'"));
    EXPECT_EQ(quotedValue(QStringLiteral("''")), QStringLiteral("''''''"));
    EXPECT_EQ(quotedValue(QString()), QStringLiteral("''"));

    const auto relation = splitRelation(QStringLiteral("sales_person = last = name"));
    ASSERT_TRUE(relation.has_value());
    EXPECT_EQ(relation->relatedColumn, QStringLiteral("sales_person"));
    EXPECT_EQ(relation->masterColumn, QStringLiteral("last = name"));
    EXPECT_FALSE(splitRelation(QString()).has_value());
    EXPECT_FALSE(splitRelation(QStringLiteral("sales_person=lastname")).has_value());
}

TEST(MonitorRules, RelatedColumnIsNamedAsTheDatabaseNamesIt) {
    // Unquoted names fold to lower case here and to upper case on Db2.
    EXPECT_EQ(columnReference(QStringLiteral("workdept"), false), QStringLiteral("workdept"));
    EXPECT_EQ(columnReference(QStringLiteral("WORKDEPT"), true), QStringLiteral("WORKDEPT"));
    EXPECT_EQ(columnReference(QStringLiteral("WORKDEPT"), false), QStringLiteral("\"WORKDEPT\""));
    EXPECT_EQ(columnReference(QStringLiteral("workdept"), true), QStringLiteral("\"workdept\""));
    EXPECT_EQ(columnReference(QStringLiteral("Last Name"), false), QStringLiteral("\"Last Name\""));
    EXPECT_EQ(columnReference(QStringLiteral("say \"hi\""), true),
              QStringLiteral("\"say \"\"hi\"\"\""));
    EXPECT_EQ(columnReference(QStringLiteral("1st"), false), QStringLiteral("\"1st\""));

    platform::grid::GridDefinition definition;
    platform::grid::ColumnInfo spaced;
    spaced.name = QStringLiteral("last_name");
    spaced.label = QStringLiteral("Last Name");
    spaced.dbName = QStringLiteral("Last Name");
    platform::grid::ColumnInfo computed;
    computed.name = QStringLiteral("total");
    computed.label = QStringLiteral("Total");
    definition.columns = {spaced, computed};
    EXPECT_EQ(databaseColumnName(definition, QStringLiteral("last_name")),
              QStringLiteral("Last Name"));
    EXPECT_EQ(databaseColumnName(definition, QStringLiteral("total")), QStringLiteral("Total"));
    EXPECT_EQ(databaseColumnName(definition, QStringLiteral("nosuch")), QStringLiteral("nosuch"));
}

TEST(MonitorRules, ReportHeadingShowsDateAndTimeWithThreeBlanks) {
    EXPECT_EQ(reportHeading(QDateTime(QDate(2026, 3, 5), QTime(9, 7))),
              QStringLiteral("Report on: 3/5/2026   09:07"));
    EXPECT_EQ(reportHeading(QDateTime(QDate(2026, 12, 25), QTime(23, 59))),
              QStringLiteral("Report on: 12/25/2026   23:59"));
}
