#include "platform/grid/describe.h"
#include "platform/grid/syntax.h"
#include "platform/odbc/transaction.h"
#include "support/test_support.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace platform::grid;
using namespace testsupport;

namespace {

// Describes `sql` the way the windows do: syntax text first, then the grid's Create.
GridDefinition described(platform::Transaction& slot, const QString& sql) {
    QString errors;
    const QString syntax = SyntaxFromSQL(slot, sql, QStringLiteral("style(type=grid)"), errors);
    EXPECT_TRUE(errors.isEmpty()) << sql.toStdString() << ": " << errors.toStdString();
    const GridDefinition definition = parseSyntax(syntax, errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    return definition;
}

std::vector<QString> names(const GridDefinition& d) {
    std::vector<QString> out;
    for (const ColumnInfo& c : d.columns)
        out.push_back(c.name);
    return out;
}

std::vector<QString> keys(const GridDefinition& d) {
    std::vector<QString> out;
    for (const ColumnInfo& c : d.columns) {
        if (c.key)
            out.push_back(c.name);
    }
    return out;
}

bool anyUpdatable(const GridDefinition& d) {
    return std::any_of(d.columns.begin(), d.columns.end(),
                       [](const ColumnInfo& c) { return c.updatable || c.key; });
}

// What the driver would say at Db2's default describe level: nothing about base tables.
std::vector<ColumnOrigin> noOrigins(const GridDefinition& d) {
    return std::vector<ColumnOrigin>(d.columns.size());
}

} // namespace

TEST(SyntaxFromSql, OneTableSelectGivesItsColumnsKeyAndUpdateTable) {
    auto slot = connectedSlot();
    const QString sql = QStringLiteral("select * from db2inst1.employee");
    const GridDefinition d = described(*slot, sql);

    const std::vector<QString> expected = {
        QStringLiteral("empno"),    QStringLiteral("firstnme"),  QStringLiteral("midinit"),
        QStringLiteral("lastname"), QStringLiteral("workdept"),  QStringLiteral("phoneno"),
        QStringLiteral("hiredate"), QStringLiteral("job"),       QStringLiteral("edlevel"),
        QStringLiteral("sex"),      QStringLiteral("birthdate"), QStringLiteral("salary"),
        QStringLiteral("bonus"),    QStringLiteral("comm")};
    EXPECT_EQ(names(d), expected);
    EXPECT_EQ(keys(d), std::vector<QString>{QStringLiteral("empno")});
    EXPECT_EQ(d.updateTable, QStringLiteral("db2inst1.employee"));
    EXPECT_EQ(d.select, sql);
    EXPECT_FALSE(d.external);
    for (const ColumnInfo& c : d.columns) {
        EXPECT_TRUE(c.updatable) << c.name.toStdString();
        EXPECT_EQ(c.dbName, c.name);
        EXPECT_EQ(c.label, c.name);
    }

    const ColumnInfo& empno = d.columns[0];
    EXPECT_EQ(empno.kind, ColumnKind::Text);
    EXPECT_EQ(empno.size, 6);
    EXPECT_FALSE(empno.nullable);
    const ColumnInfo& salary = d.columns[11];
    EXPECT_EQ(salary.kind, ColumnKind::Decimal);
    EXPECT_EQ(salary.size, 9);
    EXPECT_EQ(salary.decimals, 2);
    EXPECT_TRUE(salary.nullable);
    EXPECT_EQ(d.columns[6].kind, ColumnKind::Date);
    EXPECT_EQ(d.columns[8].kind, ColumnKind::Integer);
}

TEST(SyntaxFromSql, CompositeKeyIsMarkedOnEachOfItsColumns) {
    auto slot = connectedSlot();
    const GridDefinition d = described(*slot, QStringLiteral("select * from db2inst1.projact"));
    const std::vector<QString> expected = {QStringLiteral("projno"), QStringLiteral("actno"),
                                           QStringLiteral("acstdate")};
    EXPECT_EQ(keys(d), expected);
    EXPECT_EQ(d.updateTable, QStringLiteral("db2inst1.projact"));

    const GridDefinition photo =
        described(*slot, QStringLiteral("select * from db2inst1.emp_photo"));
    EXPECT_EQ(photo.updateTable, QStringLiteral("db2inst1.emp_photo"));
    ASSERT_EQ(photo.columns.size(), 3u);
    EXPECT_EQ(photo.columns[2].kind, ColumnKind::Binary);
}

TEST(SyntaxFromSql, JoinsAndKeylessTablesAreReadOnly) {
    auto slot = connectedSlot();
    const GridDefinition join =
        described(*slot, QStringLiteral("select e.empno, e.lastname, d.deptno, d.deptname "
                                        "from db2inst1.employee e join db2inst1.department d "
                                        "on d.deptno = e.workdept"));
    EXPECT_EQ(join.updateTable, QString());
    EXPECT_FALSE(anyUpdatable(join));
    ASSERT_EQ(join.columns.size(), 4u);
    EXPECT_EQ(join.columns[3].dbName, QStringLiteral("deptname"));

    const GridDefinition sales = described(*slot, QStringLiteral("select * from db2inst1.sales"));
    EXPECT_EQ(sales.columns.size(), 4u);
    EXPECT_EQ(sales.updateTable, QString());
    EXPECT_FALSE(anyUpdatable(sales));
}

TEST(SyntaxFromSql, SelectWithoutEveryKeyColumnIsReadOnly) {
    auto slot = connectedSlot();
    const GridDefinition d =
        described(*slot, QStringLiteral("select lastname, firstnme from db2inst1.employee"));
    EXPECT_EQ(d.updateTable, QString());
    EXPECT_FALSE(anyUpdatable(d));

    const GridDefinition part =
        described(*slot, QStringLiteral("select projno, actno, acstaff from db2inst1.projact"));
    EXPECT_EQ(part.updateTable, QString());
    EXPECT_FALSE(anyUpdatable(part));
}

TEST(SyntaxFromSql, ComputedAndRepeatedColumnsAreNotWritten) {
    auto slot = connectedSlot();
    const GridDefinition d =
        described(*slot, QStringLiteral("select empno, salary * 2 as double_pay, empno, lastname "
                                        "from db2inst1.employee"));
    const std::vector<QString> expected = {QStringLiteral("empno"), QStringLiteral("double_pay"),
                                           QStringLiteral("empno_2"), QStringLiteral("lastname")};
    EXPECT_EQ(names(d), expected);
    EXPECT_EQ(d.updateTable, QStringLiteral("db2inst1.employee"));
    EXPECT_TRUE(d.columns[0].updatable);
    EXPECT_TRUE(d.columns[0].key);
    EXPECT_FALSE(d.columns[1].updatable);
    EXPECT_EQ(d.columns[1].dbName, QString());
    EXPECT_FALSE(d.columns[2].updatable);
    EXPECT_FALSE(d.columns[2].key);
    EXPECT_TRUE(d.columns[3].updatable);
}

TEST(SyntaxFromSql, TrailingWithUrIsDescribedAndKeptInTheSelect) {
    auto slot = connectedSlot();
    const QString sql = QStringLiteral("select * from db2inst1.department  WITH UR ");
    const GridDefinition d = described(*slot, sql);
    EXPECT_EQ(d.select, sql);
    EXPECT_EQ(d.updateTable, QStringLiteral("db2inst1.department"));
    EXPECT_EQ(keys(d), std::vector<QString>{QStringLiteral("deptno")});
}

TEST(SyntaxFromSql, UnicodeAliasGivesAValidNameAndKeepsItsHeading) {
    auto slot = connectedSlot();
    const GridDefinition d = described(*slot, QStringLiteral("select 1 as \"Zo\u00eb\""));
    ASSERT_EQ(d.columns.size(), 1u);
    EXPECT_EQ(d.columns[0].name, QStringLiteral("zo_"));
    EXPECT_EQ(d.columns[0].label, QStringLiteral("Zo\u00eb"));
    EXPECT_EQ(d.columns[0].kind, ColumnKind::Integer);
    EXPECT_EQ(d.updateTable, QString());
}

TEST(SyntaxFromSql, DescribingDoesNotRunTheStatement) {
    auto slot = connectedSlot();
    QElapsedTimer timer;
    timer.start();
    const GridDefinition d = described(*slot, QStringLiteral("select pg_sleep(5) as slept"));
    EXPECT_LT(timer.elapsed(), 4000);
    EXPECT_EQ(names(d), std::vector<QString>{QStringLiteral("slept")});
}

TEST(SyntaxFromSqlErrors, RejectedStatementGivesTheServersText) {
    auto slot = connectedSlot();
    QString errors;
    const QString syntax =
        SyntaxFromSQL(*slot, QStringLiteral("select nosuch from db2inst1.employee"),
                      QStringLiteral("style(type=grid)"), errors);
    EXPECT_EQ(syntax, QString());
    EXPECT_TRUE(errors.contains(QStringLiteral("SQLSTATE = 42"))) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("nosuch"))) << errors.toStdString();

    // The slot goes on working afterwards.
    EXPECT_EQ(queryValue(*slot, QStringLiteral("select 'alive'")), QStringLiteral("alive"));
}

TEST(SyntaxFromSqlErrors, StatementsWithoutColumnsAreErrors) {
    auto slot = connectedSlot();
    for (const QString& sql : {QString(), QStringLiteral("  WITH UR "),
                               QStringLiteral("update db2inst1.sales set sales = sales + 1")}) {
        QString errors;
        EXPECT_EQ(SyntaxFromSQL(*slot, sql, QStringLiteral("style(type=grid)"), errors), QString());
        EXPECT_EQ(errors, QStringLiteral("The statement returns no columns.")) << sql.toStdString();
    }
}

TEST(SyntaxFromSqlErrors, UnconnectedSlotAndOtherStylesAreRefused) {
    platform::Transaction idle(QStringLiteral("SQLCA2"));
    QString errors;
    EXPECT_EQ(
        SyntaxFromSQL(idle, QStringLiteral("select 1"), QStringLiteral("style(type=grid)"), errors),
        QString());
    EXPECT_TRUE(errors.contains(QStringLiteral("not connected"))) << errors.toStdString();

    auto slot = connectedSlot();
    errors.clear();
    EXPECT_EQ(SyntaxFromSQL(*slot, QStringLiteral("select 1"),
                            QStringLiteral("style(type=freeform)"), errors),
              QString());
    EXPECT_TRUE(errors.contains(QStringLiteral("freeform"))) << errors.toStdString();

    // The same style with other spacing or case is still the grid style.
    EXPECT_FALSE(SyntaxFromSQL(*slot, QStringLiteral("select 1"),
                               QStringLiteral("Style( type=Grid )"), errors)
                     .isEmpty());
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
}

// Db2 at its default describe level names no base tables: the FROM clause and the catalog do.
TEST(UpdateTableFromStatement, UnqualifiedOrUpperCaseNameIsFoundThroughTheCatalog) {
    auto slot = connectedSlot();
    for (const char* sql :
         {"select * from DB2INST1.EMPLOYEE where empno <> ''", "select * from employee e"}) {
        QString errors;
        GridDefinition d =
            describeSelect(*slot, QStringLiteral("select * from db2inst1.employee"), errors);
        ASSERT_TRUE(errors.isEmpty()) << errors.toStdString();
        d.select = QString::fromUtf8(sql);
        for (ColumnInfo& c : d.columns)
            c.dbName.clear();

        resolveUpdateTable(*slot, d, noOrigins(d));
        EXPECT_EQ(d.updateTable, QStringLiteral("db2inst1.employee")) << sql;
        EXPECT_EQ(keys(d), std::vector<QString>{QStringLiteral("empno")}) << sql;
        EXPECT_EQ(d.columns[3].dbName, QStringLiteral("lastname"));
        EXPECT_TRUE(d.columns[3].updatable);
    }
}

TEST(UpdateTableFromStatement, NoTableMissingKeyOrJoinLeavesTheGridReadOnly) {
    auto slot = connectedSlot();
    QString errors;
    const GridDefinition some = describeSelect(
        *slot, QStringLiteral("select lastname, firstnme from db2inst1.employee"), errors);
    ASSERT_TRUE(errors.isEmpty()) << errors.toStdString();

    for (const char* sql : {"select lastname, firstnme from db2inst1.employee",
                            "select lastname, firstnme from \"DB2INST1\".\"EMPLOYEE\"",
                            "select lastname, firstnme from db2inst1.employee e, db2inst1.sales",
                            "select lastname, firstnme from db2inst1.no_such_table"}) {
        GridDefinition d = some;
        d.select = QString::fromUtf8(sql);
        resolveUpdateTable(*slot, d, noOrigins(d));
        EXPECT_EQ(d.updateTable, QString()) << sql;
        EXPECT_FALSE(anyUpdatable(d)) << sql;
    }
}
