// The relation selector in a frame, opened as Multi-Table View opens it, over the sample
// database, with a user clicking in its lists, drop-downs and buttons. The linked view is a
// stand-in that keeps the record it was opened with.

#include "app/globals.h"
#include "app/records.h"
#include "browse/w_db2.h"
#include "multitable/w_monitor.h"
#include "multitable/w_tbl_sel.h"
#include "platform/dropdownlistbox.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/grid/describe.h"
#include "platform/message.h"
#include "platform/odbc/transaction.h"
#include "platform/registry.h"
#include "platform/units.h"
#include "platform/windows.h"
#include "support/sheet_test.h"
#include "support/test_support.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

using app::w_tbl_sel;
using namespace testsupport;

namespace {

// The linked view's stand-in: keeps every record it is opened with.
class MonitorStandIn : public platform::Sheet {
public:
    static std::vector<app::str_tbl_cols>& received() {
        static std::vector<app::str_tbl_cols> records;
        return records;
    }
    void open() override {
        const auto* record = platform::Message().parm<app::str_tbl_cols>();
        received().push_back(record != nullptr ? *record : app::str_tbl_cols{});
    }
};

class TableSelectorTest : public SheetTest {
protected:
    void SetUp() override {
        platform::ClassRegistry::instance().add<MonitorStandIn>(QStringLiteral("w_monitor"));
        MonitorStandIn::received().clear();
        SheetTest::SetUp();
    }
    void TearDown() override {
        SheetTest::TearDown();
        platform::ClassRegistry::instance().remove(QStringLiteral("w_monitor"));
    }

    // Opens the selector as Multi-Table View does.
    w_tbl_sel* openSelector(const QString& kind = QStringLiteral("db2"),
                            const QString& slotName = QStringLiteral("SQLCA")) {
        app::str_sqlca record;
        record.s_sqlca = slotName;
        record.s_dsn = sampleDsn();
        record.s_misc = kind;
        return qobject_cast<w_tbl_sel*>(
            platform::OpenSheetWithParm(QStringLiteral("w_tbl_sel"), record, frame, 1,
                                        platform::Arrange::Original, platform::Reference::Global));
    }

    // The Db2 catalog spells names in upper case; SQL Anywhere's (tcreator, ttname) as written.
    static platform::sql::IdentifierCase foldingOf(const QString& creatorColumn) {
        return creatorColumn == QLatin1String("tcreator") ? platform::sql::IdentifierCase::AsWritten
                                                          : platform::sql::IdentifierCase::Upper;
    }

    // The row of `table` in a table list; 0 when it is not listed.
    static long rowOf(const platform::grid::DataWindow* list, const QString& table,
                      const QString& creator = QStringLiteral("creator"),
                      const QString& name = QStringLiteral("name")) {
        for (long row = 1; row <= list->RowCount(); ++row) {
            if (app::catalogTableName(list->GetItemString(row, creator),
                                      list->GetItemString(row, name), foldingOf(creator)) == table)
                return row;
        }
        return 0;
    }

    static void clickRow(platform::grid::DataWindow* grid, long row) {
        ASSERT_GT(row, 0);
        QTableView* view = grid->view();
        const QModelIndex index = view->model()->index(static_cast<int>(row - 1), 0);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    static void clickHeading(platform::grid::DataWindow* grid) {
        QHeaderView* heading = grid->view()->horizontalHeader();
        QTest::mouseClick(heading->viewport(), Qt::LeftButton, {},
                          QPoint(heading->sectionViewportPosition(0) + 5, heading->height() / 2));
    }

    static void clickTable(platform::grid::DataWindow* list, const QString& table) {
        const long row = rowOf(list, table);
        ASSERT_GT(row, 0) << table.toStdString();
        clickRow(list, row);
    }

    // The user clicks the column `name` in a column list.
    static void clickColumn(platform::grid::DataWindow* columns, const QString& name) {
        for (long row = 1; row <= columns->RowCount(); ++row) {
            if (columns->GetItemString(row, QStringLiteral("es_name")) == name) {
                clickRow(columns, row);
                return;
            }
        }
        FAIL() << "no column " << name.toStdString();
    }

    // The user picks `item` in a drop-down with the arrow keys, as far as needed.
    static void choose(platform::DropDownListBox* list, const QString& item) {
        const int target = list->findText(item);
        ASSERT_GE(target, 0) << item.toStdString();
        for (int guard = 0; list->currentIndex() != target && guard < 100; ++guard)
            QTest::keyClick(list, list->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(list->Text(), item);
    }

    static QStringList columnNames(const platform::grid::DataWindow* columns) {
        QStringList names;
        for (long row = 1; row <= columns->RowCount(); ++row)
            names << columns->GetItemString(row, QStringLiteral("es_name"));
        return names;
    }

    static QStringList items(const platform::DropDownListBox* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->itemText(i);
        return texts;
    }

    QStringList catalogTables() {
        return withoutScratchTables(
            queryValue(*slot, QStringLiteral("select string_agg(rtrim(creator) || '.' || "
                                             "\"NAME\", ',' order by creator, \"NAME\") "
                                             "from \"SYSIBM\".\"SYSTABLES\""))
                .split(u','));
    }

    static QStringList listed(const platform::grid::DataWindow* list, const QString& creator,
                              const QString& name) {
        QStringList tables;
        for (long row = 1; row <= list->RowCount(); ++row)
            tables << app::catalogTableName(list->GetItemString(row, creator),
                                            list->GetItemString(row, name), foldingOf(creator));
        return withoutScratchTables(tables);
    }
};

const QString department = QStringLiteral("DB2INST1.DEPARTMENT");
const QString employee = QStringLiteral("DB2INST1.EMPLOYEE");
const QString project = QStringLiteral("DB2INST1.PROJECT");
const QString photo = QStringLiteral("DB2INST1.EMP_PHOTO");
const QStringList departmentColumns = {QStringLiteral("deptno"), QStringLiteral("deptname"),
                                       QStringLiteral("mgrno"), QStringLiteral("admrdept"),
                                       QStringLiteral("location")};

} // namespace

TEST_F(TableSelectorTest, BothListsShowTheCatalogOnceAndHighlightApart) {
    w_tbl_sel* sheet = openSelector();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Table selection"));
    EXPECT_EQ(sheet->is_database, QStringLiteral("db2"));
    EXPECT_EQ(sheet->dw_tbl_1->DataObject(), QStringLiteral("d_tables_db2"));
    EXPECT_EQ(sheet->dw_tbl_2->DataObject(), QStringLiteral("d_tables_db2"));
    EXPECT_EQ(sheet->dw_col_1->DataObject(), QStringLiteral("d_col_names"));
    EXPECT_EQ(sheet->dw_col_2->DataObject(), QStringLiteral("d_col_names"));
    const QString creator = QStringLiteral("creator");
    const QString name = QStringLiteral("name");
    EXPECT_EQ(listed(sheet->dw_tbl_1, creator, name), catalogTables());
    // One retrieval, shown twice: the rows are the same rows.
    EXPECT_EQ(&sheet->dw_tbl_1->rows(), &sheet->dw_tbl_2->rows());
    EXPECT_TRUE(sheet->dw_1->isHidden());
    EXPECT_EQ(sheet->st_1->text(), QStringLiteral("Master Table"));
    EXPECT_EQ(sheet->st_2->text(), QStringLiteral("Related Table(s)"));
    EXPECT_EQ(sheet->st_3->text(), QStringLiteral("="));
    EXPECT_EQ(sheet->cb_ok->text(), QStringLiteral("&OK"));
    EXPECT_EQ(sheet->cb_cancel->text(), QStringLiteral("&Cancel"));

    // The padded creator 'TOOLS   ' names the table without its blanks.
    const long tool = rowOf(sheet->dw_tbl_1, QStringLiteral("TOOLS.TOOL"));
    ASSERT_GT(tool, 0);
    EXPECT_EQ(sheet->dw_tbl_1->GetItemString(tool, creator), QStringLiteral("TOOLS   "));
    clickRow(sheet->dw_tbl_1, tool);
    EXPECT_EQ(sheet->istr_tables.s_tbl_master, QStringLiteral("TOOLS.TOOL"));
    EXPECT_TRUE(sheet->dw_tbl_1->IsSelected(tool));
    EXPECT_FALSE(sheet->dw_tbl_2->IsSelected(tool));
    clickRow(sheet->dw_tbl_2, tool);
    EXPECT_TRUE(sheet->dw_tbl_2->IsSelected(tool));
    EXPECT_EQ(sheet->dw_tbl_1->GetSelectedRow(0), tool);
    EXPECT_EQ(sheet->dw_tbl_2->GetSelectedRow(0), tool);

    // Headings change nothing.
    const app::str_tbl_cols before = sheet->istr_tables;
    clickHeading(sheet->dw_tbl_1);
    clickHeading(sheet->dw_tbl_2);
    EXPECT_EQ(sheet->istr_tables, before);
    EXPECT_EQ(sheet->dw_tbl_1->GetSelectedRow(0), tool);
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'|').toStdString();

    // Multi-Table View again brings the same selector to the front; it does not open again.
    EXPECT_EQ(openSelector(), sheet);
    EXPECT_EQ(sheet->istr_tables, before);
    EXPECT_EQ(frame->sheets().size(), 1);

    // The frame's forwarded commands find nothing on this sheet.
    for (const char* event : {"ue_print", "ue_save", "ue_saveas", "ue_insert", "ue_delete",
                              "ue_sqlpad", "ue_get_columns"})
        EXPECT_EQ(platform::TriggerEvent(sheet, event), -1) << event;
}

TEST_F(TableSelectorTest, EachSlotNameBindsTheListsToItsOwnSlotAndOthersLeaveThemEmpty) {
    for (const char* name : {"SQLCA", "SQLCA1", "SQLCA2", "SQLCA3"}) {
        const QString slotName = QString::fromLatin1(name);
        // Only the named slot is connected: a filled list was read through it.
        std::unique_ptr<platform::Transaction> own = connectedSlot(slotName);
        app::Globals& g = app::globals();
        g.SQLCA = g.SQLCA1 = g.SQLCA2 = g.SQLCA3 = nullptr;
        *(slotName == QLatin1String("SQLCA")    ? &g.SQLCA
          : slotName == QLatin1String("SQLCA1") ? &g.SQLCA1
          : slotName == QLatin1String("SQLCA2") ? &g.SQLCA2
                                                : &g.SQLCA3) = own.get();
        QPointer<w_tbl_sel> sheet = openSelector(QStringLiteral("db2"), slotName);
        ASSERT_FALSE(sheet.isNull());
        EXPECT_GT(sheet->dw_tbl_1->RowCount(), 10) << name;
        EXPECT_EQ(sheet->dw_tbl_2->RowCount(), sheet->dw_tbl_1->RowCount()) << name;
        clickTable(sheet->dw_tbl_1, department);
        EXPECT_EQ(columnNames(sheet->dw_col_1), departmentColumns) << name;
        QTest::mouseClick(sheet->cb_cancel, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); }, 5000)) << name;
        g.SQLCA = g.SQLCA1 = g.SQLCA2 = g.SQLCA3 = nullptr;
    }
    app::globals().SQLCA = slot.get();
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'|').toStdString();

    // A kind other than "db2" and "sqlany", compared exactly, gives no lists and no message.
    QPointer<w_tbl_sel> other = openSelector(QStringLiteral("DB2"));
    ASSERT_FALSE(other.isNull());
    EXPECT_TRUE(other->dw_tbl_1->DataObject().isEmpty());
    EXPECT_EQ(other->dw_tbl_1->RowCount(), 0);
    EXPECT_TRUE(boxes.shown().empty());
    // Escape presses Cancel.
    QTest::keyClick(other->dw_tbl_1->view(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.isNull(); }, 5000));

    // A slot name that is none of the four binds nothing: the list reports it has no
    // connection and stays empty.
    w_tbl_sel* unbound = openSelector(QStringLiteral("db2"), QStringLiteral("sqlca"));
    ASSERT_NE(unbound, nullptr);
    EXPECT_EQ(unbound->dw_tbl_1->DataObject(), QStringLiteral("d_tables_db2"));
    EXPECT_EQ(unbound->dw_tbl_1->RowCount(), 0);
    EXPECT_EQ(unbound->dw_tbl_2->RowCount(), 0);
    ASSERT_EQ(boxes.shown().size(), 1U);
    EXPECT_TRUE(boxes.shown()[0].text.contains(QStringLiteral("no connected transaction")));
}

TEST_F(TableSelectorTest, ClicksBuildTheRecordInOrderAndOkHandsItToTheLinkedView) {
    w_tbl_sel* sheet = openSelector();
    ASSERT_NE(sheet, nullptr);

    // Master: its columns, from the probe grid that is built and never retrieved.
    clickTable(sheet->dw_tbl_1, department);
    EXPECT_EQ(sheet->istr_tables.s_tbl_master, department);
    EXPECT_EQ(sheet->dw_1->TableSelect(), QStringLiteral("select * from DB2INST1.DEPARTMENT"));
    EXPECT_EQ(sheet->dw_1->RowCount(), 0);
    EXPECT_EQ(columnNames(sheet->dw_col_1), departmentColumns);
    EXPECT_EQ(items(sheet->ddlb_1), departmentColumns);
    EXPECT_TRUE(sheet->ddlb_1->Text().isEmpty());
    EXPECT_EQ(sheet->il_index, 0);

    // Related A: position 1, its columns on the right.
    clickTable(sheet->dw_tbl_2, employee);
    EXPECT_EQ(sheet->il_index, 1);
    EXPECT_EQ(sheet->istr_tables.s_tables, (app::StringArray{employee}));
    EXPECT_EQ(sheet->dw_1->TableSelect(), QStringLiteral("select * from DB2INST1.EMPLOYEE"));
    EXPECT_EQ(sheet->dw_col_2->RowCount(), 14);
    EXPECT_EQ(sheet->dw_col_2->GetItemString(5, QStringLiteral("es_name")),
              QStringLiteral("workdept"));
    EXPECT_EQ(items(sheet->ddlb_2), columnNames(sheet->dw_col_2));

    // One drop-down alone stores nothing; a further related table is refused until it does.
    choose(sheet->ddlb_2, QStringLiteral("workdept"));
    EXPECT_EQ(sheet->istr_tables.s_relation.UpperBound(), 0);
    clickTable(sheet->dw_tbl_2, project);
    clickTable(sheet->dw_tbl_2, employee);
    EXPECT_EQ(said(), (QStringList{QStringLiteral("Error / Table relation not specified"),
                                   QStringLiteral("Error / Table relation not specified")}));
    EXPECT_EQ(sheet->istr_tables.s_tables, (app::StringArray{employee}));
    EXPECT_FALSE(sheet->dw_tbl_2->IsSelected(rowOf(sheet->dw_tbl_2, project)));
    EXPECT_TRUE(sheet->dw_tbl_2->IsSelected(rowOf(sheet->dw_tbl_2, employee)));

    // A click in the master's column list chooses it in ddlb_1 and completes the pair.
    clickColumn(sheet->dw_col_1, QStringLiteral("deptno"));
    EXPECT_EQ(sheet->ddlb_1->Text(), QStringLiteral("deptno"));
    EXPECT_EQ(sheet->istr_tables.s_relation,
              (app::StringArray{QStringLiteral("workdept = deptno")}));

    // Related B: ddlb_2 starts empty, ddlb_1 keeps its choice; B is refused, itself included,
    // until ddlb_2 has a column.
    clickTable(sheet->dw_tbl_2, project);
    EXPECT_EQ(sheet->il_index, 2);
    EXPECT_EQ(sheet->istr_tables.s_tables, (app::StringArray{employee, project}));
    EXPECT_TRUE(sheet->ddlb_2->Text().isEmpty());
    EXPECT_EQ(sheet->ddlb_1->Text(), QStringLiteral("deptno"));
    EXPECT_EQ(sheet->dw_col_2->GetItemString(3, QStringLiteral("es_name")),
              QStringLiteral("deptno"));
    clickTable(sheet->dw_tbl_2, project);
    EXPECT_EQ(boxes.shown().size(), 3U);
    EXPECT_TRUE(sheet->dw_tbl_2->IsSelected(rowOf(sheet->dw_tbl_2, project)));
    clickColumn(sheet->dw_col_2, QStringLiteral("respemp"));
    clickColumn(sheet->dw_col_2, QStringLiteral("deptno"));
    EXPECT_EQ(sheet->istr_tables.s_relation, (app::StringArray{QStringLiteral("workdept = deptno"),
                                                               QStringLiteral("deptno = deptno")}));

    // Removing B leaves its relation text; its columns stay shown.
    clickTable(sheet->dw_tbl_2, project);
    EXPECT_FALSE(sheet->dw_tbl_2->IsSelected(rowOf(sheet->dw_tbl_2, project)));
    EXPECT_EQ(sheet->istr_tables.s_tables, (app::StringArray{employee, QString()}));
    EXPECT_EQ(sheet->istr_tables.s_relation.UpperBound(), 2);
    EXPECT_EQ(sheet->il_index, 2);
    EXPECT_EQ(sheet->dw_col_2->GetItemString(1, QStringLiteral("es_name")),
              QStringLiteral("projno"));

    // OK hands the record over and keeps the selector as it is; OK again only brings the open
    // linked view to the front.
    QTest::mouseClick(sheet->cb_ok, Qt::LeftButton);
    ASSERT_EQ(MonitorStandIn::received().size(), 1U);
    app::str_tbl_cols expected;
    expected.s_tbl_master = department;
    expected.s_tables = {employee, QString()};
    expected.s_relation = {QStringLiteral("workdept = deptno"), QStringLiteral("deptno = deptno")};
    expected.s_sqlca = QStringLiteral("SQLCA");
    EXPECT_EQ(MonitorStandIn::received()[0], expected);
    EXPECT_EQ(frame->sheets().size(), 2);
    EXPECT_EQ(frame->GetActiveSheet(), platform::globalInstance(QStringLiteral("w_monitor")));
    QTest::mouseClick(sheet->cb_ok, Qt::LeftButton);
    EXPECT_EQ(MonitorStandIn::received().size(), 1U);
    EXPECT_EQ(frame->sheets().size(), 2);

    // The highlighted master clicked again: only its highlight goes.
    const long master = rowOf(sheet->dw_tbl_1, department);
    clickRow(sheet->dw_tbl_1, master);
    EXPECT_FALSE(sheet->dw_tbl_1->IsSelected(master));
    EXPECT_EQ(sheet->istr_tables.s_tbl_master, department);
    EXPECT_EQ(columnNames(sheet->dw_col_1), departmentColumns);

    // A new master empties the record but keeps il_index: the next related table goes to
    // position 3, below which every position reads empty.
    clickTable(sheet->dw_tbl_1, employee);
    EXPECT_EQ(sheet->istr_tables.s_tbl_master, employee);
    EXPECT_EQ(sheet->istr_tables.s_tables.UpperBound(), 0);
    EXPECT_EQ(sheet->istr_tables.s_relation.UpperBound(), 0);
    EXPECT_EQ(sheet->dw_col_2->RowCount(), 0);
    EXPECT_EQ(sheet->ddlb_2->count(), 0);
    EXPECT_EQ(sheet->dw_tbl_2->GetSelectedRow(0), 0);
    EXPECT_TRUE(sheet->ddlb_1->Text().isEmpty());
    EXPECT_EQ(items(sheet->ddlb_1), columnNames(sheet->dw_col_1));
    clickTable(sheet->dw_tbl_2, photo);
    EXPECT_EQ(sheet->il_index, 3);
    EXPECT_EQ(sheet->istr_tables.s_tables, (app::StringArray{QString(), QString(), photo}));
    choose(sheet->ddlb_1, QStringLiteral("empno"));
    EXPECT_EQ(sheet->istr_tables.s_relation.UpperBound(), 0);
    choose(sheet->ddlb_2, QStringLiteral("empno"));
    EXPECT_EQ(sheet->istr_tables.s_relation,
              (app::StringArray{QString(), QString(), QStringLiteral("empno = empno")}));
    EXPECT_EQ(boxes.shown().size(), 3U) << said().join(u'|').toStdString();
}

TEST_F(TableSelectorTest, OkWithoutAPairOpensAnEmptyLinkedViewAndCancelClosesTheSelector) {
    QPointer<w_tbl_sel> sheet = openSelector();
    ASSERT_FALSE(sheet.isNull());
    clickTable(sheet->dw_tbl_1, department);
    clickTable(sheet->dw_tbl_2, employee);
    choose(sheet->ddlb_1, QStringLiteral("deptno"));
    QTest::keyClick(sheet, Qt::Key_Return);
    ASSERT_EQ(MonitorStandIn::received().size(), 1U);
    const app::str_tbl_cols& handed = MonitorStandIn::received()[0];
    EXPECT_EQ(handed.s_tbl_master, department);
    EXPECT_EQ(handed.s_tables, (app::StringArray{employee}));
    EXPECT_EQ(handed.s_relation.UpperBound(), 0);
    EXPECT_EQ(handed.s_sqlca, QStringLiteral("SQLCA"));

    // ue_ok stores the pair that both drop-downs show when the last relation is missing.
    platform::globalInstance(QStringLiteral("w_monitor"))->parentWidget()->close();
    choose(sheet->ddlb_2, QStringLiteral("workdept"));
    sheet->istr_tables.s_relation.clear();
    EXPECT_EQ(platform::TriggerEvent(sheet, "ue_ok"), 1);
    ASSERT_EQ(MonitorStandIn::received().size(), 2U);
    EXPECT_EQ(MonitorStandIn::received()[1].s_relation,
              (app::StringArray{QStringLiteral("workdept = deptno")}));

    QTest::mouseClick(sheet->cb_cancel, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); }, 5000));
    EXPECT_EQ(MonitorStandIn::received().size(), 2U);
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'|').toStdString();
}

TEST_F(TableSelectorTest, ATableThatCannotBeDescribedIsReportedAndTheOldColumnsAreScanned) {
    // Made and dropped again inside the connection's open transaction: only the selector's own
    // list, read on this connection, ever shows it.
    const QString view = QStringLiteral("db2inst1.gone_%1").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(execute(*slot, QStringLiteral("create view %1 as select 1 as n").arg(view)));
    w_tbl_sel* sheet = openSelector();
    ASSERT_TRUE(execute(*slot, QStringLiteral("drop view %1").arg(view)));

    clickTable(sheet->dw_tbl_1, department);
    clickTable(sheet->dw_tbl_2, view.toUpper());
    EXPECT_EQ(said(), (QStringList{QStringLiteral("Error / Error reading the table")}));
    // The probe grid keeps the master's definition, and the scan reads it.
    EXPECT_EQ(sheet->dw_1->TableSelect(), QStringLiteral("select * from DB2INST1.DEPARTMENT"));
    EXPECT_EQ(columnNames(sheet->dw_col_2), departmentColumns);
    EXPECT_EQ(sheet->istr_tables.s_tables, (app::StringArray{view.toUpper()}));
}

TEST_F(TableSelectorTest, ATableListGrowsWithTheFocusAndShrinksAtAClickOnATable) {
    w_tbl_sel* sheet = openSelector();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    const QRect normal2 = platform::unitsToPixels(1372, 101, 1116, 369);
    const QRect grown2 = platform::unitsToPixels(1372, 51, 1116, 554);
    EXPECT_EQ(sheet->dw_tbl_2->geometry(), normal2);

    sheet->dw_tbl_2->view()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet->dw_tbl_2->geometry() == grown2; }, 2000));
    EXPECT_TRUE(sheet->st_2->isHidden());
    EXPECT_TRUE(sheet->ddlb_2->isHidden());
    EXPECT_FALSE(sheet->st_1->isHidden());

    // The focus moves to the master list: the related list is back, the master list grows.
    sheet->dw_tbl_1->view()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return sheet->dw_tbl_1->geometry() == platform::unitsToPixels(83, 51, 1116, 554); },
        2000));
    EXPECT_EQ(sheet->dw_tbl_2->geometry(), normal2);
    EXPECT_FALSE(sheet->st_2->isHidden());
    EXPECT_FALSE(sheet->ddlb_2->isHidden());
    EXPECT_TRUE(sheet->st_1->isHidden());
    EXPECT_TRUE(sheet->ddlb_1->isHidden());

    // A click on a table shrinks the list at once, though it keeps the focus.
    clickTable(sheet->dw_tbl_1, department);
    EXPECT_EQ(sheet->dw_tbl_1->geometry(), platform::unitsToPixels(83, 101, 1116, 369));
    EXPECT_FALSE(sheet->st_1->isHidden());
    EXPECT_FALSE(sheet->ddlb_1->isHidden());
    EXPECT_TRUE(sheet->dw_tbl_1->view()->hasFocus());

    sheet->dw_tbl_2->view()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet->dw_tbl_2->geometry() == grown2; }, 2000));
    clickTable(sheet->dw_tbl_2, employee);
    EXPECT_EQ(sheet->dw_tbl_2->geometry(), normal2);
    EXPECT_FALSE(sheet->ddlb_2->isHidden());
    // The refusal shrinks it too.
    sheet->dw_tbl_1->view()->setFocus();
    sheet->dw_tbl_2->view()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet->dw_tbl_2->geometry() == grown2; }, 2000));
    clickTable(sheet->dw_tbl_2, project);
    EXPECT_EQ(said(), (QStringList{QStringLiteral("Error / Table relation not specified")}));
    EXPECT_EQ(sheet->dw_tbl_2->geometry(), normal2);
}

TEST_F(TableSelectorTest, SqlAnywhereKindReadsItsCatalogViewAndNamesTablesByItsColumns) {
    w_tbl_sel* sheet = openSelector(QStringLiteral("sqlany"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->dw_tbl_1->DataObject(), QStringLiteral("d_tables_sqlanwh"));
    EXPECT_EQ(sheet->dw_tbl_2->DataObject(), QStringLiteral("d_tables_sqlanwh"));
    const QString tcreator = QStringLiteral("tcreator");
    const QString ttname = QStringLiteral("ttname");
    // Other test processes' scratch tables come and go between the two reads.
    const QStringList expected = withoutScratchTables(
        queryValue(*slot, QStringLiteral("select string_agg(creator || '.' || tname, ',' order "
                                         "by creator, tname) from sys.syscatalog"))
            .split(u','));
    EXPECT_EQ(withoutScratchTables(listed(sheet->dw_tbl_1, tcreator, ttname)), expected);
    EXPECT_TRUE(expected.contains(QStringLiteral("db2inst1.department")));

    const QString master = QStringLiteral("db2inst1.department");
    clickRow(sheet->dw_tbl_1, rowOf(sheet->dw_tbl_1, master, tcreator, ttname));
    EXPECT_EQ(sheet->istr_tables.s_tbl_master, master);
    EXPECT_EQ(sheet->dw_1->TableSelect(), QStringLiteral("select * from db2inst1.department"));
    EXPECT_EQ(columnNames(sheet->dw_col_1), departmentColumns);
    const QString related = QStringLiteral("db2inst1.employee");
    clickRow(sheet->dw_tbl_2, rowOf(sheet->dw_tbl_2, related, tcreator, ttname));
    EXPECT_EQ(sheet->istr_tables.s_tables, (app::StringArray{related}));
    clickColumn(sheet->dw_col_2, QStringLiteral("workdept"));
    clickColumn(sheet->dw_col_1, QStringLiteral("deptno"));
    QTest::mouseClick(sheet->cb_ok, Qt::LeftButton);
    ASSERT_EQ(MonitorStandIn::received().size(), 1U);
    EXPECT_EQ(MonitorStandIn::received()[0].s_relation,
              (app::StringArray{QStringLiteral("workdept = deptno")}));
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'|').toStdString();
}

TEST_F(TableSelectorTest, ClicksWhileTheListsAreReadWaitAndNothingOpens) {
    // Every read of the catalog on this connection now takes a while.
    ASSERT_TRUE(execute(*slot, QStringLiteral("set dorvane.catalog_delay = '0.8'")));
    slot->Commit();
    QPointer<w_tbl_sel> sheet;
    int during = 0;
    QStringList status;
    QTimer user;
    user.setInterval(100);
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* opening =
            qobject_cast<w_tbl_sel*>(platform::globalInstance(QStringLiteral("w_tbl_sel")));
        if (opening == nullptr || !opening->dw_tbl_1->retrieving())
            return;
        ++during;
        QTest::mouseClick(opening->cb_ok, Qt::LeftButton);
        QTest::keyClick(opening, Qt::Key_Return);
        QTest::mouseClick(opening->dw_tbl_1->view()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(platform::TriggerEvent(opening, "ue_ok"), -1);
        // Storing a pair touches no grid and runs (with both drop-downs empty, it stores none).
        EXPECT_EQ(platform::TriggerEvent(opening, "ue_relate"), 1);
        // Multi-Table View again finds the selector that is still opening.
        EXPECT_EQ(openSelector(), opening);
        status << frame->microHelp();
    });
    user.start();
    sheet = openSelector();
    user.stop();

    ASSERT_FALSE(sheet.isNull());
    ASSERT_GT(during, 0);
    EXPECT_EQ(status.size(), status.count(platform::busyText())) << status.join(u'|').toStdString();
    EXPECT_TRUE(MonitorStandIn::received().empty());
    EXPECT_EQ(frame->sheets().size(), 1);
    EXPECT_EQ(sheet->dw_tbl_1->GetSelectedRow(0), 0);
    EXPECT_TRUE(sheet->istr_tables.s_tbl_master.isEmpty());
    EXPECT_EQ(listed(sheet->dw_tbl_1, QStringLiteral("creator"), QStringLiteral("name")),
              catalogTables());
    EXPECT_EQ(sheet->dw_tbl_2->RowCount(), sheet->dw_tbl_1->RowCount());
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'|').toStdString();

    // Once the lists are in, the same clicks work.
    clickTable(sheet->dw_tbl_1, department);
    EXPECT_EQ(sheet->istr_tables.s_tbl_master, department);
    QTest::mouseClick(sheet->cb_ok, Qt::LeftButton);
    EXPECT_EQ(MonitorStandIn::received().size(), 1U);
}

TEST_F(TableSelectorTest, WhileItsConnectionReadsRowsElsewhereTheSelectorDescribesAndHandsOver) {
    QPointer<w_tbl_sel> sheet = openSelector();
    ASSERT_FALSE(sheet.isNull());
    clickTable(sheet->dw_tbl_1, department);
    clickTable(sheet->dw_tbl_2, employee);

    // Another grid on the same connection takes a while to read its rows (as the linked view
    // does after a master click). The selector's own grids are not retrieving, so the user goes
    // on: the probe statement is described beside the open cursor.
    platform::grid::DataWindow elsewhere;
    QString errors;
    const QString syntax =
        platform::grid::SyntaxFromSQL(*slot, QStringLiteral("select 1 as n from pg_sleep(0.8)"),
                                      QStringLiteral("style(type=grid)"), errors);
    ASSERT_TRUE(errors.isEmpty()) << errors.toStdString();
    ASSERT_EQ(elsewhere.Create(syntax, errors), 1);
    elsewhere.SetTransObject(slot.get());

    int during = 0;
    QTimer user;
    user.setInterval(100);
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (!elsewhere.retrieving() || during > 0)
            return;
        ++during;
        EXPECT_FALSE(sheet->busy());
        choose(sheet->ddlb_1, QStringLiteral("deptno"));
        choose(sheet->ddlb_2, QStringLiteral("workdept"));
        clickTable(sheet->dw_tbl_2, project);
        clickColumn(sheet->dw_col_2, QStringLiteral("deptno"));
        QTest::mouseClick(sheet->cb_ok, Qt::LeftButton);
    });
    user.start();
    EXPECT_EQ(elsewhere.Retrieve(), 1);
    user.stop();

    ASSERT_EQ(during, 1);
    EXPECT_EQ(elsewhere.RowCount(), 1);
    ASSERT_EQ(MonitorStandIn::received().size(), 1U);
    EXPECT_EQ(MonitorStandIn::received()[0].s_tables, (app::StringArray{employee, project}));
    EXPECT_EQ(
        MonitorStandIn::received()[0].s_relation,
        (app::StringArray{QStringLiteral("workdept = deptno"), QStringLiteral("deptno = deptno")}));
    EXPECT_EQ(sheet->dw_col_2->GetItemString(1, QStringLiteral("es_name")),
              QStringLiteral("projno"));
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'|').toStdString();

    // Cancel closes the selector while the other grid reads.
    QTimer::singleShot(200, sheet, [&] {
        ASSERT_TRUE(elsewhere.retrieving());
        QTest::mouseClick(sheet->cb_cancel, Qt::LeftButton);
    });
    EXPECT_EQ(elsewhere.Retrieve(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); }, 5000));
}

TEST_F(TableSelectorTest, AProbeGridThatCannotBeCreatedIsReported) {
    // Without a slot nothing is described, and an empty definition cannot be created.
    w_tbl_sel* sheet = openSelector(QStringLiteral("db2"), QStringLiteral("none"));
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(boxes.shown().size(), 1U);
    EXPECT_EQ(platform::TriggerEvent(sheet, "ue_create_dw", QStringLiteral("DB2INST1.SALES")), 1);
    ASSERT_EQ(boxes.shown().size(), 2U);
    EXPECT_EQ(boxes.shown()[1].title, QStringLiteral("Error"));
    EXPECT_EQ(boxes.shown()[1].text, QStringLiteral("Data retrieval error"));
}

TEST_F(TableSelectorTest, ThePairsChosenHereLinkTheRowsOfTheLinkedView) {
    platform::ClassRegistry::instance().add<app::w_monitor>(QStringLiteral("w_monitor"));
    w_tbl_sel* sheet = openSelector();
    ASSERT_NE(sheet, nullptr);
    clickTable(sheet->dw_tbl_1, department);
    clickTable(sheet->dw_tbl_2, employee);
    choose(sheet->ddlb_1, QStringLiteral("deptno"));
    choose(sheet->ddlb_2, QStringLiteral("workdept"));
    QTest::mouseClick(sheet->cb_ok, Qt::LeftButton);

    auto* view =
        qobject_cast<app::w_monitor*>(platform::globalInstance(QStringLiteral("w_monitor")));
    ASSERT_NE(view, nullptr);
    // The master table is read once the sheet is shown.
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->dw_1->RowCount() > 0; }, 5000));
    EXPECT_EQ(QString::number(view->dw_1->RowCount()),
              queryValue(*slot, QStringLiteral("select count(*) from db2inst1.department")));
    long d11 = 0;
    for (long row = 1; row <= view->dw_1->RowCount() && d11 == 0; ++row) {
        if (view->dw_1->GetItemString(row, QStringLiteral("deptno")) == QStringLiteral("D11"))
            d11 = row;
    }
    clickRow(view->dw_1, d11);
    const QString employees = queryValue(
        *slot, QStringLiteral("select count(*) from db2inst1.employee where workdept = 'D11'"));
    EXPECT_GT(employees.toLong(), 1);
    EXPECT_EQ(QString::number(view->dw_2->RowCount()), employees);
    for (long row = 1; row <= view->dw_2->RowCount(); ++row)
        EXPECT_EQ(view->dw_2->GetItemString(row, QStringLiteral("workdept")),
                  QStringLiteral("D11"));
    EXPECT_TRUE(said().isEmpty()) << said().join(u'|').toStdString();
}

TEST_F(TableSelectorTest, WithoutADb2CatalogBothListsShowTheDriversTablesAndViews) {
    // The SQLite sample has no SYSIBM.SYSTABLES; it is connected in SQLCA1.
    const SqliteInSqlca1 sqlite;
    ASSERT_EQ(sqlite.lite.SQLCode, 0) << sqlite.lite.SQLErrText.toStdString();

    w_tbl_sel* sheet = openSelector(QStringLiteral("db2"), QStringLiteral("SQLCA1"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(said().isEmpty()) << said().join(u'\n').toStdString();
    const QStringList expected{QStringLiteral("DEPARTMENT"), QStringLiteral("EMPLOYEE"),
                               QStringLiteral("PROJECT"), QStringLiteral("VEMPDEPT")};
    for (const platform::grid::DataWindow* list : {sheet->dw_tbl_1, sheet->dw_tbl_2}) {
        QStringList names;
        for (long row = 1; row <= list->RowCount(); ++row)
            names << list->GetItemString(row, QStringLiteral("name"));
        EXPECT_EQ(withoutScratchTables(names), expected);
    }
}
