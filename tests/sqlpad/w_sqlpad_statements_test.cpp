// The workspace as a daily tool: statements that change data, scripts, .sql files, Insert and
// Delete, and the keyboard.

#include "platform/messagebox.h"
#include "platform/sheet.h"
#include "sqlpad/sqlpad_fixture.h"

#include <QFile>
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
