#include "browse/view_query.h"
#include "browse/w_db2.h"

#include <gtest/gtest.h>

using app::catalogTableName;
using app::rewriteCountQuery;
using app::viewQuery;

namespace {

// d_rows as the grid reports it: each double quote comes back as ~".
const QString designedCount = QStringLiteral("  SELECT count(*) as tbl_rows  \r\n"
                                             "    FROM ~\"SYSADM~\".~\"EPEVR_EVEROLUP_TBL~\"   \r\n"
                                             "\tWITH UR");

std::string text(const QString& s) {
    return s.toStdString();
}

} // namespace

TEST(ViewQuery, ComposesColumnsCriterionAndSortAndAlwaysEndsWithUncommittedRead) {
    EXPECT_EQ(text(viewQuery(QStringLiteral("T"), QStringLiteral("a, b"), QStringLiteral("x = 1"),
                             QStringLiteral("a"))),
              "select a, b from T where x = 1 order by a  WITH UR ");
    EXPECT_EQ(text(viewQuery(QStringLiteral("T"), {}, {}, {})), "select * from T  WITH UR ");
    EXPECT_EQ(text(viewQuery(QStringLiteral("T"), {}, {}, QStringLiteral("b desc"))),
              "select * from T order by b desc  WITH UR ");
    // Blanks count as given; nothing is trimmed.
    EXPECT_EQ(text(viewQuery(QStringLiteral("T"), QStringLiteral(" "), QStringLiteral("   "), {})),
              "select   from T where      WITH UR ");
}

TEST(ViewQuery, APartEndingInALineCommentLeavesWhatFollowsOnALineOfItsOwn) {
    EXPECT_EQ(text(viewQuery(QStringLiteral("T"), {}, QStringLiteral("cust_id < 3 -- comment"),
                             QStringLiteral("a"))),
              "select * from T where (\ncust_id < 3 -- comment\n) order by a  WITH UR ");
    EXPECT_EQ(text(viewQuery(QStringLiteral("T"), QStringLiteral("a -- b"), {},
                             QStringLiteral("a -- last"))),
              "select a -- b\n from T order by a -- last\n  WITH UR ");
    // A "--" inside a literal or a quoted name comments nothing out.
    EXPECT_EQ(
        text(viewQuery(QStringLiteral("T"), {}, QStringLiteral("c = '--' or \"x--\" = 1"), {})),
        "select * from T where c = '--' or \"x--\" = 1  WITH UR ");
}

TEST(CountQueryRewrite, FirstRewriteDropsTheQuotesAndNamesTheTableKeepingLayout) {
    EXPECT_EQ(text(rewriteCountQuery(designedCount, app::countPlaceholderName(),
                                     QStringLiteral("DB2INST1.EMPLOYEE"))),
              "  SELECT count(*) as tbl_rows  \r\n    FROM DB2INST1.EMPLOYEE   \r\n\tWITH UR");
}

TEST(CountQueryRewrite, NewNameContainingTheOldOneIsReplacedOnceAndTheScanEnds) {
    const QString counted = QStringLiteral("SELECT count(*) FROM A.T WITH UR");
    EXPECT_EQ(text(rewriteCountQuery(counted, QStringLiteral("A.T"), QStringLiteral("A.TA.T"))),
              "SELECT count(*) FROM A.TA.T WITH UR");
    EXPECT_EQ(text(rewriteCountQuery(counted, QStringLiteral("A.T"), QStringLiteral("XA.T"))),
              "SELECT count(*) FROM XA.T WITH UR");
    EXPECT_EQ(text(rewriteCountQuery(QStringLiteral("A.T A.T"), QStringLiteral("A.T"),
                                     QStringLiteral("A.T2"))),
              "A.T2 A.T2");
    // Nothing to look for: only the quotes go.
    EXPECT_EQ(text(rewriteCountQuery(QStringLiteral("~\"A~\".T"), {}, QStringLiteral("B.U"))),
              "A.T");
}

TEST(CountQueryRewrite, QuotesInARowAllGo) {
    // "A""B" and "" as the grid reports them: ~"A~"~"B~" and ~"~".
    EXPECT_EQ(text(rewriteCountQuery(QStringLiteral("SELECT count(*) FROM ~\"A~\"~\"B~\".~\"~\"T"),
                                     {}, {})),
              "SELECT count(*) FROM AB.T");
    EXPECT_EQ(text(rewriteCountQuery(QStringLiteral("FROM ~\"S~\".~\"T~\"~\"T~\""),
                                     QStringLiteral("S.TT"), QStringLiteral("X.Y"))),
              "FROM X.Y");
}

TEST(CatalogTableName, CreatorLosesItsPaddingAndTheNameIsKeptAsReturned) {
    EXPECT_EQ(text(catalogTableName(QStringLiteral("SYSIBM  "), QStringLiteral("SYSTABLES"))),
              "SYSIBM.SYSTABLES");
    EXPECT_EQ(text(catalogTableName(QStringLiteral("TOOLS   "), QStringLiteral("TOOL"))),
              "TOOLS.TOOL");
}

TEST(CatalogTableName, NamesThatAreNoOrdinaryIdentifiersGoInDoubleQuotes) {
    EXPECT_EQ(text(catalogTableName(QStringLiteral("DB2INST1"), QStringLiteral("it's here"))),
              "DB2INST1.\"it's here\"");
    EXPECT_EQ(text(catalogTableName(QStringLiteral("DB2INST1 "), QStringLiteral("two words"))),
              "DB2INST1.\"two words\"");
    EXPECT_EQ(text(catalogTableName(QStringLiteral("S"), QStringLiteral("say \"hi\""))),
              "S.\"say \"\"hi\"\"\"");
    EXPECT_EQ(text(catalogTableName(QStringLiteral("S"), QStringLiteral("MixedCase"))),
              "S.\"MixedCase\"");
    EXPECT_EQ(text(catalogTableName(QStringLiteral("S"), QStringLiteral("1ST"))), "S.\"1ST\"");
    // A name in the other case does not read back as itself without quotes: a lower-case table
    // of the Db2 catalog is quoted, as is an upper-case one where names fold to lower case.
    EXPECT_EQ(text(catalogTableName(QStringLiteral("S"), QStringLiteral("emp_2"))), "S.\"emp_2\"");
    using platform::sql::IdentifierCase;
    EXPECT_EQ(
        text(catalogTableName(QStringLiteral("s"), QStringLiteral("emp_2"), IdentifierCase::Lower)),
        "s.emp_2");
    EXPECT_EQ(
        text(catalogTableName(QStringLiteral("S"), QStringLiteral("EMP"), IdentifierCase::Lower)),
        "\"S\".\"EMP\"");
    EXPECT_EQ(text(catalogTableName(QStringLiteral("Mixed"), QStringLiteral("Emp"),
                                    IdentifierCase::AsWritten)),
              "Mixed.Emp");
    // The creator as well: a blank, a quote or a dot keeps it whole; none gives the bare name.
    EXPECT_EQ(text(catalogTableName(QStringLiteral("my \"s.x\"  "), QStringLiteral("T"))),
              "\"my \"\"s.x\"\"\".T");
    EXPECT_EQ(text(catalogTableName(QStringLiteral("   "), QStringLiteral("T"))), "T");
}

TEST(CountQueryRewrite, AQuotedNameIsReplacedAfterItsQuotesWentWithTheOthers) {
    // The count query of DB2INST1."two words", as the grid reports it back.
    const QString counted =
        rewriteCountQuery(designedCount, QStringLiteral("SYSADM.EPEVR_EVEROLUP_TBL"),
                          QStringLiteral("DB2INST1.\"two words\""));
    EXPECT_EQ(text(counted), "  SELECT count(*) as tbl_rows  \r\n"
                             "    FROM DB2INST1.\"two words\"   \r\n\tWITH UR");
    QString reported = counted;
    reported.replace(u'"', QStringLiteral("~\""));
    EXPECT_EQ(text(rewriteCountQuery(reported, QStringLiteral("DB2INST1.\"two words\""),
                                     QStringLiteral("DB2INST1.\"it's here\""))),
              "  SELECT count(*) as tbl_rows  \r\n"
              "    FROM DB2INST1.\"it's here\"   \r\n\tWITH UR");
}

// A driver's catalog without schemas names tables without a creator: a short name is replaced
// where it stands as a name, not inside the query's own words ("count", "tbl_rows").
TEST(CountQueryRewrite, NameWithoutCreatorIsReplacedOnlyAsAWholeName) {
    const QString counted = QStringLiteral("SELECT count(*) as tbl_rows FROM t WITH UR");
    EXPECT_EQ(text(rewriteCountQuery(counted, QStringLiteral("t"), QStringLiteral("rows"))),
              "SELECT count(*) as tbl_rows FROM rows WITH UR");
    EXPECT_EQ(text(rewriteCountQuery(QStringLiteral("SELECT count(*) as tbl_rows FROM rows"),
                                     QStringLiteral("rows"), QStringLiteral("EMPLOYEE"))),
              "SELECT count(*) as tbl_rows FROM EMPLOYEE");
}
