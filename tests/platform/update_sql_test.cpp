#include "platform/grid/update_sql.h"

#include <QStringList>
#include <gtest/gtest.h>

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
              QStringLiteral("SELECT \"ID\", \"Part No\", \"name\" FROM \"DB2INST1\".\"Odd "
                             "\"\"Table\" WHERE \"ID\" = ? AND \"Part No\" = ?"));
    EXPECT_EQ(read, (std::vector<int>{0, 1, 2}));
}
