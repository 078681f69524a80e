#include "platform/grid/update_sql.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <sqlext.h>

using namespace platform::grid;

namespace {

// A table whose names need quoting: a schema in upper case, a name with a quote and a blank.
GridDefinition definition() {
    GridDefinition def;
    def.updateTable = QStringLiteral("DB2INST1.\"Odd \"\"Table\"");
    auto column = [](const char* name, const char* dbName, bool key, bool updatable) {
        ColumnInfo c;
        c.name = QString::fromLatin1(name);
        c.dbName = QString::fromLatin1(dbName);
        c.key = key;
        c.updatable = updatable;
        return c;
    };
    def.columns = {column("id", "ID", true, true), column("part", "Part No", true, true),
                   column("name", "name", false, true), column("total", "", false, false)};
    // Columns whose values cannot be compared exactly with the text that was read.
    auto typed = [&](const char* name, ColumnKind kind, SQLSMALLINT sqlType) {
        ColumnInfo c = column(name, name, false, true);
        c.kind = kind;
        c.sqlType = sqlType;
        return c;
    };
    def.columns.push_back(typed("ratio", ColumnKind::Float, SQL_DOUBLE));
    def.columns.push_back(typed("photo", ColumnKind::Binary, SQL_VARBINARY));
    def.columns.push_back(typed("notes", ColumnKind::Text, SQL_WLONGVARCHAR));
    def.columns.push_back(typed("resume", ColumnKind::Text, -99)); // Db2's CLOB
    def.columns.push_back(typed("city", ColumnKind::Text, SQL_VARCHAR));
    return def;
}

QStringList columnsOf(const BoundStatement& statement) {
    QStringList out;
    for (const BoundValue& p : statement.parameters)
        out << QStringLiteral("%1=%2").arg(p.column).arg(p.value.value_or(QStringLiteral("NULL")));
    return out;
}

} // namespace

TEST(UpdateStatements, QuoteEveryNameBindEveryValueAndWriteOnlyWhatWasSet) {
    const GridDefinition def = definition();
    const std::vector<SqlValue> key{QStringLiteral("7"), QStringLiteral("x'1")};

    const BoundStatement del = deleteStatement(def, key);
    EXPECT_EQ(del.sql, QStringLiteral("DELETE FROM \"DB2INST1\".\"Odd \"\"Table\" WHERE \"ID\" = "
                                      "? AND \"Part No\" = ?"));
    EXPECT_EQ(columnsOf(del), QStringList({QStringLiteral("0=7"), QStringLiteral("1=x'1")}));

    // A computed column is never written; NULL is a value like any other.
    const auto update = updateStatement(def, {{2, std::nullopt}, {3, QStringLiteral("9")}}, key);
    ASSERT_TRUE(update);
    EXPECT_EQ(update->sql, QStringLiteral("UPDATE \"DB2INST1\".\"Odd \"\"Table\" SET \"name\" = ? "
                                          "WHERE \"ID\" = ? AND \"Part No\" = ?"));
    EXPECT_EQ(columnsOf(*update), QStringList({QStringLiteral("2=NULL"), QStringLiteral("0=7"),
                                               QStringLiteral("1=x'1")}));
    EXPECT_FALSE(updateStatement(def, {{3, QStringLiteral("9")}}, key));

    // Columns nobody set are left out, so that the server's default applies.
    const auto insert = insertStatement(def, {{1, QStringLiteral("p")}, {2, std::nullopt}});
    ASSERT_TRUE(insert);
    EXPECT_EQ(insert->sql,
              QStringLiteral("INSERT INTO \"DB2INST1\".\"Odd \"\"Table\" (\"Part No\", "
                             "\"name\") VALUES (?, ?)"));
    EXPECT_EQ(columnsOf(*insert), QStringList({QStringLiteral("1=p"), QStringLiteral("2=NULL")}));
    EXPECT_FALSE(insertStatement(def, {})) << "a row with nothing set is no INSERT";
    EXPECT_FALSE(insertStatement(def, {{3, QStringLiteral("9")}}));

    const auto [select, read] = readBackStatement(def, key);
    EXPECT_EQ(select.sql,
              QStringLiteral("SELECT \"ID\", \"Part No\", \"name\", \"ratio\", \"photo\", "
                             "\"notes\", \"resume\", \"city\" FROM \"DB2INST1\".\"Odd "
                             "\"\"Table\" WHERE \"ID\" = ? AND \"Part No\" = ?"));
    EXPECT_EQ(read, (std::vector<int>{0, 1, 2, 4, 5, 6, 7, 8}));
}

TEST(UpdateStatements, ChangeTheRowOnlyWhileTheComparableCellsHoldWhatWasRead) {
    const GridDefinition def = definition();
    const std::vector<SqlValue> key{QStringLiteral("7"), QStringLiteral("p")};
    // Every cell as it was read: name NULL, the key, a computed total, and each kind of column.
    const std::vector<BoundValue> read{
        {0, QStringLiteral("7")},   {1, QStringLiteral("p")},    {2, std::nullopt},
        {3, QStringLiteral("9")},   {4, QStringLiteral("0.1")},  {5, QStringLiteral("FF")},
        {6, QStringLiteral("txt")}, {7, QStringLiteral("clob")}, {8, QStringLiteral("Oslo")}};

    // A DELETE compares every cell that can be compared; a NULL one without a parameter.
    const BoundStatement del = deleteStatement(def, key, read);
    EXPECT_EQ(del.sql,
              QStringLiteral("DELETE FROM \"DB2INST1\".\"Odd \"\"Table\" WHERE \"ID\" = "
                             "? AND \"Part No\" = ? AND \"name\" IS NULL AND \"city\" = ?"));
    EXPECT_EQ(columnsOf(del), QStringList({QStringLiteral("0=7"), QStringLiteral("1=p"),
                                           QStringLiteral("8=Oslo")}));

    // An UPDATE compares the cells it sets (a new key is found by the one that was read).
    const auto update = updateStatement(
        def, {{0, QStringLiteral("8")}, {8, QStringLiteral("Bergen")}, {4, QStringLiteral("2")}},
        key, {{0, QStringLiteral("7")}, {8, QStringLiteral("Oslo")}, {4, QStringLiteral("0.1")}});
    ASSERT_TRUE(update);
    EXPECT_EQ(
        update->sql,
        QStringLiteral("UPDATE \"DB2INST1\".\"Odd \"\"Table\" SET \"ID\" = ?, \"city\" = ?, "
                       "\"ratio\" = ? WHERE \"ID\" = ? AND \"Part No\" = ? AND \"city\" = ?"));
    EXPECT_EQ(columnsOf(*update), QStringList({QStringLiteral("0=8"), QStringLiteral("8=Bergen"),
                                               QStringLiteral("4=2"), QStringLiteral("0=7"),
                                               QStringLiteral("1=p"), QStringLiteral("8=Oslo")}));
}
