#include "platform/grid/dataobject.h"
#include "platform/grid/describe.h"
#include "platform/grid/syntax.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace platform::grid;

namespace {

// The windows' scan: every text between "column(name=" and the next " band=detail".
QStringList scanColumnNames(const QString& syntax) {
    QStringList names;
    qsizetype upper = 0;
    for (;;) {
        const qsizetype pos = syntax.indexOf(QStringLiteral("column(name="), upper);
        if (pos < 0)
            break;
        upper = syntax.indexOf(QStringLiteral(" band=detail"), pos + 1);
        if (upper < 0)
            break;
        names.append(syntax.mid(pos + 12, upper - pos - 12));
    }
    return names;
}

// Loads and parses a data object; false (with the reason reported) when either fails.
bool load(const char* name, GridDefinition& definition, QString* text = nullptr) {
    QString errors;
    const QString syntax = loadDataObject(QString::fromUtf8(name), errors);
    if (!errors.isEmpty()) {
        ADD_FAILURE() << errors.toStdString();
        return false;
    }
    if (text)
        *text = syntax;
    definition = parseSyntax(syntax, errors);
    if (!errors.isEmpty()) {
        ADD_FAILURE() << name << ": " << errors.toStdString();
        return false;
    }
    return true;
}

} // namespace

TEST(DataObjects, RowCountKeepsItsDesignTimeStatement) {
    QString text;
    GridDefinition rows;
    ASSERT_TRUE(load("d_rows", rows, &text));
    EXPECT_EQ(rows.select, QStringLiteral("  SELECT count(*) as tbl_rows  \r\n"
                                          "    FROM \"SYSADM\".\"EPEVR_EVEROLUP_TBL\"   \r\n"
                                          "\tWITH UR"));
    EXPECT_EQ(selectForDisplay(rows.select),
              QStringLiteral("  SELECT count(*) as tbl_rows  \r\n"
                             "    FROM ~\"SYSADM~\".~\"EPEVR_EVEROLUP_TBL~\"   \r\n"
                             "\tWITH UR"));
    EXPECT_EQ(scanColumnNames(text), QStringList{QStringLiteral("tbl_rows")});
    EXPECT_EQ(rows.columns[0].kind, ColumnKind::Integer);
    EXPECT_FALSE(rows.external);
}

TEST(DataObjects, Db2TableListReadsTheCatalogByCreatorAndName) {
    QString text;
    GridDefinition tables;
    ASSERT_TRUE(load("d_tables_db2", tables, &text));
    EXPECT_EQ(tables.select,
              QStringLiteral("select creator, NAME from \"SYSIBM\".\"SYSTABLES\"\r\n"
                             "ORDER by creator, \"SYSIBM\".\"SYSTABLES\".\"NAME\"\r\n"
                             "WITH UR"));
    EXPECT_EQ(scanColumnNames(text),
              (QStringList{QStringLiteral("creator"), QStringLiteral("name")}));
    EXPECT_EQ(tables.updateTable, QString());
}

TEST(DataObjects, Db2TableListStatementDescribesOnTheSampleDatabase) {
    GridDefinition tables;
    ASSERT_TRUE(load("d_tables_db2", tables));
    auto slot = testsupport::connectedSlot();
    QString errors;
    const GridDefinition live = describeSelect(*slot, tables.select, errors);
    ASSERT_TRUE(errors.isEmpty()) << errors.toStdString();
    ASSERT_EQ(live.columns.size(), tables.columns.size());
    for (std::size_t i = 0; i < live.columns.size(); ++i) {
        EXPECT_EQ(live.columns[i].name, tables.columns[i].name);
        EXPECT_EQ(live.columns[i].kind, tables.columns[i].kind);
    }
}

TEST(DataObjects, ProgramFilledListsHaveTheirStringColumns) {
    GridDefinition opened;
    ASSERT_TRUE(load("d_dsn_opened", opened));
    EXPECT_TRUE(opened.external);
    QStringList names;
    for (const ColumnInfo& c : opened.columns) {
        names.append(c.name);
        EXPECT_EQ(c.kind, ColumnKind::Text) << c.name.toStdString();
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("es_dbms"), QStringLiteral("es_dsn"),
                                  QStringLiteral("es_uid"), QStringLiteral("es_sqlca"),
                                  QStringLiteral("es_dbparm")}));

    QString text;
    GridDefinition columns;
    ASSERT_TRUE(load("d_col_names", columns, &text));
    EXPECT_TRUE(columns.external);
    EXPECT_EQ(scanColumnNames(text), QStringList{QStringLiteral("es_name")});
    EXPECT_EQ(columns.columns[0].kind, ColumnKind::Text);
}

TEST(DataObjects, SqlAnywhereTableListHasCreatorAndNameColumns) {
    QString text;
    GridDefinition tables;
    ASSERT_TRUE(load("d_tables_sqlanwh", tables, &text));
    EXPECT_EQ(scanColumnNames(text),
              (QStringList{QStringLiteral("tcreator"), QStringLiteral("ttname")}));
    EXPECT_FALSE(tables.select.isEmpty());
    EXPECT_FALSE(tables.external);
}

TEST(DataObjects, UnknownNamesAreNotFound) {
    for (const QString& name :
         {QStringLiteral("d_nothing"), QStringLiteral("../dataobjects/d_rows"), QString()}) {
        QString errors;
        EXPECT_EQ(loadDataObject(name, errors), QString());
        EXPECT_EQ(errors, QStringLiteral("Data object %1 not found").arg(name));
    }
}
