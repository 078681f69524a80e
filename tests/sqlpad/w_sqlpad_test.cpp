#include "platform/events.h"
#include "platform/grid/export.h"
#include "platform/pointer.h"
#include "sqlpad_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

using namespace testsupport;
using app::w_sqlpad;

namespace {

const QString employees =
    QStringLiteral("select empno, lastname, workdept from db2inst1.employee order by empno");

// A scratch table with a key, for the save tests.

// Presses Stop (or tabs away from it) once `rows` rows have arrived; checks between events, so
// it runs while the sheet waits inside its retrieval.
class StopWhenRowsArrive {
public:
    enum class How { Click, TabAway };
    StopWhenRowsArrive(w_sqlpad* sheet, long rows, How how) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this, sheet, rows, how] {
            if (sheet->dw_1->RowCount() < rows)
                return;
            timer_.stop();
            rowsWhenStopped = sheet->dw_1->RowCount();
            if (how == How::Click) {
                QTest::mouseClick(sheet->cb_stop, Qt::LeftButton);
            } else {
                sheet->cb_stop->setFocus();
                QTest::keyClick(sheet->cb_stop, Qt::Key_Tab);
            }
        });
        timer_.start();
    }
    long rowsWhenStopped = 0;

private:
    QTimer timer_;
};

// The user at the file dialog that is about to open: picks a format and a file name, and saves.
void whenFileDialog(std::function<void(QFileDialog*)> action, int turns = 20) {
    QTimer::singleShot(0, [action = std::move(action), turns]() mutable {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr && turns > 0)
            return whenFileDialog(std::move(action), turns - 1);
        ASSERT_NE(dialog, nullptr) << "expected a file dialog";
        action(dialog);
    });
}

// The next control that Tab reaches, named by the control itself rather than by an inner part
// (the query text's or the grid's view) that takes the focus for it.
QWidget* nextTabStop(QWidget* from) {
    QWidget* sheet = from->window();
    for (QWidget* w = from->nextInFocusChain(); w != from; w = w->nextInFocusChain()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy() != nullptr)
            continue;
        if (from->isAncestorOf(w))
            continue;
        for (QWidget* control = w; control != nullptr && control != sheet;
             control = control->parentWidget()) {
            if (qobject_cast<app::w_sqlpad*>(control->parentWidget()) != nullptr)
                return control;
        }
    }
    return nullptr;
}

void typeInto(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::keyClick(widget, c.toLatin1());
}

} // namespace

TEST_F(SqlpadTest, OpensAsTheSqlWorkspaceWithItsControlsAtStart) {
    w_sqlpad* sheet = openWorkspace();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("SQL Workspace"));
    EXPECT_EQ(sheet->cb_1->text(), QStringLiteral("Clear"));
    EXPECT_EQ(sheet->cb_retrieve->text(), QStringLiteral("&Retrieve"));
    EXPECT_EQ(sheet->cb_stop->text(), QStringLiteral("&Stop"));
    EXPECT_EQ(sheet->cb_close->text(), QStringLiteral("&Close"));
    EXPECT_EQ(sheet->st_1->text(), QStringLiteral("rows retrieved"));
    EXPECT_EQ(sheet->st_preview->text(), QStringLiteral("First"));
    EXPECT_TRUE(sheet->st_preview->isHidden());
    EXPECT_TRUE(sheet->st_time->text().isEmpty());
    EXPECT_TRUE(sheet->st_retrieved->text().isEmpty());
    EXPECT_TRUE(sheet->mle_1->text().isEmpty());
    EXPECT_FALSE(sheet->ib_stop);
    // Tab order: Clear, the query text, the grid, Stop, Retrieve, Close.
    EXPECT_EQ(nextTabStop(sheet->cb_1), sheet->mle_1);
    EXPECT_EQ(nextTabStop(sheet->mle_1), sheet->dw_1);
    EXPECT_EQ(nextTabStop(sheet->dw_1), sheet->cb_stop);
    EXPECT_EQ(nextTabStop(sheet->cb_stop), sheet->cb_retrieve);
    EXPECT_EQ(nextTabStop(sheet->cb_retrieve), sheet->cb_close);
    EXPECT_TRUE(sheet->mle_1->lexer() != nullptr) << "the query text is highlighted as SQL";
}

TEST_F(SqlpadTest, SelectShowsColumnsRowsCounterAndElapsedSeconds) {
    w_sqlpad* sheet = openWorkspace();
    const long expected =
        queryValue(*slot, QStringLiteral("select count(*) from db2inst1.employee")).toLong();
    sheet->mle_1->setFocus();
    typeInto(sheet->mle_1, employees);
    QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);

    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(sheet->dw_1->ColumnCount(), 3);
    EXPECT_EQ(sheet->dw_1->RowCount(), expected);
    EXPECT_EQ(sheet->dw_1->GetItemString(1, QStringLiteral("empno")),
              queryValue(*slot, QStringLiteral("select min(empno) from db2inst1.employee")));
    EXPECT_EQ(sheet->st_retrieved->text(), QString::number(expected));
    EXPECT_TRUE(sheet->st_1->isVisibleTo(sheet));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+ seconds elapsed$"))
                    .match(sheet->st_time->text())
                    .hasMatch())
        << sheet->st_time->text().toStdString();
    EXPECT_EQ(sheet->dw_1->TableSelect(), employees + QStringLiteral("  WITH UR "))
        << "the text as typed, then two blanks, WITH UR and a blank";
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));
    EXPECT_EQ(platform::currentPointer(), platform::Pointer::Arrow);
}

TEST_F(SqlpadTest, RejectedStatementShowsCautionWithServerTextAndKeepsPreviousGrid) {
    w_sqlpad* sheet = openWorkspace();
    retrieve(sheet, employees);
    const long rows = sheet->dw_1->RowCount();
    ASSERT_GT(rows, 0);

    retrieve(sheet, QStringLiteral("select no_such_column from db2inst1.employee"));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("Caution"));
    const QString text = boxes.shown()[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("SyntaxFromSQL errors: "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("no_such_column"))) << "the server's own text";
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\nSome columns are not presentable.")));
    EXPECT_EQ(sheet->dw_1->RowCount(), rows);
    EXPECT_EQ(sheet->dw_1->ColumnCount(), 3);
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));
    EXPECT_EQ(platform::currentPointer(), platform::Pointer::Arrow);
}

TEST_F(SqlpadTest, EmptyTextShowsCautionAndKeepsPreviousGrid) {
    w_sqlpad* sheet = openWorkspace();
    retrieve(sheet, employees);
    const long rows = sheet->dw_1->RowCount();

    QTest::mouseClick(sheet->cb_1, Qt::LeftButton);
    QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("Caution"));
    EXPECT_TRUE(boxes.shown()[0].text.startsWith(QStringLiteral("SyntaxFromSQL errors: ")));
    EXPECT_EQ(sheet->dw_1->RowCount(), rows);
    EXPECT_EQ(sheet->dw_1->ColumnCount(), 3);
}

TEST_F(SqlpadTest, StopPressedDuringMillionRowRetrievalKeepsRowsReadAndNextRetrieveStartsAfresh) {
    w_sqlpad* sheet = openWorkspace();
    StopWhenRowsArrive stop(sheet, 20000, StopWhenRowsArrive::How::Click);
    retrieve(sheet, QStringLiteral("select n, 'row ' || n as label "
                                   "from generate_series(1, 1000000) n"));
    const long kept = sheet->dw_1->RowCount();
    EXPECT_GE(kept, stop.rowsWhenStopped);
    EXPECT_LT(kept, 1000000);
    EXPECT_EQ(sheet->st_retrieved->text(), QString::number(kept));
    EXPECT_EQ(sheet->dw_1->GetItemString(kept, 1), QString::number(kept));
    EXPECT_TRUE(sheet->st_time->text().endsWith(QStringLiteral(" seconds elapsed")));
    EXPECT_TRUE(boxes.shown().empty()) << "a stop asked for by the user is no error";

    retrieve(sheet, QStringLiteral("select n from generate_series(1, 3000) n"));
    EXPECT_FALSE(sheet->ib_stop);
    EXPECT_EQ(sheet->dw_1->RowCount(), 3000);
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("3000"));
}

TEST_F(SqlpadTest, TabbingAwayFromStopDuringMillionRowRetrievalStopsItAsAClickDoes) {
    w_sqlpad* sheet = openWorkspace();
    StopWhenRowsArrive stop(sheet, 20000, StopWhenRowsArrive::How::TabAway);
    retrieve(sheet, QStringLiteral("select n from generate_series(1, 1000000) n"));
    const long kept = sheet->dw_1->RowCount();
    EXPECT_GE(kept, stop.rowsWhenStopped);
    EXPECT_LT(kept, 1000000);
    EXPECT_EQ(sheet->st_retrieved->text(), QString::number(kept));

    retrieve(sheet, QStringLiteral("select n from generate_series(1, 3000) n"));
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("3000"));
}

TEST_F(SqlpadTest, RetrievePressedWhileRetrievingIsIgnored) {
    w_sqlpad* sheet = openWorkspace();
    QTimer press;
    press.setInterval(0);
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (sheet->dw_1->RowCount() < 1000)
            return;
        press.stop();
        QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
        QTest::mouseClick(sheet->cb_stop, Qt::LeftButton);
    });
    press.start();
    retrieve(sheet, QStringLiteral("select n from generate_series(1, 1000000) n"));
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_GE(sheet->dw_1->RowCount(), 1000);
    EXPECT_LT(sheet->dw_1->RowCount(), 1000000);
    EXPECT_EQ(sheet->st_retrieved->text(), QString::number(sheet->dw_1->RowCount()));
}

TEST_F(SqlpadTest, StopReachesAStatementTheServerIsStillExecuting) {
    w_sqlpad* sheet = openWorkspace();
    // Stop is pressed once the retrieval is under way, before the server has produced a row.
    QTimer press;
    press.setInterval(0);
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (!sheet->dw_1->retrieving())
            return;
        press.stop();
        QTest::mouseClick(sheet->cb_stop, Qt::LeftButton);
    });
    press.start();
    retrieve(sheet, QStringLiteral("select pg_sleep(600) as slept"));
    EXPECT_EQ(sheet->dw_1->RowCount(), 0);
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("0"));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(SqlpadTest, QueryWithoutRowsShowsZeroAndTheElapsedTime) {
    w_sqlpad* sheet = openWorkspace();
    retrieve(sheet, QStringLiteral("select empno from db2inst1.employee where 1 = 0"));
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(sheet->dw_1->RowCount(), 0);
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("0"));
    EXPECT_TRUE(sheet->st_preview->isHidden());
    EXPECT_TRUE(sheet->st_time->text().endsWith(QStringLiteral(" seconds elapsed")));
}

TEST_F(SqlpadTest, PreviewStopsAfterTheFifthRowAndKeepsFirstShown) {
    w_sqlpad* sheet = openWorkspace();
    sheet->mle_1->setText(QStringLiteral("select n from generate_series(1, 100) n"));
    sheet->ib_preview = true;
    platform::TriggerEvent(sheet, "ue_retrieve");
    EXPECT_EQ(sheet->dw_1->RowCount(), 5);
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("5"));
    EXPECT_FALSE(sheet->st_preview->isHidden());

    QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    EXPECT_FALSE(sheet->ib_preview);
    EXPECT_EQ(sheet->dw_1->RowCount(), 100);
    EXPECT_TRUE(sheet->st_preview->isHidden());
}

TEST_F(SqlpadTest, SaveCommitsAnEditedCellSeenFromAnotherConnection) {
    ScratchTable table(*slot, QStringLiteral("sqlpad"),
                       QStringLiteral("id integer primary key, name varchar(40)"),
                       QStringLiteral("(1, 'one'), (2, 'two'), (3, 'three')"));
    auto observer = connectedSlot(QStringLiteral("SQLCA1"));
    w_sqlpad* sheet = openWorkspace();
    retrieve(sheet, QStringLiteral("select id, name from %1 order by id").arg(table.name()));
    ASSERT_EQ(sheet->dw_1->RowCount(), 3);
    sheet->dw_1->SetItem(2, 2, QStringLiteral("O'Brien"));
    platform::TriggerEvent(sheet, "ue_save");
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(
        queryValue(*observer, QStringLiteral("select name from %1 where id = 2").arg(table.name())),
        QStringLiteral("O'Brien"));
    observer->Commit();
}

TEST_F(SqlpadTest, FailingSaveRollsBackAndWritesNothing) {
    ScratchTable table(*slot, QStringLiteral("sqlpad"),
                       QStringLiteral("id integer primary key, name varchar(40)"),
                       QStringLiteral("(1, 'one'), (2, 'two'), (3, 'three')"));
    auto other = connectedSlot(QStringLiteral("SQLCA1"));
    w_sqlpad* sheet = openWorkspace();
    retrieve(sheet, QStringLiteral("select id, name from %1 order by id").arg(table.name()));
    ASSERT_EQ(sheet->dw_1->RowCount(), 3);
    // Another user changes the second row's key meanwhile: its update finds no row.
    execute(*other, QStringLiteral("update %1 set id = 20 where id = 2").arg(table.name()));
    other->Commit();
    sheet->dw_1->SetItem(1, 2, QStringLiteral("first"));
    sheet->dw_1->SetItem(2, 2, QStringLiteral("second"));
    platform::TriggerEvent(sheet, "ue_save");
    EXPECT_EQ(boxes.shown().size(), 1u) << "the grid reports the failed update";
    EXPECT_EQ(queryValue(*slot, QStringLiteral("select string_agg(name, ',' order by id) from %1")
                                    .arg(table.name())),
              QStringLiteral("one,three,two"))
        << "the first row's change is rolled back on the sheet's own connection";
    slot->Commit();
    EXPECT_EQ(queryValue(*other, QStringLiteral("select string_agg(name, ',' order by id) from %1")
                                     .arg(table.name())),
              QStringLiteral("one,three,two"));
    other->Commit();
}

TEST_F(SqlpadTest, SaveAsWritesEveryRowToCsvAndToSqlInsert) {
    QTemporaryDir folder;
    w_sqlpad* sheet = openWorkspace();
    retrieve(sheet, employees);
    const long rows = sheet->dw_1->RowCount();
    ASSERT_GT(rows, 0);

    const auto saveAs = [&](const QString& file, platform::grid::ExportFormat format) {
        whenFileDialog([&](QFileDialog* dialog) {
            dialog->selectNameFilter(platform::grid::exportFilter(format));
            dialog->selectFile(folder.filePath(file));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        platform::TriggerEvent(sheet, "ue_saveas");
    };
    saveAs(QStringLiteral("rows.csv"), platform::grid::ExportFormat::Csv);
    saveAs(QStringLiteral("rows.sql"), platform::grid::ExportFormat::SqlInsert);

    QFile csv(folder.filePath(QStringLiteral("rows.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().count("\r\n"), rows + 1);
    QFile sql(folder.filePath(QStringLiteral("rows.sql")));
    ASSERT_TRUE(sql.open(QIODevice::ReadOnly));
    EXPECT_EQ(sql.readAll().count("INSERT INTO"), rows);
}

TEST_F(SqlpadTest, PrintHoldsTheQueryTextAndThenEveryRow) {
    QTemporaryDir folder;
    qputenv("DORVANE_PRINT_DIR", folder.path().toUtf8());
    w_sqlpad* sheet = openWorkspace();
    const QString query =
        QStringLiteral("select n, 'line ' || n as label from generate_series(1, 300) n");
    retrieve(sheet, query);
    ASSERT_EQ(sheet->dw_1->RowCount(), 300);
    platform::TriggerEvent(sheet, "ue_print");
    qunsetenv("DORVANE_PRINT_DIR");
    EXPECT_EQ(sheet->dw_1->printMarginTop(), 250);

    const QStringList files = QDir(folder.path()).entryList({QStringLiteral("*.pdf")});
    ASSERT_EQ(files.size(), 1) << "one print job";
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {folder.filePath(files[0]), QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(60000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    const qsizetype queryAt = text.indexOf(QStringLiteral("generate_series(1, 300)"));
    ASSERT_GE(queryAt, 0);
    EXPECT_LT(queryAt, text.indexOf(QStringLiteral("line 1\n")));
    for (int n : {1, 2, 150, 299, 300})
        EXPECT_TRUE(text.contains(QStringLiteral("line %1\n").arg(n))) << n;
}

TEST_F(SqlpadTest, WorkspaceOpenedWithoutRecordRetrievesOnSqlcaAndKeepsTheName) {
    auto* sheet = qobject_cast<w_sqlpad*>(platform::OpenSheet(QStringLiteral("w_sqlpad"), frame));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->istr_sqlca, app::str_sqlca{});
    retrieve(sheet, QStringLiteral("select 42 as answer"));
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(sheet->dw_1->GetItemString(1, 1), QStringLiteral("42"));
    EXPECT_EQ(sheet->istr_sqlca.s_sqlca, QStringLiteral("SQLCA"));
}

TEST_F(SqlpadTest, WorkspaceFromFreshEmptyRecordRetrievesOnSqlcaAndKeepsTheName) {
    w_sqlpad* sheet = openWorkspace(QString());
    retrieve(sheet, QStringLiteral("select 7 as seven"));
    EXPECT_EQ(sheet->dw_1->GetItemString(1, 1), QStringLiteral("7"));
    EXPECT_EQ(sheet->istr_sqlca.s_sqlca, QStringLiteral("SQLCA"));
}

TEST_F(SqlpadTest, SlotNameOfAnotherCaseNamesNoSlotAndRetrievesNothing) {
    w_sqlpad* sheet = openWorkspace(QStringLiteral("sqlca"));
    retrieve(sheet, QStringLiteral("select 7 as seven"));
    EXPECT_EQ(sheet->dw_1->RowCount(), 0);
    EXPECT_EQ(sheet->istr_sqlca.s_sqlca, QStringLiteral("sqlca"));
}

TEST_F(SqlpadTest, ClearEmptiesTheTextAndLeavesGridCounterAndTime) {
    w_sqlpad* sheet = openWorkspace();
    retrieve(sheet, employees);
    const long rows = sheet->dw_1->RowCount();
    const QString counter = sheet->st_retrieved->text();
    const QString time = sheet->st_time->text();
    QTest::mouseClick(sheet->cb_1, Qt::LeftButton);
    EXPECT_TRUE(sheet->mle_1->text().isEmpty());
    EXPECT_EQ(sheet->dw_1->RowCount(), rows);
    EXPECT_EQ(sheet->st_retrieved->text(), counter);
    EXPECT_EQ(sheet->st_time->text(), time);
}

TEST_F(SqlpadTest, QueryHandedOverStartsWithoutItsIsolationClauseAndRetrievesUnchanged) {
    w_sqlpad* sheet = openWorkspace(QStringLiteral("SQLCA"),
                                    QStringLiteral("select * from db2inst1.department  WITH UR "));
    EXPECT_EQ(sheet->mle_1->text(), QStringLiteral("select * from db2inst1.department"));
    QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_GT(sheet->dw_1->RowCount(), 0);
}

TEST_F(SqlpadTest, GetColumnsListsAnEmptyEntryThenEveryColumn) {
    w_sqlpad* sheet = openWorkspace();
    retrieve(sheet, employees);
    platform::TriggerEvent(sheet, "ue_get_columns");
    EXPECT_EQ(sheet->columnList,
              (QStringList{QString(), QStringLiteral("empno"), QStringLiteral("lastname"),
                           QStringLiteral("workdept")}));
}

TEST_F(SqlpadTest, InsertDeleteAndSqlWorkspaceCommandsDoNothingHere) {
    w_sqlpad* sheet = openWorkspace();
    EXPECT_FALSE(platform::hasEvent(sheet, "ue_insert"));
    EXPECT_FALSE(platform::hasEvent(sheet, "ue_delete"));
    EXPECT_FALSE(platform::hasEvent(sheet, "ue_sqlpad"));
}

TEST_F(SqlpadTest, CloseAndEscCloseTheSheet) {
    QPointer<w_sqlpad> sheet = openWorkspace();
    QTest::mouseClick(sheet->cb_close, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame->sheets().isEmpty());

    QPointer<w_sqlpad> second = openWorkspace();
    second->mle_1->setFocus();
    QTest::keyClick(second->mle_1, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame->sheets().isEmpty());
}

TEST_F(SqlpadTest, SavePrintAndRetrieveWaitWhileRowsArriveAndTheResultStaysWhole) {
    QTemporaryDir printed;
    qputenv("DORVANE_PRINT_DIR", printed.path().toUtf8());
    w_sqlpad* sheet = openWorkspace();
    // Save ended the transaction under the open cursor: the result stopped at a block of the
    // driver's, shown as if complete.
    bool pressed = false;
    QTimer user;
    user.setInterval(0);
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (pressed || sheet->dw_1->RowCount() < 1000)
            return;
        pressed = true;
        EXPECT_EQ(platform::TriggerEvent(sheet, "ue_save"), -1);
        EXPECT_EQ(frame->microHelp(), platform::busyText());
        EXPECT_EQ(platform::TriggerEvent(sheet, "ue_print"), -1);
        QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    });
    user.start();
    retrieve(sheet, QStringLiteral("select n from generate_series(1, 300000) n"));
    qunsetenv("DORVANE_PRINT_DIR");

    ASSERT_TRUE(pressed);
    EXPECT_EQ(sheet->dw_1->RowCount(), 300000);
    EXPECT_EQ(sheet->dw_1->GetItemString(300000, 1), QStringLiteral("300000"));
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("300000"));
    EXPECT_TRUE(QDir(printed.path()).isEmpty());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));
}
