// The workspace as a daily tool: statements that change data, scripts, .sql files, Insert and
// Delete, and the keyboard.

#include "platform/messagebox.h"
#include "platform/sheet.h"
#include "sqlpad/sql_file.h"
#include "sqlpad/sqlpad_fixture.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

using namespace testsupport;
using app::w_sqlpad;

namespace {

class SqlpadStatementsTest : public SqlpadTest {
protected:
    void SetUp() override {
        SqlpadTest::SetUp();
        table = std::make_unique<ScratchTable>(
            *slot, QStringLiteral("sqlpad_daily"),
            QStringLiteral("id integer primary key, name varchar(40)"),
            QStringLiteral("(1, 'one'), (2, 'two')"));
        observer = connectedSlot(QStringLiteral("observer"));
    }
    void TearDown() override {
        platform::destroyWindows();
        if (slot->isConnected())
            slot->Rollback();
        observer.reset();
        table.reset();
        SqlpadTest::TearDown();
    }

    // The rows as another user sees them: committed work only.
    QString committed() {
        const QString rows = queryValue(
            *observer, QStringLiteral("select string_agg(id || ':' || name, ',' order by id) "
                                      "from %1")
                           .arg(table->name()));
        observer->Commit();
        return rows;
    }
    // What the server says the workspace's session is doing: "idle", "idle in transaction" ...
    QString sessionState(const QString& pid) {
        const QString state = queryValue(
            *observer,
            QStringLiteral("select state from pg_stat_activity where pid = %1").arg(pid));
        observer->Commit();
        return state;
    }

    std::unique_ptr<ScratchTable> table;
    std::unique_ptr<platform::Transaction> observer;
};

TEST_F(SqlpadStatementsTest, StatementsWithoutRowsRunAndTheirChangesWaitForSaveOrTheCloseQuestion) {
    const QString pid = queryValue(*slot, QStringLiteral("select pg_backend_pid()"));
    slot->Commit();
    w_sqlpad* sheet = openWorkspace();
    const QString t = table->name();

    retrieve(sheet, QStringLiteral("update %1 set name = 'uno' where id = 1").arg(t));
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'\n').toStdString();
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("1"));
    EXPECT_EQ(sheet->st_1->text(), QStringLiteral("rows affected"));
    EXPECT_TRUE(sheet->st_time->text().endsWith(QStringLiteral(" seconds elapsed")));
    EXPECT_TRUE(sheet->st_pending->isVisible());
    EXPECT_TRUE(frame->microHelp().startsWith(QStringLiteral("1 row affected; not committed")));
    EXPECT_EQ(committed(), QStringLiteral("1:one,2:two"));
    EXPECT_EQ(sessionState(pid), QStringLiteral("idle in transaction"));

    // A query in between reads the change and keeps it pending.
    retrieve(sheet, QStringLiteral("select id, name from %1 order by id").arg(t));
    ASSERT_EQ(sheet->dw_1->RowCount(), 2);
    EXPECT_EQ(sheet->dw_1->GetItemString(1, 2), QStringLiteral("uno"));
    EXPECT_EQ(sessionState(pid), QStringLiteral("idle in transaction"));

    // Save commits; then nothing stays open.
    ASSERT_EQ(sheet->runCommand(platform::Sheet::Command::Save), 1);
    EXPECT_EQ(committed(), QStringLiteral("1:uno,2:two"));
    EXPECT_FALSE(sheet->st_pending->isVisible());
    EXPECT_EQ(sessionState(pid), QStringLiteral("idle"));

    // Every row of a table: asked first; No runs nothing.
    boxes.answer(2);
    retrieve(sheet, QStringLiteral("delete from %1").arg(t));
    ASSERT_EQ(said().size(), 1);
    EXPECT_EQ(said().constLast(),
              QStringLiteral("Caution / This statement changes every row of %1. Run it?").arg(t));
    EXPECT_EQ(queryValue(*slot, QStringLiteral("select count(*) from %1").arg(t)),
              QStringLiteral("2"));
    slot->Commit();

    // Closing asks to commit or roll back; Cancel keeps the sheet and the change.
    retrieve(sheet, QStringLiteral("insert into %1 values (3, 'three')").arg(t));
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("1"));
    boxes.answer(3);
    QTest::mouseClick(sheet->cb_close, Qt::LeftButton);
    ASSERT_EQ(said().size(), 2);
    EXPECT_EQ(said().constLast(), QStringLiteral("SQL Workspace / Commit changes made on SQLCA?"));
    ASSERT_EQ(frame->sheets().size(), 1);
    EXPECT_TRUE(sheet->changesPending());
    // Roll Back: closed, and nothing of it reached the table.
    boxes.answer(2);
    QTest::mouseClick(sheet->cb_close, Qt::LeftButton);
    EXPECT_TRUE(frame->sheets().isEmpty());
    EXPECT_EQ(committed(), QStringLiteral("1:uno,2:two"));
    EXPECT_EQ(sessionState(pid), QStringLiteral("idle"));

    // Commit, from Exit's question.
    sheet = openWorkspace();
    retrieve(sheet, QStringLiteral("insert into %1 values (4, 'four')").arg(t));
    boxes.answer(1);
    EXPECT_EQ(frame->closeEverySheet([] {}), platform::Frame::SheetsClosing::Closed);
    EXPECT_EQ(said().size(), 4) << said().join(u'\n').toStdString();
    EXPECT_EQ(committed(), QStringLiteral("1:uno,2:two,4:four"));
}

TEST_F(SqlpadStatementsTest, AScriptRunsInOrderAndStopsAtTheFirstErrorWithThatStatementSelected) {
    w_sqlpad* sheet = openWorkspace();
    const QString t = table->name();
    const QString script = QStringLiteral("insert into %1 values (3, 'three');\n"
                                          "-- a comment; with a semicolon\n"
                                          "update %1 set name = 'x;y' where id = 3;\n"
                                          "select id, name from %1 order by id;\n"
                                          "select nonsense from %1;\n"
                                          "insert into %1 values (5, 'never')")
                               .arg(t);
    retrieve(sheet, script);

    ASSERT_EQ(said().size(), 1);
    EXPECT_TRUE(
        said().constFirst().startsWith(QStringLiteral("Caution / SyntaxFromSQL errors: line 5: ")))
        << said().constFirst().toStdString();
    EXPECT_TRUE(said().constFirst().contains(QStringLiteral("nonsense")));
    EXPECT_EQ(sheet->mle_1->selectedText(), QStringLiteral("select nonsense from %1").arg(t));
    EXPECT_TRUE(frame->microHelp().contains(QStringLiteral("line 5")));
    // The grid shows the last query that ran.
    ASSERT_EQ(sheet->dw_1->RowCount(), 3);
    EXPECT_EQ(sheet->dw_1->GetItemString(3, 2), QStringLiteral("x;y"));
    EXPECT_EQ(queryValue(*slot, QStringLiteral("select count(*) from %1 where id = 5").arg(t)),
              QStringLiteral("0"));
    EXPECT_TRUE(sheet->changesPending());

    // Stop ends a script after the statement running.
    QTimer::singleShot(300, sheet, [sheet] { QTest::mouseClick(sheet->cb_stop, Qt::LeftButton); });
    retrieve(sheet, QStringLiteral("update %1 set name = 'slept' where id = 1 and pg_sleep(20) is "
                                   "not null; insert into %1 values (6, 'six')")
                        .arg(t));
    EXPECT_EQ(queryValue(*slot, QStringLiteral("select count(*) from %1 where id = 6 or name = "
                                               "'slept'")
                                    .arg(t)),
              QStringLiteral("0"));
    EXPECT_TRUE(frame->microHelp().startsWith(QStringLiteral("Stopped")))
        << frame->microHelp().toStdString();
}

} // namespace

namespace {

// Clicks the heading of `column` (from 1) and waits until the rows are sorted.
void clickHeading(platform::grid::DataWindow* grid, int column) {
    QHeaderView* header = grid->view()->horizontalHeader();
    const int x = header->sectionViewportPosition(column - 1) + header->sectionSize(column - 1) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    EXPECT_TRUE(QTest::qWaitFor([grid] { return !grid->retrieving(); }, 10000));
}

// The column's cells, joined by commas.
QString columnTexts(const platform::grid::DataWindow* grid, int column) {
    QStringList texts;
    for (long row = 1; row <= grid->RowCount(); ++row)
        texts << (grid->isItemNull(row, column) ? QStringLiteral("NULL")
                                                : grid->GetItemString(row, column));
    return texts.join(u',');
}

} // namespace

TEST_F(SqlpadStatementsTest,
       HeadingClicksSortByTypeThenBackKeepingEditsAndHighlightsWithTheirRows) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ScratchTable mixed(*slot, QStringLiteral("sqlpad_sorted"),
                       QStringLiteral("id integer primary key, n numeric(9,2), t varchar(10), "
                                      "d date"),
                       QStringLiteral("(1, 2, 'b', '2024-01-02'), (2, 10, 'a', null), "
                                      "(3, null, 'C', '2023-05-01'), (4, 1.5, 'd', "
                                      "'2023-12-31')"));
    w_sqlpad* sheet = openWorkspace();
    platform::grid::DataWindow* grid = sheet->dw_1;
    retrieve(sheet, QStringLiteral("select id, n, t, d from %1 order by id").arg(mixed.name()));
    ASSERT_EQ(grid->RowCount(), 4);
    // An unsaved edit and a highlighted row go where their rows go.
    ASSERT_EQ(grid->SetItem(4, 3, QStringLiteral("B")), 1);
    grid->SelectRow(2, true);

    clickHeading(grid, 2); // numbers by value, NULL first
    EXPECT_EQ(columnTexts(grid, 1), QStringLiteral("3,4,1,2"));
    EXPECT_EQ(grid->headingSortColumn(), 2);
    EXPECT_TRUE(grid->headingSortAscending());
    EXPECT_TRUE(grid->view()->horizontalHeader()->isSortIndicatorShown());
    EXPECT_TRUE(grid->IsSelected(4));
    EXPECT_FALSE(grid->IsSelected(2));
    EXPECT_EQ(grid->GetItemString(2, 3), QStringLiteral("B"));

    clickHeading(grid, 2); // descending: NULL last
    EXPECT_EQ(columnTexts(grid, 1), QStringLiteral("2,1,4,3"));
    clickHeading(grid, 2); // back in the order they came in
    EXPECT_EQ(columnTexts(grid, 1), QStringLiteral("1,2,3,4"));
    EXPECT_FALSE(grid->view()->horizontalHeader()->isSortIndicatorShown());

    clickHeading(grid, 3); // text in the user's collation: case does not come first
    EXPECT_EQ(columnTexts(grid, 3), QStringLiteral("a,b,B,C"));
    clickHeading(grid, 4); // dates in time order
    EXPECT_EQ(columnTexts(grid, 4), QStringLiteral("NULL,2023-05-01,2023-12-31,2024-01-02"));
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'\n').toStdString();

    // Saved after sorting, the edit reaches its own row.
    ASSERT_EQ(sheet->runCommand(platform::Sheet::Command::Save), 1);
    EXPECT_EQ(
        queryValue(*observer, QStringLiteral("select t from %1 where id = 4").arg(mixed.name())),
        QStringLiteral("B"));
    observer->Commit(); // its read would keep the table from being dropped
    QLocale::setDefault(before);
}

TEST_F(SqlpadStatementsTest, ALargerSheetGivesItsGridTheSpaceASmallerOneScrolls) {
    w_sqlpad* sheet = openWorkspace();
    QWidget* sub = sheet->parentWidget();
    ASSERT_NE(sub, nullptr);
    QTest::qWait(50);
    const QSize design = sheet->size();
    const QRect grid = sheet->dw_1->geometry();
    const QRect close = sheet->cb_close->geometry();
    const QRect text = sheet->mle_1->geometry();
    const QRect heading = sheet->st_3->geometry();

    sub->resize(sub->size() + QSize(300, 200));
    QTest::qWait(50);
    const QSize grown = sheet->size() - design;
    ASSERT_EQ(grown, QSize(300, 200));
    EXPECT_EQ(sheet->dw_1->geometry(), grid.adjusted(0, 0, 300, 200));
    EXPECT_EQ(sheet->cb_close->geometry(), close.translated(300, 200));
    EXPECT_EQ(sheet->mle_1->geometry(), text.adjusted(0, 0, 0, 200));
    EXPECT_EQ(sheet->st_3->geometry(), heading);

    // Smaller than the design: nothing shrinks, and the sheet scrolls to what is hidden.
    sub->resize(sub->size() - QSize(800, 500));
    QTest::qWait(50);
    EXPECT_EQ(sheet->dw_1->size(), grid.size());
    const QList<QScrollBar*> bars =
        sheet->findChildren<QScrollBar*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(bars.size(), 2);
    for (QScrollBar* bar : bars) {
        EXPECT_TRUE(bar->isVisible());
        bar->setValue(bar->maximum());
    }
    const QRect shown = sheet->cb_close->geometry();
    EXPECT_LE(shown.right(), sheet->width());
    EXPECT_LE(shown.bottom(), sheet->height());

    // Back at the design size, everything is where it was designed.
    sub->resize(sub->size() + QSize(500, 300));
    QTest::qWait(50);
    ASSERT_EQ(sheet->size(), design);
    EXPECT_EQ(sheet->dw_1->geometry(), grid);
    EXPECT_EQ(sheet->cb_close->geometry(), close);
    for (QScrollBar* bar : bars)
        EXPECT_FALSE(bar->isVisible());

    // A new result starts at its first column.
    retrieve(sheet, QStringLiteral("select * from db2inst1.employee"));
    QScrollBar* across = sheet->dw_1->view()->horizontalScrollBar();
    across->setValue(across->maximum());
    ASSERT_GT(across->value(), 0);
    retrieve(sheet, QStringLiteral("select * from db2inst1.employee"));
    EXPECT_EQ(across->value(), 0);
}

TEST_F(SqlpadStatementsTest, CtrlTabLeavesTheQueryTextWhichKeepsTabForIndenting) {
    w_sqlpad* sheet = openWorkspace();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    sheet->mle_1->setFocus();
    sheet->mle_1->setText(QStringLiteral("select 1"));
    QTest::keyClick(sheet->mle_1, Qt::Key_Tab);
    EXPECT_TRUE(sheet->mle_1->hasFocus());
    EXPECT_NE(sheet->mle_1->text(), QStringLiteral("select 1"));

    QTest::keyClick(sheet->mle_1, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(sheet->dw_1->isAncestorOf(QApplication::focusWidget()));
    sheet->mle_1->setFocus();
    QTest::keyClick(sheet->mle_1, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), sheet->cb_1);
}

TEST_F(SqlpadStatementsTest, InsertAndDeleteChangeAnEditableResultAndSayWhyNotElsewhere) {
    w_sqlpad* sheet = openWorkspace();
    const QString t = table->name();
    retrieve(sheet, QStringLiteral("select id, name from %1 order by id").arg(t));
    ASSERT_EQ(sheet->dw_1->RowCount(), 2);

    // Insert, from the frame's command: a new last row, the cursor in its first cell.
    ASSERT_EQ(sheet->runCommand(platform::Sheet::Command::Insert), 1);
    ASSERT_EQ(sheet->dw_1->RowCount(), 3);
    EXPECT_EQ(sheet->dw_1->GetRow(), 3);
    QTableView* view = sheet->dw_1->view();
    EXPECT_EQ(view->currentIndex().column(), 0);
    // F2 opens the cell's editor; Enter takes what it holds.
    const auto type = [view](const QString& text) {
        QTest::keyClick(view, Qt::Key_F2);
        QWidget* editor = view->indexWidget(view->currentIndex());
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the view takes the text from its queue
    };
    type(QStringLiteral("7"));
    QTest::keyClick(view, Qt::Key_Right);
    type(QStringLiteral("seven"));
    // Delete: the highlighted row.
    sheet->dw_1->SelectRow(1, true);
    ASSERT_EQ(sheet->runCommand(platform::Sheet::Command::Delete), 1);
    EXPECT_EQ(sheet->dw_1->RowCount(), 2);
    ASSERT_EQ(sheet->runCommand(platform::Sheet::Command::Save), 1);
    EXPECT_EQ(committed(), QStringLiteral("2:two,7:seven")) << said().join(u'\n').toStdString();

    // A result that is not one table's rows with its key cannot change.
    retrieve(sheet, QStringLiteral("select count(*) from %1").arg(t));
    ASSERT_EQ(sheet->runCommand(platform::Sheet::Command::Insert), 1);
    EXPECT_EQ(sheet->dw_1->RowCount(), 1);
    EXPECT_EQ(frame->microHelp(), QStringLiteral("This result cannot be changed: it does not "
                                                 "hold one table's primary key"));
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'\n').toStdString();
}

TEST_F(SqlpadStatementsTest, SqlFilesOpenAsUtf8OnlySaveWholeAndAChangedTextIsAskedAbout) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("report.sql"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("select 'Grüße' as greeting").toUtf8());
    }
    const QString latin1 = folder.filePath(QStringLiteral("latin1.sql"));
    {
        QFile file(latin1);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("select 'Gr\xfc\xdf"
                   "e'");
    }
    w_sqlpad* sheet = openWorkspace();
    ASSERT_TRUE(sheet->openSqlFile(path));
    EXPECT_EQ(sheet->mle_1->text(), QStringLiteral("select 'Grüße' as greeting"));
    EXPECT_EQ(sheet->st_file->toolTip(), path);
    EXPECT_TRUE(sheet->st_file->text().startsWith(QStringLiteral("rep")));
    EXPECT_EQ(app::recentSqlFiles().value(0), path);

    // Not UTF-8: refused, and the text stays.
    EXPECT_FALSE(sheet->openSqlFile(latin1));
    ASSERT_EQ(said().size(), 1);
    EXPECT_TRUE(said().constFirst().endsWith(QStringLiteral("is not UTF-8 text; it was not "
                                                            "opened.")));
    EXPECT_EQ(sheet->mle_1->text(), QStringLiteral("select 'Grüße' as greeting"));

    // A changed text: closing asks; Cancel keeps the sheet, Save writes the file whole.
    sheet->mle_1->setText(QStringLiteral("select 'neu' as greeting"));
    boxes.answer(3);
    QTest::mouseClick(sheet->cb_close, Qt::LeftButton);
    ASSERT_EQ(said().size(), 2);
    EXPECT_EQ(said().constLast(), QStringLiteral("SQL Workspace / Save changes to report.sql?"));
    ASSERT_EQ(frame->sheets().size(), 1);
    boxes.answer(1);
    QTest::mouseClick(sheet->cb_close, Qt::LeftButton);
    EXPECT_TRUE(frame->sheets().isEmpty());
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), QStringLiteral("select 'neu' as greeting"));
}

// Found by the soak test: a workspace whose changes were to be rolled back at its close, while
// another sheet on the same connection was reading, could never close: the ROLLBACK was refused
// for the reading, and each close asked again.
TEST_F(SqlpadStatementsTest, ACloseAnsweredWhileAnotherSheetReadsEndsTheWorkWhenTheReadingEnds) {
    const QString t = table->name();
    w_sqlpad* writer = openWorkspace();
    retrieve(writer, QStringLiteral("insert into %1 values (3, 'three')").arg(t));
    ASSERT_TRUE(writer->changesPending());
    w_sqlpad* reader = openWorkspace();
    QTimer::singleShot(300, writer, [this, writer] {
        boxes.answer(2); // Roll Back
        QTest::mouseClick(writer->cb_close, Qt::LeftButton);
    });
    retrieve(reader, QStringLiteral("select pg_sleep(1.5) as slept"));
    EXPECT_EQ(reader->dw_1->RowCount(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->sheets().size(), 1);
    EXPECT_EQ(said(), QStringList{QStringLiteral("SQL Workspace / Commit changes made on SQLCA?")});
    EXPECT_EQ(queryValue(*slot, QStringLiteral("select count(*) from %1 where id = 3").arg(t)),
              QStringLiteral("0"));
    EXPECT_FALSE(slot->hasPendingWrites());
}
