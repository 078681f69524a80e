// A frame with the application's SQLCA connected to the sample database, Db2 table lists opened
// in it as Single Table View opens them, and a user clicking in the list.

#include "app/globals.h"
#include "app/records.h"
#include "browse/w_db2.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/message.h"
#include "platform/odbc/transaction.h"
#include "platform/registry.h"
#include "platform/windows.h"
#include "sqlpad/sql_editor.h"
#include "sqlpad/w_sqlpad.h"
#include "support/sheet_test.h"
#include "support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

using app::w_db2;
using namespace testsupport;

namespace {

class Db2TableListTest : public SheetTest {
protected:
    // Opens a table list as the frame does for Single Table View.
    w_db2* openList(const QString& slotName = QStringLiteral("SQLCA")) {
        app::str_sqlca record;
        record.s_sqlca = slotName;
        record.s_dsn = sampleDsn();
        return qobject_cast<w_db2*>(platform::OpenSheetWithParm(
            QStringLiteral("w_db2"), record, frame, 1, platform::Arrange::Cascaded));
    }

    // The list row of `table` (creator without blanks, ".", name); 0 when it is not listed.
    static long rowOf(w_db2* sheet, const QString& table) {
        for (long row = 1; row <= sheet->dw_tables->RowCount(); ++row) {
            if (app::catalogTableName(
                    sheet->dw_tables->GetItemString(row, QStringLiteral("creator")),
                    sheet->dw_tables->GetItemString(row, QStringLiteral("name"))) == table)
                return row;
        }
        return 0;
    }

    // The user clicks the row of `table` in the list.
    static void clickTable(w_db2* sheet, const QString& table) {
        const long row = rowOf(sheet, table);
        ASSERT_GT(row, 0) << table.toStdString();
        QTableView* view = sheet->dw_tables->view();
        const QModelIndex index = view->model()->index(static_cast<int>(row - 1), 0);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    QString count(const QString& table) {
        return queryValue(*slot, QStringLiteral("select count(*) from %1").arg(table));
    }

    static QString countShown(w_db2* sheet) {
        return sheet->dw_rows->RowCount() == 1
                   ? sheet->dw_rows->GetItemString(1, QStringLiteral("tbl_rows"))
                   : QString();
    }
};

const QString employee = QStringLiteral("DB2INST1.EMPLOYEE");
const QString department = QStringLiteral("DB2INST1.DEPARTMENT");

} // namespace

TEST_F(Db2TableListTest, ListShowsEveryCatalogTableByCreatorThenNameAndTrimsTheCreator) {
    w_db2* sheet = openList();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Quorvel ") + sampleDsn());
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));
    EXPECT_TRUE(sheet->st_preview->isHidden());
    EXPECT_FALSE(sheet->st_1->isHidden());
    EXPECT_TRUE(sheet->st_retrieved->text().isEmpty());
    EXPECT_EQ(sheet->cb_rows->text(), QStringLiteral("Rows in the table"));
    EXPECT_EQ(sheet->dw_rows->DataObject(), QStringLiteral("d_rows"));
    EXPECT_EQ(sheet->dw_tables->DataObject(), QStringLiteral("d_tables_db2"));
    EXPECT_FALSE(sheet->dw_tables->selectedMouse());
    QStringList listed;
    for (long row = 1; row <= sheet->dw_tables->RowCount(); ++row)
        listed << app::catalogTableName(
            sheet->dw_tables->GetItemString(row, QStringLiteral("creator")),
            sheet->dw_tables->GetItemString(row, QStringLiteral("name")));
    const QString expected = queryValue(
        *slot, QStringLiteral("select string_agg(rtrim(creator) || '.' || \"NAME\", ',' "
                              "order by creator, \"NAME\") from \"SYSIBM\".\"SYSTABLES\""));
    EXPECT_EQ(withoutScratchTables(listed), withoutScratchTables(expected.split(u',')));
    for (const char* table :
         {"DB2INST1.DEPARTMENT", "DB2INST1.EMPLOYEE", "DB2INST1.EMPLOYEE_HISTORY",
          "DB2INST1.PROJECT", "DB2INST1.ACTIVITY", "DB2INST1.PROJACT", "DB2INST1.EMPPROJACT",
          "DB2INST1.SALES", "DB2INST1.EMP_PHOTO", "DB2INST1.EMP_RESUME", "TOOLS.CATEGORY",
          "TOOLS.TOOL"})
        EXPECT_TRUE(listed.contains(QString::fromLatin1(table))) << table;
    EXPECT_LT(rowOf(sheet, QStringLiteral("DB2INST1.EMPLOYEE")),
              rowOf(sheet, QStringLiteral("TOOLS.CATEGORY")));

    // The padded creator 'TOOLS   ' names the table without its blanks.
    const long tool = rowOf(sheet, QStringLiteral("TOOLS.TOOL"));
    EXPECT_EQ(sheet->dw_tables->GetItemString(tool, QStringLiteral("creator")),
              QStringLiteral("TOOLS   "));
    clickTable(sheet, QStringLiteral("TOOLS.TOOL"));
    EXPECT_EQ(sheet->is_tbl_name, QStringLiteral("TOOLS.TOOL"));
    EXPECT_EQ(countShown(sheet), count(QStringLiteral("tools.tool")));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Db2TableListTest, NewSheetForEveryOpeningAndNoListWithoutSlot) {
    w_db2* first = openList();
    w_db2* second = openList();
    EXPECT_NE(first, second);
    EXPECT_GT(second->dw_tables->RowCount(), 0);
    w_db2* unbound = openList(QStringLiteral("SQLCA2"));
    ASSERT_NE(unbound, nullptr);
    EXPECT_EQ(unbound->dw_tables->RowCount(), 0);
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Retrieving data, please wait..."));
}

TEST_F(Db2TableListTest, ClickCountsTheTableAndPreviewsFiveRowsUnderFirst) {
    w_db2* sheet = openList();
    sheet->sle_1->setText(QStringLiteral("empno"));
    sheet->sle_restriction->setText(QStringLiteral("1 = 1"));
    sheet->sle_sort->setText(QStringLiteral("empno"));
    clickTable(sheet, employee);

    EXPECT_TRUE(sheet->dw_tables->IsSelected(rowOf(sheet, employee)));
    EXPECT_EQ(sheet->is_tbl_name, employee);
    EXPECT_EQ(countShown(sheet), count(employee));
    EXPECT_GT(count(employee).toLong(), 5);
    EXPECT_EQ(sheet->dw_1->RowCount(), 5);
    EXPECT_FALSE(sheet->st_preview->isHidden());
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("5"));
    EXPECT_TRUE(sheet->sle_1->text().isEmpty());
    EXPECT_TRUE(sheet->sle_restriction->text().isEmpty());
    EXPECT_TRUE(sheet->sle_sort->text().isEmpty());
    EXPECT_EQ(sheet->istr_sqlca.s_sql, QStringLiteral("select * from DB2INST1.EMPLOYEE  WITH UR "));
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Db2TableListTest, FirstIsHiddenWhenThePreviewHoldsTheWholeTable) {
    ScratchTable three(*slot, QStringLiteral("tvthree"), QStringLiteral("n integer"),
                       QStringLiteral("(1), (2), (3)"));
    ScratchTable five(*slot, QStringLiteral("tvfive"), QStringLiteral("n integer"),
                      QStringLiteral("(1), (2), (3), (4), (5)"));
    ScratchTable six(*slot, QStringLiteral("tvsix"), QStringLiteral("n integer"),
                     QStringLiteral("(1), (2), (3), (4), (5), (6)"));
    w_db2* sheet = openList();
    const auto upper = [](const ScratchTable& t) {
        return t.name().toUpper();
    };

    clickTable(sheet, upper(three));
    EXPECT_EQ(sheet->dw_1->RowCount(), 3);
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("3"));
    EXPECT_TRUE(sheet->st_preview->isHidden());

    clickTable(sheet, upper(five));
    EXPECT_EQ(sheet->dw_1->RowCount(), 5);
    EXPECT_TRUE(sheet->st_preview->isHidden());

    clickTable(sheet, upper(six));
    EXPECT_EQ(sheet->dw_1->RowCount(), 5);
    EXPECT_FALSE(sheet->st_preview->isHidden());
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Db2TableListTest, ClickOnHeadingOrBelowTheRowsCountsAndRetrievesNothing) {
    w_db2* sheet = openList();
    QHeaderView* heading = sheet->dw_tables->view()->horizontalHeader();
    QTest::mouseClick(heading->viewport(), Qt::LeftButton, {},
                      QPoint(heading->sectionViewportPosition(0) + 5, heading->height() / 2));
    Q_EMIT sheet->dw_tables->Clicked(10, 10, 0,
                                     {QStringLiteral("datawindow"), QStringLiteral("datawindow")});

    EXPECT_EQ(sheet->dw_tables->GetSelectedRow(0), 0);
    EXPECT_TRUE(sheet->is_tbl_name.isEmpty());
    EXPECT_EQ(sheet->dw_rows->RowCount(), 0);
    EXPECT_EQ(sheet->dw_1->RowCount(), 0);
    EXPECT_TRUE(sheet->st_preview->isHidden());
    EXPECT_TRUE(sheet->istr_sqlca.s_sql.isEmpty());
}

TEST_F(Db2TableListTest, SameRowAgainDeselectsAndKeepsGridsThenAnotherTableIsCounted) {
    w_db2* sheet = openList();
    clickTable(sheet, employee);
    const QString employees = countShown(sheet);
    sheet->sle_sort->setText(QStringLiteral("empno"));

    clickTable(sheet, employee);
    EXPECT_FALSE(sheet->dw_tables->IsSelected(rowOf(sheet, employee)));
    EXPECT_TRUE(sheet->is_tbl_name.isEmpty());
    EXPECT_EQ(countShown(sheet), employees);
    EXPECT_EQ(sheet->dw_1->RowCount(), 5);
    EXPECT_TRUE(sheet->st_retrieved->text().isEmpty());
    EXPECT_TRUE(sheet->sle_sort->text().isEmpty());
    EXPECT_FALSE(sheet->st_preview->isHidden());
    EXPECT_EQ(sheet->istr_sqlca.s_sql, QStringLiteral("select * from DB2INST1.EMPLOYEE  WITH UR "));

    clickTable(sheet, department);
    EXPECT_TRUE(sheet->dw_tables->IsSelected(rowOf(sheet, department)));
    EXPECT_EQ(sheet->dw_tables->GetSelectedRow(rowOf(sheet, department)), 0);
    EXPECT_EQ(countShown(sheet), count(department));
    EXPECT_TRUE(sheet->dw_rows->TableSelect().contains(QStringLiteral("FROM DB2INST1.DEPARTMENT")));
    EXPECT_EQ(sheet->istr_sqlca.s_sql,
              QStringLiteral("select * from DB2INST1.DEPARTMENT  WITH UR "));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Db2TableListTest, ColumnsCriterionAndSortRetrieveExactlyTheRowsAsked) {
    w_db2* sheet = openList();
    clickTable(sheet, employee);
    sheet->sle_1->setText(QStringLiteral("empno, lastname"));
    sheet->sle_restriction->setText(QStringLiteral("workdept = 'D11'"));
    sheet->sle_sort->setText(QStringLiteral("lastname desc"));
    QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);

    EXPECT_EQ(sheet->istr_sqlca.s_sql,
              QStringLiteral("select empno, lastname from DB2INST1.EMPLOYEE where workdept = "
                             "'D11' order by lastname desc  WITH UR "));
    const QString expected = queryValue(
        *slot, QStringLiteral("select string_agg(empno || ' ' || lastname, ',' order by lastname "
                              "desc) from db2inst1.employee where workdept = 'D11'"));
    QStringList shown;
    for (long row = 1; row <= sheet->dw_1->RowCount(); ++row)
        shown << sheet->dw_1->GetItemString(row, 1) + QLatin1Char(' ') +
                     sheet->dw_1->GetItemString(row, 2);
    EXPECT_GT(shown.size(), 5);
    EXPECT_EQ(shown.join(QLatin1Char(',')), expected);
    EXPECT_EQ(sheet->dw_1->ColumnCount(), 2);
    EXPECT_EQ(sheet->st_retrieved->text(), QString::number(shown.size()));
    EXPECT_TRUE(sheet->st_preview->isHidden());
    EXPECT_TRUE(boxes.shown().empty());
    platform::TriggerEvent(sheet, "ue_get_columns");
    EXPECT_EQ(sheet->columnList,
              QStringList({employee, QStringLiteral("empno"), QStringLiteral("lastname")}));

    // Three blanks are a criterion too; the statement is kept although the database refuses it.
    sheet->sle_1->clear();
    sheet->sle_sort->clear();
    sheet->sle_restriction->setText(QStringLiteral("   "));
    QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 1U);
    EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("Caution"));
    EXPECT_EQ(sheet->istr_sqlca.s_sql,
              QStringLiteral("select * from DB2INST1.EMPLOYEE where      WITH UR "));
    // The rows of the last statement no longer belong to what the fields say.
    EXPECT_EQ(sheet->dw_1->RowCount(), 0);
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));
}

TEST_F(Db2TableListTest, RowsInTheTableAlwaysCountsTheChosenTableOrNothing) {
    ScratchTable shorter(*slot, QStringLiteral("tvname"), QStringLiteral("n integer"),
                         QStringLiteral("(1), (2)"));
    // A table whose name holds the first one's whole name.
    const QString pid = QString::number(QCoreApplication::applicationPid());
    ScratchTable longer(*slot, QStringLiteral("tvname_%1_x").arg(pid), QStringLiteral("n integer"),
                        QStringLiteral("(1), (2), (3), (4), (5), (6), (7)"));
    const QString a = shorter.name().toUpper();
    const QString b = longer.name().toUpper();
    ASSERT_TRUE(b.contains(a));
    w_db2* sheet = openList();

    // Before any table was chosen: nothing to count.
    QTest::mouseClick(sheet->cb_rows, Qt::LeftButton);
    EXPECT_EQ(sheet->dw_rows->RowCount(), 0);

    clickTable(sheet, a);
    EXPECT_EQ(countShown(sheet), QStringLiteral("2"));
    QTest::mouseClick(sheet->cb_rows, Qt::LeftButton);
    EXPECT_EQ(countShown(sheet), QStringLiteral("2"));

    // After a deselection: nothing counted, and the next choice is counted.
    clickTable(sheet, a);
    QTest::mouseClick(sheet->cb_rows, Qt::LeftButton);
    EXPECT_EQ(countShown(sheet), QStringLiteral("2"));
    clickTable(sheet, b);
    EXPECT_EQ(countShown(sheet), QStringLiteral("7"));
    EXPECT_EQ(sheet->dw_rows->TableSelect().count(b), 1);

    // The other way round, and a deselection followed by Retrieve.
    clickTable(sheet, a);
    EXPECT_EQ(countShown(sheet), QStringLiteral("2"));
    clickTable(sheet, a);
    QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    clickTable(sheet, b);
    EXPECT_EQ(countShown(sheet), QStringLiteral("7"));
    EXPECT_EQ(sheet->dw_rows->TableSelect().count(a), 1);
    QTest::mouseClick(sheet->cb_rows, Qt::LeftButton);
    EXPECT_EQ(countShown(sheet), QStringLiteral("7"));
}

TEST_F(Db2TableListTest, SqlWorkspaceStartsWithTheLastViewQueryWhichRetrievesUnchanged) {
    w_db2* sheet = openList();
    clickTable(sheet, department);
    platform::TriggerEvent(sheet, "ue_sqlpad");
    auto* pad = frame->findChild<app::w_sqlpad*>();
    ASSERT_NE(pad, nullptr);
    EXPECT_EQ(pad->mle_1->text(), QStringLiteral("select * from DB2INST1.DEPARTMENT"));
    QTest::mouseClick(pad->cb_retrieve, Qt::LeftButton);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(QString::number(pad->dw_1->RowCount()), count(department));
}

TEST_F(Db2TableListTest, SaveCommitsAnEditAndPrintProducesTheGrid) {
    ScratchTable table(*slot, QStringLiteral("tvsave"),
                       QStringLiteral("id integer primary key, label varchar(40)"),
                       QStringLiteral("(1, 'one'), (2, 'two'), (3, 'three')"));
    auto observer = connectedSlot(QStringLiteral("SQLCA1"));
    w_db2* sheet = openList();
    clickTable(sheet, table.name().toUpper());
    sheet->sle_sort->setText(QStringLiteral("id"));
    QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    ASSERT_EQ(sheet->dw_1->RowCount(), 3);
    sheet->dw_1->SetItem(2, 2, QStringLiteral("deux"));
    platform::TriggerEvent(sheet, "ue_save");
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(queryValue(*observer,
                         QStringLiteral("select label from %1 where id = 2").arg(table.name())),
              QStringLiteral("deux"));
    observer->Commit();

    QTemporaryDir folder;
    qputenv("DORVANE_PRINT_DIR", folder.path().toUtf8());
    platform::TriggerEvent(sheet, "ue_print");
    qunsetenv("DORVANE_PRINT_DIR");
    const QStringList files = QDir(folder.path()).entryList({QStringLiteral("*.pdf")});
    ASSERT_EQ(files.size(), 1) << "one print job";
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {folder.filePath(files[0]), QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(60000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    for (const char* label : {"one", "deux", "three"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(label))) << label;
}

namespace {

// A view that takes a while to read: its count and its preview are both still running when the
// user clicks again. It has fewer rows than DEPARTMENT, so the two counts tell them apart.
class SlowView {
public:
    explicit SlowView(platform::Transaction& slot)
        : slot_(slot),
          name_(QStringLiteral("db2inst1.slowview_%1").arg(QCoreApplication::applicationPid())) {
        execute(slot_, QStringLiteral("create view %1 as select d.* from db2inst1.department d "
                                      "cross join (select pg_sleep(0.6)) s where d.deptno < 'D'")
                           .arg(name_));
        slot_.Commit();
    }
    ~SlowView() {
        slot_.Rollback();
        execute(slot_, QStringLiteral("drop view %1").arg(name_));
        slot_.Commit();
    }
    SlowView(const SlowView&) = delete;
    SlowView& operator=(const SlowView&) = delete;
    // As the list shows it.
    QString listed() const { return name_.toUpper(); }

private:
    platform::Transaction& slot_;
    QString name_;
};

} // namespace

TEST_F(Db2TableListTest, ClicksWhileTheListCountsOrPreviewsWaitAndNothingGetsMixedUp) {
    SlowView slow(*slot);
    w_db2* sheet = openList();
    // While the slow view is counted, and again while its first rows come, the user clicks
    // DEPARTMENT in the list, presses Rows in the table and Retrieve.
    int duringCount = 0;
    int duringPreview = 0;
    QStringList said;
    QTimer user;
    user.setInterval(100);
    QObject::connect(&user, &QTimer::timeout, [&] {
        const bool counting = sheet->dw_rows->retrieving();
        if (!counting && !sheet->dw_1->retrieving())
            return;
        ++(counting ? duringCount : duringPreview);
        clickTable(sheet, department);
        QTest::mouseClick(sheet->cb_rows, Qt::LeftButton);
        QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
        said << frame->microHelp();
    });
    user.start();
    clickTable(sheet, slow.listed());
    user.stop();

    ASSERT_GT(duringCount, 0);
    ASSERT_GT(duringPreview, 0);
    EXPECT_EQ(said.size(), said.count(platform::busyText())) << said.join(u'|').toStdString();
    EXPECT_EQ(sheet->is_tbl_name, slow.listed());
    EXPECT_EQ(sheet->dw_tables->GetSelectedRow(0), rowOf(sheet, slow.listed()));
    EXPECT_EQ(sheet->dw_tables->GetSelectedRow(rowOf(sheet, slow.listed())), 0);
    EXPECT_EQ(countShown(sheet), count(slow.listed()));
    EXPECT_NE(countShown(sheet), count(department));
    EXPECT_EQ(sheet->dw_1->RowCount(), std::min(5L, count(slow.listed()).toLong()));
    EXPECT_EQ(sheet->istr_sqlca.s_sql,
              QStringLiteral("select * from %1  WITH UR ").arg(slow.listed()));
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));
    EXPECT_TRUE(boxes.shown().empty());

    // Once the rows are in, the same clicks work again.
    clickTable(sheet, department);
    EXPECT_EQ(sheet->is_tbl_name, department);
    EXPECT_EQ(countShown(sheet), count(department));
}

TEST_F(Db2TableListTest, CloseAskedForDuringTheCountStaysAskedForUntilTheSheetIsGone) {
    SlowView slow(*slot);
    QPointer<w_db2> sheet = openList();
    ASSERT_FALSE(sheet.isNull());
    QTimer::singleShot(200, sheet, [sheet] {
        ASSERT_TRUE(sheet->dw_rows->retrieving());
        sheet->Close();
    });
    clickTable(sheet, slow.listed());
    // The count stopped, the preview never started, and the sheet goes once the click is done.
    EXPECT_EQ(sheet->dw_1->RowCount(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); }, 5000));
    EXPECT_TRUE(frame->sheets().isEmpty());
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Db2TableListTest, TablesNamedWithAQuoteOrABlankAreListedCountedPreviewedAndViewed) {
    ScratchTable quote(*slot, QStringLiteral("it's here"),
                       QStringLiteral("id integer primary key, \"odd name\" varchar(20)"),
                       QStringLiteral("(1, 'a'), (2, 'b'), (3, 'c')"));
    ScratchTable blank(*slot, QStringLiteral("two words"),
                       QStringLiteral("id integer primary key, label varchar(20)"),
                       QStringLiteral("(1, 'p'), (2, 'q'), (3, 'r'), (4, 's'), (5, 't'), "
                                      "(6, 'u'), (7, 'v')"));
    // As the list names them: the creator in capitals, the name in double quotes.
    const auto listed = [](const ScratchTable& table) {
        return QStringLiteral("DB2INST1") + table.name().mid(QStringLiteral("db2inst1").size());
    };
    w_db2* sheet = openList();
    ASSERT_GT(rowOf(sheet, listed(quote)), 0);
    ASSERT_GT(rowOf(sheet, listed(blank)), 0);

    clickTable(sheet, listed(quote));
    EXPECT_EQ(countShown(sheet), QStringLiteral("3"));
    EXPECT_EQ(sheet->dw_1->RowCount(), 3);
    EXPECT_EQ(sheet->dw_1->GetItemString(3, 2), QStringLiteral("c"));
    EXPECT_TRUE(sheet->st_preview->isHidden()) << "the three rows are the whole table";

    clickTable(sheet, listed(blank));
    EXPECT_EQ(countShown(sheet), QStringLiteral("7"));
    EXPECT_EQ(sheet->dw_1->RowCount(), 5);
    EXPECT_FALSE(sheet->st_preview->isHidden());

    // The count query moves on from a quoted name as from any other.
    clickTable(sheet, employee);
    EXPECT_EQ(countShown(sheet), count(employee));
    clickTable(sheet, listed(quote));
    EXPECT_EQ(countShown(sheet), QStringLiteral("3"));
    EXPECT_TRUE(said().isEmpty()) << said().join(u'\n').toStdString();

    // Columns, criterion and sort on the quoted table.
    sheet->sle_1->setText(QStringLiteral("id, \"odd name\""));
    sheet->sle_restriction->setText(QStringLiteral("\"odd name\" <> 'b'"));
    sheet->sle_sort->setText(QStringLiteral("id desc"));
    QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    EXPECT_TRUE(said().isEmpty()) << said().join(u'\n').toStdString();
    ASSERT_EQ(sheet->dw_1->RowCount(), 2);
    EXPECT_EQ(sheet->dw_1->GetItemString(1, 1) + sheet->dw_1->GetItemString(1, 2) +
                  sheet->dw_1->GetItemString(2, 1) + sheet->dw_1->GetItemString(2, 2),
              QStringLiteral("3c1a"));
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("2"));
}

TEST_F(Db2TableListTest, WithoutADb2CatalogTheListShowsTheDriversTablesAndViewsAndAClickPreviews) {
    // The SQLite sample has no SYSIBM.SYSTABLES; it is connected in SQLCA1.
    SqliteInSqlca1 sqlite;
    platform::Transaction& lite = sqlite.lite;
    ASSERT_EQ(lite.SQLCode, 0) << lite.SQLErrText.toStdString();
    ASSERT_FALSE(lite.isDb2());
    const auto liteCount = [&lite](const QString& table) {
        return queryValue(lite, QStringLiteral("select count(*) from %1").arg(table));
    };

    w_db2* sheet = openList(QStringLiteral("SQLCA1"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(said().isEmpty()) << said().join(u'\n').toStdString();
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));
    // The tables and the view, by creator (the schema, which SQLite has none of) and name.
    QStringList listed;
    for (long row = 1; row <= sheet->dw_tables->RowCount(); ++row) {
        EXPECT_TRUE(sheet->dw_tables->GetItemString(row, QStringLiteral("creator")).isEmpty());
        listed << sheet->dw_tables->GetItemString(row, QStringLiteral("name"));
    }
    EXPECT_EQ(withoutScratchTables(listed),
              QStringList({QStringLiteral("DEPARTMENT"), QStringLiteral("EMPLOYEE"),
                           QStringLiteral("PROJECT"), QStringLiteral("VEMPDEPT")}));

    // A click counts the table and previews its first five rows, as on Db2.
    clickTable(sheet, QStringLiteral("EMPLOYEE"));
    EXPECT_TRUE(said().isEmpty()) << said().join(u'\n').toStdString();
    EXPECT_EQ(sheet->is_tbl_name, QStringLiteral("EMPLOYEE"));
    EXPECT_EQ(countShown(sheet), liteCount(QStringLiteral("EMPLOYEE")));
    EXPECT_GT(countShown(sheet).toLong(), 5);
    EXPECT_EQ(sheet->istr_sqlca.s_sql, QStringLiteral("select * from EMPLOYEE  WITH UR "));
    ASSERT_EQ(sheet->dw_1->RowCount(), 5);
    EXPECT_EQ(sheet->dw_1->GetItemString(1, QStringLiteral("lastname")), QStringLiteral("HAAS"));
    EXPECT_FALSE(sheet->st_preview->isHidden());
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("5"));
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));

    // The count query moves on to the next table, a view.
    clickTable(sheet, QStringLiteral("VEMPDEPT"));
    EXPECT_TRUE(said().isEmpty()) << said().join(u'\n').toStdString();
    EXPECT_EQ(countShown(sheet), liteCount(QStringLiteral("VEMPDEPT")));
    EXPECT_TRUE(sheet->dw_rows->TableSelect().contains(QStringLiteral("FROM VEMPDEPT")));
    EXPECT_EQ(sheet->dw_1->RowCount(), 5);
    EXPECT_EQ(sheet->dw_1->ColumnCount(), 6);
}

TEST_F(Db2TableListTest, ReadingLeavesNoLockThatAnotherUserWouldWaitFor) {
    ScratchTable table(
        *slot, QStringLiteral("locks"), QStringLiteral("id integer primary key, name varchar(20)"),
        QStringLiteral("(1, 'a'), (2, 'b'), (3, 'c'), (4, 'd'), (5, 'e'), (6, 'f')"));
    auto admin = connectedSlot(QStringLiteral("SQLCA1"));
    // Locks that any session but the administrator's holds on the table, as the server lists them.
    const auto locks = [&] {
        const QString held = queryValue(
            *admin, QStringLiteral("select count(*) from pg_locks l join pg_class c on c.oid = "
                                   "l.relation where c.relname = '%1' and l.pid <> "
                                   "pg_backend_pid()")
                        .arg(table.name().section(u'.', 1)));
        admin->Commit();
        return held;
    };

    // A table list click: the count, then a preview that stops after five rows.
    w_db2* list = openList();
    clickTable(list, table.name().toUpper());
    ASSERT_EQ(list->dw_1->RowCount(), 5);
    EXPECT_EQ(locks(), QStringLiteral("0")) << "after a table list click";

    // A query read to its end, and a statement the workspace refuses before it runs.
    app::str_sqlca record;
    record.s_sqlca = QStringLiteral("SQLCA");
    auto* workspace = qobject_cast<app::w_sqlpad*>(
        platform::OpenSheetWithParm(QStringLiteral("w_sqlpad"), record, frame));
    ASSERT_NE(workspace, nullptr);
    workspace->mle_1->setText(QStringLiteral("select * from %1").arg(table.name()));
    QTest::mouseClick(workspace->cb_retrieve, Qt::LeftButton);
    ASSERT_EQ(workspace->dw_1->RowCount(), 6);
    EXPECT_EQ(locks(), QStringLiteral("0")) << "after a finished query";
    workspace->mle_1->setText(QStringLiteral("update %1 set name = 'z'").arg(table.name()));
    QTest::mouseClick(workspace->cb_retrieve, Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(locks(), QStringLiteral("0")) << "after a refused statement";

    // So another user's ALTER TABLE goes through without waiting.
    ASSERT_TRUE(execute(*admin, QStringLiteral("set lock_timeout = '3s'")));
    EXPECT_TRUE(execute(
        *admin, QStringLiteral("alter table %1 add column extra integer").arg(table.name())));
    admin->Commit();
}

// A trailing "--" comment, in the workspace's text and in the table view's criterion, comments
// out nothing the program appends; and a retrieval that failed leaves the connection working.
TEST_F(Db2TableListTest, TrailingCommentsCommentOutNothingAndAFailedRetrievalLeavesNoCursor) {
    app::str_sqlca record;
    record.s_sqlca = QStringLiteral("SQLCA");
    auto* workspace = qobject_cast<app::w_sqlpad*>(
        platform::OpenSheetWithParm(QStringLiteral("w_sqlpad"), record, frame));
    ASSERT_NE(workspace, nullptr);
    const auto retrieve = [&](const QString& sql) {
        workspace->mle_1->setText(sql);
        QTest::mouseClick(workspace->cb_retrieve, Qt::LeftButton);
        return workspace->st_retrieved->text();
    };
    const QString departments = count(QStringLiteral("db2inst1.department"));
    EXPECT_EQ(retrieve(QStringLiteral("select deptno from db2inst1.department -- all of them")),
              departments);
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'\n').toStdString();
    // Fails at its first fetch, then the next query runs on the same connection.
    EXPECT_EQ(retrieve(QStringLiteral("select 1 / (n - 3) from generate_series(1, 5) n")),
              QStringLiteral("-1"));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(retrieve(QStringLiteral("select deptno from db2inst1.department")), departments);
    EXPECT_EQ(boxes.shown().size(), 1u) << said().join(u'\n').toStdString();

    w_db2* sheet = openList();
    clickTable(sheet, department);
    sheet->sle_restriction->setText(QStringLiteral("deptno < 'C' -- before C"));
    sheet->sle_sort->setText(QStringLiteral("deptno desc -- last first"));
    QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    EXPECT_EQ(boxes.shown().size(), 1u) << said().join(u'\n').toStdString();
    EXPECT_EQ(sheet->st_retrieved->text(),
              count(QStringLiteral("db2inst1.department where deptno < 'C'")));
    EXPECT_EQ(sheet->dw_1->GetItemString(1, QStringLiteral("deptno")),
              queryValue(*slot, QStringLiteral("select max(deptno) from db2inst1.department where "
                                               "deptno < 'C'")));
}

// A field the server refuses is named, with the statement the fields made, and the rows of the
// last retrieval go: they do not belong to what the fields now say.
TEST_F(Db2TableListTest, AFieldTheServerRefusesIsNamedWithTheStatementAndTheGridEmpties) {
    w_db2* sheet = openList();
    clickTable(sheet, employee);
    ASSERT_EQ(sheet->dw_1->RowCount(), 5);
    const struct {
        const char* field;
        QString columns, criterion, sort;
    } mistakes[] = {
        {"Sort", {}, QStringLiteral("workdept = 'D11'"), QStringLiteral("no_such_column")},
        {"Criteria", {}, QStringLiteral("workdept = = 'D11'"), QStringLiteral("empno")},
        {"Column(s)", QStringLiteral("empno,,"), {}, {}},
    };
    for (const auto& mistake : mistakes) {
        SCOPED_TRACE(mistake.field);
        sheet->sle_1->setText(mistake.columns);
        sheet->sle_restriction->setText(mistake.criterion);
        sheet->sle_sort->setText(mistake.sort);
        const std::size_t before = boxes.shown().size();
        QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
        ASSERT_EQ(boxes.shown().size(), before + 1);
        const platform::MessageBoxRequest& box = boxes.shown().back();
        EXPECT_EQ(box.title, QStringLiteral("Caution"));
        EXPECT_EQ(box.icon, platform::Icon::Exclamation);
        EXPECT_TRUE(
            box.text.startsWith(QStringLiteral("The server refused what the %1 field holds:")
                                    .arg(QLatin1String(mistake.field))))
            << box.text.toStdString();
        EXPECT_TRUE(
            box.text.endsWith(QStringLiteral("The statement was:\n") + sheet->istr_sqlca.s_sql))
            << box.text.toStdString();
        EXPECT_EQ(sheet->dw_1->RowCount(), 0);
    }
}

namespace {

TEST_F(Db2TableListTest, ArrowKeysAndEnterChooseATableAndEnterWithoutOneSaysSo) {
    w_db2* sheet = openList();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    // No table chosen yet: Enter in a field says so, and nothing is sent.
    sheet->sle_1->setFocus();
    QTest::keyClick(sheet->sle_1, Qt::Key_Return);
    EXPECT_EQ(frame->microHelp(), app::w_tbl_view::noTableText());
    EXPECT_EQ(sheet->dw_1->RowCount(), 0);
    EXPECT_TRUE(boxes.shown().empty());

    const long employee = rowOf(sheet, QStringLiteral("DB2INST1.EMPLOYEE"));
    ASSERT_GT(employee, 1);
    QTableView* list = sheet->dw_tables->view();
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    for (long row = 1; row < employee; ++row)
        QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(sheet->dw_tables->IsSelected(employee));
    EXPECT_EQ(sheet->is_tbl_name, QStringLiteral("DB2INST1.EMPLOYEE"));
    EXPECT_EQ(sheet->dw_1->RowCount(), 5);
    // Enter again keeps the choice (a second click would let it go).
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(sheet->dw_tables->IsSelected(employee));
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'\n').toStdString();
}

} // namespace
