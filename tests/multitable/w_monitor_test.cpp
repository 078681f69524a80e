// The linked view opened over the sample database as the relation selector opens it, and a user
// clicking master rows, related grids and Report.

#include "app/globals.h"
#include "app/records.h"
#include "multitable/monitor_rules.h"
#include "multitable/w_monitor.h"
#include "platform/clock.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/message.h"
#include "platform/odbc/transaction.h"
#include "platform/pointer.h"
#include "platform/registry.h"
#include "platform/windows.h"
#include "support/sheet_test.h"
#include "support/test_support.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
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

using app::w_monitor;
using platform::grid::DataWindow;
using namespace testsupport;

namespace {

class MonitorTest : public SheetTest {
protected:
    MonitorTest() : SheetTest(QStringLiteral("SQLCA1")) {}

    // Opens the linked view as the selector's OK does, and waits for its initialisation.
    w_monitor* openMonitor(const QString& master, std::initializer_list<QString> tables,
                           std::initializer_list<QString> relations) {
        app::str_tbl_cols record;
        record.s_tbl_master = master;
        record.s_tables = app::StringArray(tables);
        record.s_relation = app::StringArray(relations);
        record.s_sqlca = QStringLiteral("SQLCA1");
        auto* sheet = qobject_cast<w_monitor*>(
            platform::OpenSheetWithParm(QStringLiteral("w_monitor"), record, frame, 1,
                                        platform::Arrange::Layered, platform::Reference::Global));
        if (sheet != nullptr && tables.size() > 0 && relations.size() > 0) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return !sheet->st_1->text().isEmpty(); }, 20000));
        }
        return sheet;
    }

    // The master row whose column `column` reads `value`; 0 when there is none.
    static long masterRow(w_monitor* sheet, const QString& column, const QString& value) {
        for (long row = 1; row <= sheet->dw_1->RowCount(); ++row) {
            if (sheet->dw_1->GetItemString(row, column) == value)
                return row;
        }
        return 0;
    }

    static void clickRow(DataWindow* grid, long row) {
        QTableView* view = grid->view();
        const QModelIndex index = view->model()->index(static_cast<int>(row - 1), 0);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    static void clickHeading(DataWindow* grid) {
        QHeaderView* header = grid->view()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    }

    QString count(const QString& where) {
        return queryValue(*slot, QStringLiteral("select count(*) from ") + where);
    }

    // The text of the one PDF in `folder`.
    static QString printedText(const QTemporaryDir& folder) {
        const QStringList files = QDir(folder.path()).entryList({QStringLiteral("*.pdf")});
        EXPECT_EQ(files.size(), 1);
        if (files.size() != 1)
            return {};
        QProcess pdftotext;
        pdftotext.start(
            QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), folder.filePath(files[0]), QStringLiteral("-")});
        EXPECT_TRUE(pdftotext.waitForFinished(60000));
        return QString::fromUtf8(pdftotext.readAllStandardOutput());
    }
};

const QString department = QStringLiteral("DB2INST1.DEPARTMENT");
const QString employee = QStringLiteral("DB2INST1.EMPLOYEE");
const QString project = QStringLiteral("DB2INST1.PROJECT");

} // namespace

TEST_F(MonitorTest, MasterClicksRefreshTheGridsOfTheWalkAndReportPrintsTheClickedOne) {
    DORVANE_REQUIRE_TOOL("pdftotext");
    // Position 2 was removed in the selector; position 4 was added last and has no relation.
    w_monitor* sheet =
        openMonitor(department, {employee, QString(), project, department},
                    {QStringLiteral("workdept = deptno"), QStringLiteral("mgrno = deptno"),
                     QStringLiteral("deptno = deptno")});
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Related Table Monitor"));
    EXPECT_EQ(sheet->cb_report->text(), QStringLiteral("Report"));

    // Initialisation: the master's rows, sorted on their first column, and empty related grids.
    EXPECT_EQ(sheet->dw_1->definition().select,
              QStringLiteral("select * from DB2INST1.DEPARTMENT"));
    EXPECT_EQ(QString::number(sheet->dw_1->RowCount()), count(department));
    EXPECT_EQ(sheet->st_1->text(), count(department));
    EXPECT_FALSE(sheet->dw_1->selectedMouse());
    EXPECT_EQ(sheet->dw_1->GetItemString(1, 1), QStringLiteral("A00"));
    for (long row = 2; row <= sheet->dw_1->RowCount(); ++row)
        EXPECT_LT(sheet->dw_1->GetItemString(row - 1, 1), sheet->dw_1->GetItemString(row, 1));
    EXPECT_FALSE(slot->retrieving());
    EXPECT_EQ(sheet->dw_2->definition().select,
              QStringLiteral("select * from DB2INST1.EMPLOYEE where 1 = 2"));
    EXPECT_EQ(sheet->dw_3->definition().select,
              QStringLiteral("select * from DB2INST1.PROJECT where 1 = 2"));
    EXPECT_EQ(sheet->dw_4->definition().select,
              QStringLiteral("select * from DB2INST1.DEPARTMENT where 1 = 2"));
    EXPECT_TRUE(sheet->dw_5->definition().columns.empty());
    for (int n = 2; n <= 5; ++n) {
        EXPECT_EQ(sheet->relatedGrid(n)->RowCount(), 0) << n;
        EXPECT_TRUE(sheet->relatedLabel(n)->text().isEmpty()) << n;
    }
    EXPECT_TRUE(boxes.shown().empty());

    // Print before any related grid was clicked; a click on the master changes nothing there.
    QTemporaryDir folder;
    qputenv("DORVANE_PRINT_DIR", folder.path().toUtf8());
    clickRow(sheet->dw_1, 1);
    const std::size_t before = boxes.shown().size();
    QTest::mouseClick(sheet->cb_report, Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), before + 1);
    EXPECT_EQ(boxes.shown().back().title, QStringLiteral("Report error"));
    EXPECT_EQ(boxes.shown().back().text,
              QStringLiteral("Please click on the window that you want to print"));
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));

    // A master click: each grid of the walk gets the rows of its key condition.
    const long d11 = masterRow(sheet, QStringLiteral("deptno"), QStringLiteral("D11"));
    ASSERT_GT(d11, 0);
    const std::size_t seen = boxes.shown().size();
    clickRow(sheet->dw_1, d11);
    EXPECT_TRUE(sheet->dw_1->IsSelected(d11));
    EXPECT_FALSE(sheet->dw_1->IsSelected(1));
    const QString employees = QStringLiteral("DB2INST1.EMPLOYEE.workdept = 'D11'");
    const QString projects = QStringLiteral("DB2INST1.PROJECT.deptno = 'D11'");
    EXPECT_EQ(sheet->dw_2->definition().select,
              QStringLiteral("select * from DB2INST1.EMPLOYEE where ") + employees);
    EXPECT_EQ(sheet->dw_3->definition().select,
              QStringLiteral("select * from DB2INST1.PROJECT where ") + projects);
    EXPECT_EQ(sheet->st_2->text(),
              count(QStringLiteral("DB2INST1.EMPLOYEE where workdept = 'D11'")));
    EXPECT_EQ(QString::number(sheet->dw_2->RowCount()), sheet->st_2->text());
    EXPECT_EQ(sheet->st_3->text(), count(QStringLiteral("DB2INST1.PROJECT where deptno = 'D11'")));
    EXPECT_GT(sheet->dw_3->RowCount(), 0);
    EXPECT_EQ(sheet->is_relation[1], employees);
    EXPECT_TRUE(sheet->is_relation[2].isEmpty());
    EXPECT_EQ(sheet->is_relation[3], projects);
    // The table without a relation text is skipped with its message; its grid holds no rows.
    EXPECT_EQ(said().mid(static_cast<qsizetype>(seen)),
              QStringList{QStringLiteral("Error / Error reading table DB2INST1.DEPARTMENT")});
    EXPECT_EQ(sheet->dw_4->RowCount(), 0);
    EXPECT_TRUE(sheet->st_4->text().isEmpty());
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready"));
    EXPECT_EQ(platform::currentPointer(), platform::Pointer::Arrow);

    // The same row again only removes its highlight; the related grids keep their rows.
    const long projectRows = sheet->dw_3->RowCount();
    const std::size_t afterSecondPrint = boxes.shown().size();
    sheet->dw_3->Reset();
    ASSERT_EQ(sheet->dw_3->RowCount(), 0);
    clickRow(sheet->dw_1, d11);
    EXPECT_FALSE(sheet->dw_1->IsSelected(d11));
    EXPECT_EQ(sheet->dw_3->RowCount(), 0) << "not retrieved again";
    EXPECT_EQ(boxes.shown().size(), afterSecondPrint);
    // A third click refreshes them again.
    clickRow(sheet->dw_1, d11);
    EXPECT_TRUE(sheet->dw_1->IsSelected(d11));
    EXPECT_EQ(sheet->dw_3->RowCount(), projectRows);
    EXPECT_EQ(sheet->dw_3->definition().select,
              QStringLiteral("select * from DB2INST1.PROJECT where ") + projects);

    // Report of dw_3 (position 3): its own key condition heads it, then its rows.
    clickRow(sheet->dw_3, 1);
    EXPECT_EQ(sheet->is_dw, QStringLiteral("dw_3"));
    clickRow(sheet->dw_1, 1); // the master is never what is printed
    EXPECT_EQ(sheet->is_dw, QStringLiteral("dw_3"));
    clickRow(sheet->dw_1, d11);
    QTest::mouseClick(sheet->cb_report, Qt::LeftButton);
    EXPECT_EQ(sheet->dw_3->printMarginTop(), 250);
    const QStringList pdfs = QDir(folder.path()).entryList({QStringLiteral("*.pdf")});
    ASSERT_EQ(pdfs.size(), 1);
    EXPECT_EQ(frame->microHelp(),
              QStringLiteral("Printed to ") + QDir::toNativeSeparators(folder.filePath(pdfs[0])));
    EXPECT_EQ(platform::currentPointer(), platform::Pointer::Arrow);
    const QString report = printedText(folder);
    const QString today = platform::FormatDateTime(platform::Today(), QStringLiteral("m/d/yyyy"));
    // The blanks between date and time are checked where the heading is made; the PDF's text
    // keeps only that there is space between them.
    const QRegularExpression heading(QStringLiteral("Report on: ") +
                                     QRegularExpression::escape(today) +
                                     QStringLiteral(" +\\d\\d:\\d\\d\n"));
    EXPECT_TRUE(report.contains(heading)) << report.toStdString();
    const qsizetype conditionAt = report.indexOf(projects);
    ASSERT_GE(conditionAt, 0) << report.toStdString();
    EXPECT_LT(report.indexOf(QStringLiteral("Report on: ")), conditionAt);
    for (long row = 1; row <= sheet->dw_3->RowCount(); ++row) {
        const QString projno = sheet->dw_3->GetItemString(row, QStringLiteral("projno"));
        EXPECT_GT(report.indexOf(projno), conditionAt) << projno.toStdString();
    }
    QDir(folder.path()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(folder.path()));

    // Report of dw_4 after a click on its heading: no rows, so the two heading lines only.
    clickHeading(sheet->dw_4);
    EXPECT_EQ(sheet->is_dw, QStringLiteral("dw_4"));
    EXPECT_EQ(platform::TriggerEvent(sheet, "ue_print"), 1);
    const QString empty = printedText(folder);
    EXPECT_TRUE(empty.contains(QStringLiteral("Report on: ")));
    EXPECT_FALSE(empty.contains(QStringLiteral("deptno"))) << empty.toStdString();
    EXPECT_FALSE(empty.contains(QStringLiteral("D11"))) << empty.toStdString();
    // A report that cannot be made says why, under the view's print error title.
    // (Its folder would be inside a file.)
    const QStringList written = QDir(folder.path()).entryList({QStringLiteral("*.pdf")});
    ASSERT_EQ(written.size(), 1);
    const QString notAFolder = folder.filePath(written[0]) + QStringLiteral("/reports");
    qputenv("DORVANE_PRINT_DIR", notAFolder.toUtf8());
    const std::size_t shownBefore = boxes.shown().size();
    QTest::mouseClick(sheet->cb_report, Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), shownBefore + 1);
    EXPECT_EQ(boxes.shown().back().title, QStringLiteral("Report error"));
    EXPECT_TRUE(boxes.shown().back().text.contains(notAFolder)) << said().join(u'\n').toStdString();
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));
    qunsetenv("DORVANE_PRINT_DIR");
}

TEST_F(MonitorTest, KeyValuesAreQuotedNullCellsSkipTheirGridAndTheFifthTableStillStopsTheClick) {
    ScratchTable named(*slot, QStringLiteral("monitor_named"),
                       QStringLiteral("\"Last Name\" varchar(15), note varchar(20)"),
                       QStringLiteral("('O''Brien', 'quoted'), ('Smith', 'other')"));
    const QString resume = QStringLiteral("DB2INST1.EMP_RESUME");
    w_monitor* sheet = openMonitor(
        employee, {QStringLiteral("DB2INST1.SALES"), named.name(), employee, department, resume},
        {QStringLiteral("sales_person = lastname"), QStringLiteral("last_name = lastname"),
         QStringLiteral("phoneno = phoneno"), QStringLiteral("deptno = workdept"),
         QStringLiteral("nosuch = empno")});
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(boxes.shown().empty()) << said().join(QLatin1Char('\n')).toStdString();
    // The fifth table is described but gets no grid.
    EXPECT_EQ(sheet->dw_5->definition().select,
              QStringLiteral("select * from DB2INST1.DEPARTMENT where 1 = 2"));

    // O'Brien has no phone number: that grid is skipped, the others are refreshed, and the fifth
    // table's statement, rejected, stops the click with its message.
    const long obrien = masterRow(sheet, QStringLiteral("lastname"), QStringLiteral("O'Brien"));
    ASSERT_GT(obrien, 0);
    clickRow(sheet->dw_1, obrien);
    EXPECT_EQ(said(),
              (QStringList{QStringLiteral("Error / Error reading table DB2INST1.EMPLOYEE"),
                           QStringLiteral("Error / Error reading table DB2INST1.EMP_RESUME")}));
    EXPECT_EQ(sheet->dw_2->definition().select,
              QStringLiteral("select * from DB2INST1.SALES where "
                             "DB2INST1.SALES.sales_person = 'O''Brien'"));
    EXPECT_EQ(sheet->st_2->text(),
              count(QStringLiteral("DB2INST1.SALES where sales_person = 'O''Brien'")));
    EXPECT_GT(sheet->dw_2->RowCount(), 0);
    // The related column goes to the database by its own name.
    EXPECT_EQ(sheet->dw_3->definition().select, QStringLiteral("select * from ") + named.name() +
                                                    QStringLiteral(" where ") + named.name() +
                                                    QStringLiteral(".\"Last Name\" = 'O''Brien'"));
    ASSERT_EQ(sheet->dw_3->RowCount(), 1);
    EXPECT_EQ(sheet->dw_3->GetItemString(1, QStringLiteral("note")), QStringLiteral("quoted"));
    EXPECT_EQ(sheet->st_3->text(), QStringLiteral("1"));
    EXPECT_EQ(sheet->dw_4->RowCount(), 0);
    EXPECT_TRUE(sheet->st_4->text().isEmpty());
    EXPECT_TRUE(sheet->is_relation[3].isEmpty());
    EXPECT_EQ(sheet->dw_5->definition().select,
              QStringLiteral("select * from DB2INST1.DEPARTMENT where "
                             "DB2INST1.DEPARTMENT.deptno = 'E21'"));
    EXPECT_EQ(sheet->st_5->text(), QStringLiteral("1"));
    EXPECT_EQ(sheet->is_relation[5], QStringLiteral("DB2INST1.EMP_RESUME.nosuch = '000360'"));
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready"));
    EXPECT_EQ(platform::currentPointer(), platform::Pointer::Arrow);

    // Another employee with a phone number fills the third grid again.
    const long haas = masterRow(sheet, QStringLiteral("empno"), QStringLiteral("000010"));
    ASSERT_GT(haas, 0);
    clickRow(sheet->dw_1, haas);
    const QString phone = sheet->dw_1->GetItemString(haas, QStringLiteral("phoneno"));
    EXPECT_EQ(
        sheet->dw_4->definition().select,
        QStringLiteral("select * from DB2INST1.EMPLOYEE where DB2INST1.EMPLOYEE.phoneno = '") +
            phone + QStringLiteral("'"));
    EXPECT_EQ(sheet->st_4->text(), count(QStringLiteral("DB2INST1.EMPLOYEE where phoneno = '") +
                                         phone + QStringLiteral("'")));
    EXPECT_EQ(said().size(), 3) << "only the fifth table's message again";
}

TEST_F(MonitorTest, EmptyRecordLeavesTheSheetEmptyAndPrintAsksForAGrid) {
    w_monitor* sheet = openMonitor(department, {employee}, {});
    ASSERT_NE(sheet, nullptr);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(sheet->dw_1->definition().columns.empty());
    EXPECT_TRUE(sheet->st_1->text().isEmpty());
    clickRow(sheet->dw_1, 1);
    EXPECT_EQ(platform::TriggerEvent(sheet, "ue_print"), 1);
    EXPECT_EQ(said(), QStringList{QStringLiteral(
                          "Report error / Please click on the window that you want to print")});
    // A related grid without a definition prints as one without rows.
    QTemporaryDir folder;
    qputenv("DORVANE_PRINT_DIR", folder.path().toUtf8());
    clickRow(sheet->dw_2, 1);
    EXPECT_EQ(sheet->is_dw, QStringLiteral("dw_2"));
    EXPECT_EQ(platform::TriggerEvent(sheet, "ue_print"), 1);
    qunsetenv("DORVANE_PRINT_DIR");
    EXPECT_EQ(QDir(folder.path()).entryList({QStringLiteral("*.pdf")}).size(), 1);
    EXPECT_EQ(boxes.shown().size(), 1U);
    // The selector handing over again brings this sheet to the front with its first record.
    app::str_tbl_cols other;
    other.s_tbl_master = employee;
    EXPECT_EQ(platform::OpenSheetWithParm(QStringLiteral("w_monitor"), other, frame, 1,
                                          platform::Arrange::Layered, platform::Reference::Global),
              sheet);
    EXPECT_EQ(sheet->istr_tables.s_tbl_master, department);
}

TEST_F(MonitorTest, ClicksWhileRelatedRowsArriveAreIgnored) {
    const int rows = 200000;
    ScratchTable many(*slot, QStringLiteral("monitor_many"),
                      QStringLiteral("n integer, deptno char(3)"));
    ASSERT_TRUE(execute(*slot, QStringLiteral("insert into %1 select n, 'A00' from "
                                              "generate_series(1, %2) n")
                                   .arg(many.name())
                                   .arg(rows)));
    slot->Commit();
    w_monitor* sheet = openMonitor(department, {many.name()}, {QStringLiteral("deptno = deptno")});
    ASSERT_NE(sheet, nullptr);
    const long a00 = masterRow(sheet, QStringLiteral("deptno"), QStringLiteral("A00"));
    const long d11 = masterRow(sheet, QStringLiteral("deptno"), QStringLiteral("D11"));
    ASSERT_GT(a00, 0);
    ASSERT_GT(d11, 0);

    QTemporaryDir folder;
    qputenv("DORVANE_PRINT_DIR", folder.path().toUtf8());
    bool clicked = false;
    QTimer user;
    user.setInterval(0);
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (clicked || sheet->dw_2->RowCount() < 1000 || !sheet->busy())
            return;
        clicked = true;
        EXPECT_EQ(frame->microHelp(), QStringLiteral("Please wait..."));
        EXPECT_EQ(platform::currentPointer(), platform::Pointer::HourGlass);
        clickRow(sheet->dw_1, d11);
        clickRow(sheet->dw_1, a00);
        clickRow(sheet->dw_2, 1);
        EXPECT_EQ(platform::TriggerEvent(sheet, "ue_print"), -1);
        QTest::mouseClick(sheet->cb_report, Qt::LeftButton);
    });
    user.start();
    clickRow(sheet->dw_1, a00);
    user.stop();
    qunsetenv("DORVANE_PRINT_DIR");

    ASSERT_TRUE(clicked);
    EXPECT_TRUE(sheet->dw_1->IsSelected(a00));
    EXPECT_FALSE(sheet->dw_1->IsSelected(d11));
    EXPECT_EQ(sheet->dw_2->definition().select, QStringLiteral("select * from ") + many.name() +
                                                    QStringLiteral(" where ") + many.name() +
                                                    QStringLiteral(".deptno = 'A00'"));
    EXPECT_EQ(sheet->dw_2->RowCount(), rows);
    EXPECT_EQ(sheet->st_2->text(), QString::number(rows));
    EXPECT_TRUE(sheet->is_dw.isEmpty());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready"));
    EXPECT_EQ(platform::currentPointer(), platform::Pointer::Arrow);
}

TEST_F(MonitorTest, MasterClickOverEditedRelatedRowsAsksAndSaveWritesThemOnTheViewsConnection) {
    ScratchTable staff(*slot, QStringLiteral("monitor_staff"),
                       QStringLiteral("empno integer primary key, deptno char(3), name "
                                      "varchar(20)"),
                       QStringLiteral("(1, 'A00', 'Ann'), (2, 'A00', 'Bo'), (3, 'D11', 'Cy')"));
    w_monitor* sheet = openMonitor(department, {staff.name()}, {QStringLiteral("deptno = deptno")});
    ASSERT_NE(sheet, nullptr);
    const long a00 = masterRow(sheet, QStringLiteral("deptno"), QStringLiteral("A00"));
    const long d11 = masterRow(sheet, QStringLiteral("deptno"), QStringLiteral("D11"));
    ASSERT_GT(a00, 0);
    ASSERT_GT(d11, 0);
    const auto names = [&] {
        const QString stored =
            queryValue(*slot, QStringLiteral("select string_agg(name, ',' order by empno) from %1")
                                  .arg(staff.name()));
        slot->Commit();
        return stored;
    };
    clickRow(sheet->dw_1, a00);
    ASSERT_EQ(sheet->dw_2->RowCount(), 2);
    ASSERT_EQ(sheet->dw_2->SetItem(1, QStringLiteral("name"), QStringLiteral("Anna")), 1);

    boxes.answer(3); // Cancel: the click is undone, the edit stays
    clickRow(sheet->dw_1, d11);
    ASSERT_EQ(said(), QStringList{QStringLiteral(
                          "Related Table Monitor / Save changes to Related Table Monitor?")});
    EXPECT_TRUE(sheet->dw_1->IsSelected(a00));
    EXPECT_FALSE(sheet->dw_1->IsSelected(d11));
    EXPECT_EQ(sheet->dw_2->GetItemString(1, QStringLiteral("name")), QStringLiteral("Anna"));

    boxes.answer(2); // Discard: the click goes on, nothing is written
    clickRow(sheet->dw_1, d11);
    EXPECT_TRUE(sheet->dw_1->IsSelected(d11));
    EXPECT_EQ(sheet->dw_2->RowCount(), 1);
    EXPECT_EQ(names(), QStringLiteral("Ann,Bo,Cy"));

    // The view has no Save command; the question's Save writes and commits, then the click goes on.
    ASSERT_EQ(sheet->dw_2->SetItem(1, QStringLiteral("name"), QStringLiteral("Cyd")), 1);
    boxes.answer(1);
    clickRow(sheet->dw_1, a00);
    EXPECT_EQ(boxes.shown().size(), 3u) << said().join(u'\n').toStdString();
    EXPECT_EQ(names(), QStringLiteral("Ann,Bo,Cyd"));
    EXPECT_TRUE(sheet->dw_1->IsSelected(a00));
    EXPECT_EQ(sheet->dw_2->RowCount(), 2);
    EXPECT_FALSE(slot->hasPendingWrites());
}

TEST_F(MonitorTest, AClickMadeWhileTheRelatedStatementsAreHandledIsDropped) {
    w_monitor* sheet = openMonitor(department, {employee}, {QStringLiteral("workdept = deptno")});
    ASSERT_NE(sheet, nullptr);
    const long a00 = masterRow(sheet, QStringLiteral("deptno"), QStringLiteral("A00"));
    const long d11 = masterRow(sheet, QStringLiteral("deptno"), QStringLiteral("D11"));
    ASSERT_GT(a00, 0);
    ASSERT_GT(d11, 0);
    // The user clicks another master row while the click on A00 is still handled, outside any
    // retrieval: the click waits in the queue until the handler is done.
    QTableView* view = sheet->dw_1->view();
    const QPoint at = view->visualRect(view->model()->index(static_cast<int>(d11 - 1), 0)).center();
    bool posted = false;
    QObject::connect(sheet->dw_2, &DataWindow::RetrieveEnd, sheet, [&] {
        if (posted)
            return;
        posted = true;
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QCoreApplication::postEvent(
                view->viewport(),
                new QMouseEvent(type, at, view->viewport()->mapToGlobal(at), Qt::LeftButton,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
        }
    });
    clickRow(sheet->dw_1, a00);
    QCoreApplication::processEvents();

    ASSERT_TRUE(posted);
    EXPECT_TRUE(sheet->dw_1->IsSelected(a00));
    EXPECT_FALSE(sheet->dw_1->IsSelected(d11));
    EXPECT_EQ(sheet->dw_2->RowCount(),
              count(QStringLiteral("db2inst1.employee where workdept = 'A00'")).toLong());
}

TEST_F(MonitorTest, ASheetMadeSmallerThanItsGridsScrollsToTheLowerOnes) {
    w_monitor* sheet = openMonitor(department, {employee}, {QStringLiteral("workdept = deptno")});
    ASSERT_NE(sheet, nullptr);
    auto* sub = qobject_cast<QMdiSubWindow*>(sheet->parentWidget());
    ASSERT_NE(sub, nullptr);
    auto* scroller = sheet->findChild<QScrollArea*>();
    ASSERT_NE(scroller, nullptr);
    // At half its height the lowest grids lie below the edge, and the page scrolls to them.
    sub->resize(sub->width(), sub->height() / 2);
    QCoreApplication::processEvents();
    QScrollBar* bar = scroller->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    const auto bottomShown = [&] {
        const QPoint bottom =
            sheet->dw_5->mapTo(scroller->viewport(), sheet->dw_5->rect().bottomLeft());
        return scroller->viewport()->rect().contains(bottom);
    };
    EXPECT_FALSE(bottomShown());
    bar->setValue(bar->maximum());
    EXPECT_TRUE(bottomShown());
}
