#include "platform/grid/syntax.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <limits>
#include <sqlext.h>

using namespace platform::grid;

namespace {

// The windows' scan: every text between "column(name=" and the next " band=detail", with
// positions searched as the string function Pos does.
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

ColumnInfo column(const QString& name, ColumnKind kind, long size = 10) {
    ColumnInfo c;
    c.name = name;
    c.label = name.toUpper();
    c.dbName = name;
    c.kind = kind;
    c.size = size;
    return c;
}

GridDefinition employeeLike() {
    GridDefinition d;
    ColumnInfo empno = column(QStringLiteral("empno"), ColumnKind::Text, 6);
    empno.sqlType = SQL_WCHAR;
    empno.key = true;
    empno.updatable = true;
    empno.nullable = false;
    ColumnInfo salary = column(QStringLiteral("salary"), ColumnKind::Decimal, 9);
    salary.sqlType = SQL_NUMERIC;
    salary.decimals = 2;
    salary.updatable = true;
    ColumnInfo hired = column(QStringLiteral("hiredate"), ColumnKind::Date);
    hired.sqlType = SQL_TYPE_DATE;
    hired.label = QStringLiteral("Hired on \"day\" ~ (local)");
    ColumnInfo stamp = column(QStringLiteral("changed_at"), ColumnKind::Timestamp, 26);
    stamp.sqlType = SQL_TYPE_TIMESTAMP;
    stamp.decimals = 6;
    ColumnInfo level = column(QStringLiteral("edlevel"), ColumnKind::Integer, 5);
    level.sqlType = SQL_SMALLINT;
    ColumnInfo rate = column(QStringLiteral("rate"), ColumnKind::Float, 15);
    rate.sqlType = SQL_DOUBLE;
    ColumnInfo photo = column(QStringLiteral("picture"), ColumnKind::Binary, 0);
    photo.sqlType = SQL_LONGVARBINARY;
    ColumnInfo flag = column(QStringLiteral("active"), ColumnKind::Boolean, 1);
    flag.sqlType = SQL_BIT;
    ColumnInfo at = column(QStringLiteral("at_time"), ColumnKind::Time, 8);
    at.sqlType = SQL_TYPE_TIME;
    ColumnInfo computed = column(QStringLiteral("compute_0010"), ColumnKind::Text, 0);
    computed.dbName.clear();
    computed.label.clear();
    d.columns = {empno, salary, hired, stamp, level, rate, photo, flag, at, computed};
    d.select = QStringLiteral("select * from db2inst1.employee");
    d.updateTable = QStringLiteral("db2inst1.employee");
    return d;
}

GridDefinition roundTrip(const GridDefinition& d) {
    QString errors;
    GridDefinition back = parseSyntax(writeSyntax(d), errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    return back;
}

// Statements that a user may type, kept to the character by the syntax.
const QStringList awkwardSelects = {
    QStringLiteral(
        "  SELECT count(*) as tbl_rows  \r\n    FROM \"SYSADM\".\"EPEVR_EVEROLUP_TBL\"   "
        "\r\n\tWITH UR"),
    QStringLiteral("select 'a ~ b', '~\"', '~~' from t\t\t-- tildes\r\n"),
    QStringLiteral("select ')' || '(' as \"x)(\" from t where a = \"b\" -- ("),
    QStringLiteral("select '%1 %2 %n' from t\rwhere 1 = 1\n"),
    QStringLiteral("select 'column(name=fake band=detail id=1)' from t"),
    QStringLiteral("select 1 from t ~"),
    QStringLiteral("select 'Zo\u00eb \u20ac \U0001F600', '\\n \\t' from \"Sch\u00e9ma\".t"),
    QStringLiteral("\"\"\"\""),
    QString(),
};

} // namespace

TEST(SyntaxRoundTrip, EveryFieldOfEveryColumnComesBack) {
    const GridDefinition d = employeeLike();
    EXPECT_EQ(roundTrip(d), d);

    GridDefinition external;
    external.external = true;
    external.columns = {column(QStringLiteral("es_name"), ColumnKind::Text, 128)};
    EXPECT_EQ(roundTrip(external), external);
}

TEST(SyntaxRoundTrip, AwkwardSelectsKeepEveryCharacter) {
    GridDefinition d = employeeLike();
    for (const QString& select : awkwardSelects) {
        d.select = select;
        EXPECT_EQ(roundTrip(d).select, select) << select.toStdString();
    }
}

TEST(SyntaxRoundTrip, AwkwardLabelsNamesAndTablesComeBack) {
    GridDefinition d = employeeLike();
    d.columns[0].label = QStringLiteral("Employee \"No\"\r\n~column(name=x band=detail");
    d.columns[1].dbName = QStringLiteral("Sal ary");
    d.columns[2].label = QString();
    d.updateTable = QStringLiteral("\"My Schema\".\"T~1\"");
    EXPECT_EQ(roundTrip(d), d);
}

TEST(SyntaxRoundTrip, SelectIsStoredWithTildeEscapesOnOneLine) {
    GridDefinition d = employeeLike();
    d.select = QStringLiteral("select \"A\"\r\nfrom t\twhere x = '~'");
    const QString text = writeSyntax(d);
    EXPECT_TRUE(
        text.contains(QStringLiteral("select=\"select ~\"A~\"~r~nfrom t~twhere x = '~~'\"")))
        << text.toStdString();
}

TEST(SyntaxColumnScan, NamesWithDigitsAndUnderscoresComeOutInColumnOrder) {
    const QStringList names = {QStringLiteral("col_1"),  QStringLiteral("x2_y"),
                               QStringLiteral("_9"),     QStringLiteral("1"),
                               QStringLiteral("a__b"),   QStringLiteral("compute_0001"),
                               QStringLiteral("band"),   QStringLiteral("detail_"),
                               QStringLiteral("column"), QStringLiteral("name_t")};
    GridDefinition d;
    for (const QString& name : names)
        d.columns.push_back(column(name, ColumnKind::Integer));
    d.select = QStringLiteral("select * from t");
    EXPECT_EQ(scanColumnNames(writeSyntax(d)), names);
}

TEST(SyntaxColumnScan, MarkerInsideValuesIsNeverFound) {
    GridDefinition d = employeeLike();
    const QString fake = QStringLiteral("column(name=fake band=detail");
    d.select = QStringLiteral("select '") + fake + QStringLiteral("' from t");
    d.columns[0].label = fake;
    d.columns[1].dbName = fake;
    d.updateTable = fake;

    const QString text = writeSyntax(d);
    QStringList expected;
    for (const ColumnInfo& c : d.columns)
        expected.append(c.name);
    EXPECT_EQ(scanColumnNames(text), expected);
    EXPECT_EQ(text.count(QStringLiteral("column(name=")), qsizetype(d.columns.size()));
    EXPECT_EQ(roundTrip(d), d);
}

TEST(SelectDisplay, QuotesComeBackWithATildeAndNothingElseChanges) {
    const QString select = awkwardSelects.front();
    EXPECT_EQ(selectForDisplay(select),
              QStringLiteral("  SELECT count(*) as tbl_rows  \r\n    FROM ~\"SYSADM~\".~\""
                             "EPEVR_EVEROLUP_TBL~\"   \r\n\tWITH UR"));
    EXPECT_EQ(selectForDisplay(QStringLiteral("select '~' from t")),
              QStringLiteral("select '~' from t"));
}

TEST(SelectDisplay, WritingTheDisplayedTextBackGivesTheStatement) {
    for (const QString& select : awkwardSelects)
        EXPECT_EQ(selectFromDisplay(selectForDisplay(select)), select) << select.toStdString();
    EXPECT_EQ(selectFromDisplay(QStringLiteral("select * from ~\"T~\" where a = '~'")),
              QStringLiteral("select * from \"T\" where a = '~'"));
}

TEST(ColumnNames, ResultNamesAreLowerCasedWithOtherCharactersReplaced) {
    EXPECT_EQ(columnNameFor(QStringLiteral("LASTNAME"), 1), QStringLiteral("lastname"));
    EXPECT_EQ(columnNameFor(QStringLiteral("Zo\u00eb"), 1), QStringLiteral("zo_"));
    EXPECT_EQ(columnNameFor(QStringLiteral("count(*)"), 2), QStringLiteral("count___"));
    EXPECT_EQ(columnNameFor(QStringLiteral("a b-c.d"), 3), QStringLiteral("a_b_c_d"));
    EXPECT_EQ(columnNameFor(QStringLiteral("1"), 1), QStringLiteral("1"));
    EXPECT_EQ(columnNameFor(QStringLiteral("Tbl_Rows_2"), 1), QStringLiteral("tbl_rows_2"));
    // A character outside the basic plane is one character.
    EXPECT_EQ(columnNameFor(QStringLiteral("x\U0001F600y"), 1), QStringLiteral("x_y"));
}

TEST(ColumnNames, UnnamedColumnsAreNumberedByPosition) {
    EXPECT_EQ(columnNameFor(QString(), 1), QStringLiteral("compute_0001"));
    EXPECT_EQ(columnNameFor(QString(), 12), QStringLiteral("compute_0012"));
    const std::vector<QString> expected = {QStringLiteral("a"), QStringLiteral("compute_0002"),
                                           QStringLiteral("compute_0003")};
    EXPECT_EQ(columnNames({QStringLiteral("A"), QString(), QString()}), expected);
}

TEST(ColumnNames, RepeatedNamesAreMadeUnique) {
    const std::vector<QString> repeated = {QStringLiteral("empno"), QStringLiteral("empno_2"),
                                           QStringLiteral("empno_3")};
    EXPECT_EQ(
        columnNames({QStringLiteral("EMPNO"), QStringLiteral("empno"), QStringLiteral("Empno")}),
        repeated);
    // A suffix never takes the name of a later column.
    const std::vector<QString> taken = {QStringLiteral("a"), QStringLiteral("a_3"),
                                        QStringLiteral("a_2")};
    EXPECT_EQ(columnNames({QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("a_2")}),
              taken);
    // Each further repeat takes the next free number, still skipping a later column's name.
    const QStringList many = {QStringLiteral("a"),   QStringLiteral("a"), QStringLiteral("a"),
                              QStringLiteral("a_3"), QStringLiteral("a"), QStringLiteral("a")};
    const std::vector<QString> numbered = {QStringLiteral("a"),   QStringLiteral("a_2"),
                                           QStringLiteral("a_4"), QStringLiteral("a_3"),
                                           QStringLiteral("a_5"), QStringLiteral("a_6")};
    EXPECT_EQ(columnNames(many), numbered);
    // Names that differ only in replaced characters collide too.
    const std::vector<QString> replaced = {QStringLiteral("a_b"), QStringLiteral("a_b_2")};
    EXPECT_EQ(columnNames({QStringLiteral("a b"), QStringLiteral("a-b")}), replaced);
}

TEST(SyntaxErrors, MalformedTextGivesAReasonAndNoDefinition) {
    const QString good = writeSyntax(employeeLike());
    struct Case {
        QString text;
        QString says;
    };
    QString missingName = good;
    missingName.replace(QStringLiteral(" name=salary dbname"), QStringLiteral(" dbname"));
    QString unknownType = good;
    unknownType.replace(QStringLiteral("type=decimal(9,2)"), QStringLiteral("type=money(9)"));
    QString badFlag = good;
    badFlag.replace(QStringLiteral("external=no"), QStringLiteral("external=maybe"));
    QString strayControl = good;
    strayControl += QStringLiteral("column(name=nosuch band=detail id=11)\n");
    const std::vector<Case> cases = {
        {good.left(good.indexOf(QStringLiteral(" select="))), QStringLiteral("parentheses")},
        {good + QStringLiteral(")"), QStringLiteral("parentheses")},
        {good.left(good.indexOf(QStringLiteral("from db2inst1"))), QStringLiteral("quotes")},
        {QStringLiteral("release 1;\ntable(select=\"select 1\" external=no)\n"),
         QStringLiteral("no columns")},
        {missingName, QStringLiteral("no name")},
        {unknownType, QStringLiteral("money")},
        {badFlag, QStringLiteral("maybe")},
        {strayControl, QStringLiteral("nosuch")},
        {QStringLiteral("select * from t"), QStringLiteral("expected '('")},
        {QString(), QStringLiteral("no table")},
        // Read by recursion: a deep nest is refused before the stack runs out.
        {QStringLiteral("table(") + QStringLiteral("a=(").repeated(100000),
         QStringLiteral("nested")},
    };
    for (const Case& c : cases) {
        QString errors;
        const GridDefinition d = parseSyntax(c.text, errors);
        EXPECT_TRUE(errors.contains(c.says, Qt::CaseInsensitive))
            << "expected '" << c.says.toStdString() << "' in: " << errors.toStdString();
        EXPECT_EQ(d, GridDefinition{}) << c.text.toStdString();
    }
}

TEST(ColumnWidth, AnyDescribedSizeGivesAWidthWithinTheGridsBounds) {
    const auto width = [](ColumnKind kind, long size) {
        ColumnInfo column;
        column.kind = kind;
        column.size = size;
        return columnWidth(column);
    };
    for (const ColumnKind kind : {ColumnKind::Text, ColumnKind::Integer, ColumnKind::Decimal}) {
        EXPECT_EQ(width(kind, std::numeric_limits<long>::max()), width(ColumnKind::Text, 40));
        EXPECT_EQ(width(kind, -5), width(ColumnKind::Text, 0));
    }
}

TEST(SyntaxErrors, ErrorsNameTheLine) {
    QString errors;
    parseSyntax(QStringLiteral("release 1;\ntable(column=(type=char(3) name=a)\n select=\"x\n"),
                errors);
    EXPECT_TRUE(errors.contains(QStringLiteral("line 3"))) << errors.toStdString();
}

TEST(SyntaxParse, HandWrittenTextTakesDefaultsAndClearsEarlierErrors) {
    QString errors = QStringLiteral("left over");
    const GridDefinition d =
        parseSyntax(QStringLiteral("table(column=(type=long name=n)\n select=\"select 1 as n\")\n"
                                   "column(name=n band=detail id=1)\n"),
                    errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    ASSERT_EQ(d.columns.size(), 1u);
    EXPECT_EQ(d.columns[0].kind, ColumnKind::Integer);
    EXPECT_EQ(d.columns[0].sqlType, SQL_INTEGER);
    EXPECT_TRUE(d.columns[0].nullable);
    EXPECT_FALSE(d.columns[0].key);
    EXPECT_FALSE(d.external);
}
