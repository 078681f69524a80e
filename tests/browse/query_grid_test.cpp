#include "app/globals.h"
#include "browse/query_grid.h"
#include "platform/odbc/transaction.h"

#include <gtest/gtest.h>

using app::columnsOfSyntax;
using app::recordSlot;
using app::str_sqlca;

namespace {

str_sqlca naming(const QString& slot) {
    str_sqlca record;
    record.s_sqlca = slot;
    return record;
}

class SlotLookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        app::Globals& g = app::globals();
        g.SQLCA = &sqlca;
        g.SQLCA1 = &sqlca1;
        g.SQLCA2 = &sqlca2;
        g.SQLCA3 = &sqlca3;
    }
    void TearDown() override {
        app::Globals& g = app::globals();
        g.SQLCA = g.SQLCA1 = g.SQLCA2 = g.SQLCA3 = nullptr;
    }
    platform::Transaction sqlca{QStringLiteral("SQLCA")};
    platform::Transaction sqlca1{QStringLiteral("SQLCA1")};
    platform::Transaction sqlca2{QStringLiteral("SQLCA2")};
    platform::Transaction sqlca3{QStringLiteral("SQLCA3")};
};

} // namespace

TEST_F(SlotLookupTest, TheFourNamesSelectTheirSlots) {
    EXPECT_EQ(recordSlot(naming(QStringLiteral("SQLCA"))), &sqlca);
    EXPECT_EQ(recordSlot(naming(QStringLiteral("SQLCA1"))), &sqlca1);
    EXPECT_EQ(recordSlot(naming(QStringLiteral("SQLCA2"))), &sqlca2);
    EXPECT_EQ(recordSlot(naming(QStringLiteral("SQLCA3"))), &sqlca3);
}

TEST_F(SlotLookupTest, AnyOtherTextSelectsNoSlot) {
    for (const QString& text :
         {QString(), QStringLiteral("sqlca"), QStringLiteral(" SQLCA"), QStringLiteral("SQLCA "),
          QStringLiteral("SQLCA4"), QStringLiteral("SQLCA01")})
        EXPECT_EQ(recordSlot(naming(text)), nullptr) << text.toStdString();
}

TEST(ColumnsOfSyntax, NamesEveryColumnControlInOrder) {
    const QString syntax = QStringLiteral("release 6;\ntable(column=(type=char(6) name=empno)\n)\n"
                                          "column(name=empno band=detail id=1 x=\"10\")\n"
                                          "text(name=t band=header text=\"x\")\n"
                                          "column(name=last_name band=detail id=2)\n"
                                          "column(name=compute_0003 band=detail id=3)\n");
    EXPECT_EQ(columnsOfSyntax(syntax),
              (QStringList{QStringLiteral("empno"), QStringLiteral("last_name"),
                           QStringLiteral("compute_0003")}));
}

TEST(ColumnsOfSyntax, SyntaxWithoutColumnsGivesNone) {
    EXPECT_TRUE(columnsOfSyntax(QString()).isEmpty());
    EXPECT_TRUE(columnsOfSyntax(QStringLiteral("column(name=broken")).isEmpty());
}
