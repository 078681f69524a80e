#include "platform/events.h"
#include "platform/grid/export.h"
#include "platform/memorylimit.h"
#include "platform/messagebox.h"
#include "platform/pointer.h"
#include "sqlpad_fixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

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

namespace {

// A user who reads each message box for a while before answering it.
class SlowReader final : public platform::MessageBoxService {
public:
    explicit SlowReader(std::chrono::milliseconds reading)
        : reading_(reading), previous_(platform::setMessageBoxService(this)) {}
    ~SlowReader() override { platform::setMessageBoxService(previous_); }
    SlowReader(const SlowReader&) = delete;
    SlowReader& operator=(const SlowReader&) = delete;

    int ask(const platform::MessageBoxRequest& request) override {
        shown.push_back(request);
        std::this_thread::sleep_for(reading_);
        return 1;
    }
    std::vector<platform::MessageBoxRequest> shown;

private:
    std::chrono::milliseconds reading_;
    platform::MessageBoxService* previous_;
};

} // namespace

TEST_F(SqlpadTest, RowsPastTheMemoryLimitStopTheRetrievalKeepTheRowsAndCountThem) {
    constexpr std::uint64_t limit = std::uint64_t{4} << 20;
    platform::setRowMemoryLimit(limit);
    const auto restore = qScopeGuard([] { platform::setRowMemoryLimit(0); });
    w_sqlpad* sheet = openWorkspace();
    SlowReader reader(std::chrono::seconds(3));
    // About 50 MB of text.
    QElapsedTimer wall;
    wall.start();
    retrieve(sheet, QStringLiteral("select n, repeat('x', 500) as filler "
                                   "from generate_series(1, 100000) n"));
    const qint64 withoutTheBoxMs = wall.elapsed() - 3000;

    ASSERT_EQ(reader.shown.size(), 1U);
    const QRegularExpressionMatch said =
        QRegularExpression(
            QStringLiteral("^The rows reached the memory limit of 4\\.0 MiB: the retrieval "
                           "stopped after ([0-9,]+) rows; the rows read so far are kept\\. "
                           "\\(Set the limit with --row-memory or DORVANE_ROW_MEMORY\\.\\)$"))
            .match(reader.shown[0].text);
    ASSERT_TRUE(said.hasMatch()) << reader.shown[0].text.toStdString();
    const long kept = sheet->dw_1->RowCount();
    EXPECT_EQ(said.captured(1), QLocale(QLocale::English).toString(kept));
    // Stopped near the limit, not before it and not far past it.
    EXPECT_GT(kept * 500, static_cast<long>(limit / 2));
    EXPECT_LT(kept, 100000);
    EXPECT_LE(sheet->dw_1->rows().allocatedBytes(), limit + (std::uint64_t{1} << 20));
    for (long row = 1; row <= kept; ++row) {
        ASSERT_EQ(sheet->dw_1->GetItemString(row, 1), QString::number(row)) << "row " << row;
        ASSERT_EQ(sheet->dw_1->GetItemString(row, 2).size(), 500) << "row " << row;
    }
    EXPECT_EQ(sheet->st_retrieved->text(), QString::number(kept));
    const QRegularExpressionMatch elapsed =
        QRegularExpression(QStringLiteral("^(\\d+) seconds elapsed$"))
            .match(sheet->st_time->text());
    ASSERT_TRUE(elapsed.hasMatch()) << sheet->st_time->text().toStdString();
    // Whole seconds of the retrieval alone, however long the machine took for it.
    EXPECT_LE(elapsed.captured(1).toInt(), withoutTheBoxMs / 1000 + 1)
        << "the time the message was open does not count";

    // The program goes on: a result within the limit comes whole.
    retrieve(sheet, QStringLiteral("select n, repeat('y', 500) as filler "
                                   "from generate_series(1, 3000) n"));
    EXPECT_EQ(reader.shown.size(), 1U);
    EXPECT_EQ(sheet->dw_1->RowCount(), 3000);
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("3000"));
    EXPECT_EQ(sheet->dw_1->GetItemString(3000, 1), QStringLiteral("3000"));
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

TEST_F(SqlpadTest, SqlWorkspaceCommandDoesNothingHere) {
    w_sqlpad* sheet = openWorkspace();
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
        // Insert, Delete and a heading click (a sort) wait as well.
        EXPECT_EQ(sheet->runCommand(platform::Sheet::Command::Insert), -1);
        EXPECT_EQ(sheet->runCommand(platform::Sheet::Command::Delete), -1);
        QHeaderView* header = sheet->dw_1->view()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionSize(0) / 2, header->height() / 2));
        QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    });
    user.start();
    retrieve(sheet, QStringLiteral("select n from generate_series(1, 300000) n"));
    qunsetenv("DORVANE_PRINT_DIR");

    ASSERT_TRUE(pressed);
    EXPECT_EQ(sheet->dw_1->RowCount(), 300000);
    EXPECT_EQ(sheet->dw_1->GetItemString(300000, 1), QStringLiteral("300000"));
    EXPECT_EQ(sheet->dw_1->headingSortColumn(), 0);
    EXPECT_FALSE(sheet->dw_1->view()->horizontalHeader()->isSortIndicatorShown());
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("300000"));
    EXPECT_TRUE(QDir(printed.path()).isEmpty());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));
}

// --- Input at the edges: very wide and very long results, text that is not UTF-8, statements
// that are no queries.

namespace {

// The file that Save As writes for `format`, through the file dialog as the user picks it.
QByteArray savedAs(w_sqlpad* sheet, const QTemporaryDir& folder, const QString& file,
                   platform::grid::ExportFormat format) {
    whenFileDialog([&](QFileDialog* dialog) {
        dialog->selectNameFilter(platform::grid::exportFilter(format));
        dialog->selectFile(folder.filePath(file));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    platform::TriggerEvent(sheet, "ue_saveas");
    QFile saved(folder.filePath(file));
    EXPECT_TRUE(saved.open(QIODevice::ReadOnly)) << file.toStdString();
    return saved.readAll();
}

QVariant shown(w_sqlpad* sheet, long row, int column, int role = Qt::DisplayRole) {
    const QAbstractItemModel* model = sheet->dw_1->view()->model();
    return model->data(model->index(static_cast<int>(row - 1), column - 1), role);
}

} // namespace

TEST_F(SqlpadTest, ThousandColumnsShowWithTheirHeadingsAndSaveAsCsvHoldsThemAll) {
    QTemporaryDir folder;
    QStringList items;
    QStringList names;
    QStringList values;
    for (int i = 1; i <= 1000; ++i) {
        items << QStringLiteral("%1 as c%1").arg(i);
        names << QStringLiteral("c%1").arg(i);
        values << QString::number(i);
    }
    w_sqlpad* sheet = openWorkspace();
    retrieve(sheet, QStringLiteral("select ") + items.join(QStringLiteral(", ")));
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'\n').toStdString();
    ASSERT_EQ(sheet->dw_1->ColumnCount(), 1000);
    ASSERT_EQ(sheet->dw_1->RowCount(), 1);
    const QAbstractItemModel* model = sheet->dw_1->view()->model();
    const QHeaderView* header = sheet->dw_1->view()->horizontalHeader();
    QStringList headings;
    QStringList cells;
    for (int c = 1; c <= 1000; ++c) {
        headings << model->headerData(c - 1, Qt::Horizontal).toString();
        cells << shown(sheet, 1, c).toString();
        EXPECT_FALSE(header->isSectionHidden(c - 1)) << c;
        EXPECT_GT(header->sectionSize(c - 1), 0) << c;
    }
    EXPECT_EQ(headings, names);
    EXPECT_EQ(cells, values);

    const QByteArray csv =
        savedAs(sheet, folder, QStringLiteral("wide.csv"), platform::grid::ExportFormat::Csv);
    EXPECT_EQ(csv, (names.join(u',') + QStringLiteral("\r\n") + values.join(u',') +
                    QStringLiteral("\r\n"))
                       .toUtf8());
}

TEST_F(SqlpadTest, HugeTextAndBinaryCellsShowCutQuicklyAndSaveAsWritesThemWhole) {
    QTemporaryDir folder;
    // 10 MB of text with a character of two and one of three bytes, and 5 MB of bytes.
    const QString text = QStringLiteral("\u00e9") +
                         QString(QStringLiteral("0123456789")).repeated(1024 * 1024) +
                         QStringLiteral("\u03a9");
    const QByteArray hex = QByteArray("00FF10EF").repeated(5 * 1024 * 1024 / 4);
    w_sqlpad* sheet = openWorkspace();
    retrieve(sheet, QStringLiteral("select 'é' || repeat('0123456789', 1048576) || 'Ω' as t, "
                                   "decode(repeat('00ff10ef', 1310720), 'hex') as b"));
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'\n').toStdString();
    ASSERT_EQ(sheet->dw_1->RowCount(), 1);
    EXPECT_EQ(sheet->dw_1->GetItemString(1, 1), text);
    EXPECT_EQ(sheet->dw_1->GetItemString(1, 2), QString::fromLatin1(hex));
    // The rows are kept as read, not as UTF-16 or hex text: about 15 MB.
    EXPECT_LT(sheet->dw_1->rows().allocatedBytes(), std::size_t{24} << 20);

    // The cells show their start, cut, also once painted.
    EXPECT_EQ(shown(sheet, 1, 1).toString(), text.left(200) + QStringLiteral("\u2026"));
    EXPECT_EQ(shown(sheet, 1, 2).toString(),
              QStringLiteral("0x00FF10EF00FF10EF\u2026 (5242880 bytes)"));
    EXPECT_EQ(shown(sheet, 1, 1, Qt::ToolTipRole).toString(), text.left(4000));
    sheet->dw_1->view()->viewport()->grab();
    EXPECT_EQ(shown(sheet, 1, 1).toString(), text.left(200) + QStringLiteral("\u2026"));

    const QByteArray csv =
        savedAs(sheet, folder, QStringLiteral("big.csv"), platform::grid::ExportFormat::Csv);
    EXPECT_TRUE(csv == QByteArray("t,b\r\n") + text.toUtf8() + ',' + hex + "\r\n")
        << "the file holds " << csv.size() << " bytes";
    const QByteArray sql =
        savedAs(sheet, folder, QStringLiteral("big.sql"), platform::grid::ExportFormat::SqlInsert);
    EXPECT_TRUE(sql.contains(QByteArray("'") + text.toUtf8() + "', X'" + hex + "');"));
}

TEST_F(SqlpadTest, MegabyteStatementIsKeptInTheEditorDescribedAndRetrieved) {
    QStringList list;
    for (int n = 1; n <= 165000; ++n)
        list << QString::number(n);
    const QString query = QStringLiteral("select n from generate_series(1, 5000) n where n in (") +
                          list.join(u',') + QStringLiteral(") order by n");
    ASSERT_GT(query.size(), 1000000);
    w_sqlpad* sheet = openWorkspace();
    retrieve(sheet, query);
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'\n').toStdString();
    EXPECT_EQ(sheet->mle_1->text(), query);
    EXPECT_EQ(sheet->dw_1->RowCount(), 5000);
    EXPECT_EQ(sheet->dw_1->GetItemString(5000, 1), QStringLiteral("5000"));
    EXPECT_EQ(sheet->st_retrieved->text(), QStringLiteral("5000"));
    EXPECT_EQ(sheet->dw_1->TableSelect(), query + QStringLiteral("  WITH UR "));
}

TEST_F(SqlpadTest, SqliteTextThatIsNotUtf8ShowsReplacementMarksAndKeepsTheRestOfTheRow) {
    // The SQLite sample, on a slot of its own.
    platform::Transaction lite(QStringLiteral("SQLCA1"));
    lite.DBMS = QStringLiteral("ODBC");
    lite.DBParm = QStringLiteral("DSN=") + sqliteDsn();
    lite.Connect();
    ASSERT_EQ(lite.SQLCode, 0) << lite.SQLErrText.toStdString();
    app::globals().SQLCA1 = &lite;
    const QString table = QStringLiteral("odd_text_%1").arg(QCoreApplication::applicationPid());
    struct Cleanup {
        platform::Transaction& lite;
        QString table;
        ~Cleanup() {
            platform::destroyWindows();
            app::globals().SQLCA1 = nullptr;
            lite.Rollback();
            execute(lite, QStringLiteral("drop table if exists %1").arg(table));
            lite.Commit();
            lite.Disconnect();
        }
    } cleanup{lite, table};
    ASSERT_TRUE(execute(lite, QStringLiteral("create table %1 (id integer primary key, v text, "
                                             "w text, z integer)")
                                  .arg(table)));
    // a, a lead byte without its follower, (, a byte that is never UTF-8, b; then a NUL inside.
    ASSERT_TRUE(execute(lite, QStringLiteral("insert into %1 values "
                                             "(1, cast(X'61C328FF62' as text), 'after', 7), "
                                             "(2, 'a' || char(0) || 'b', 'after2', 8), "
                                             "(3, 'Zo\u00eb', 'after3', 9)")
                                  .arg(table)));
    lite.Commit();

    QTemporaryDir folder;
    w_sqlpad* sheet = openWorkspace(QStringLiteral("SQLCA1"));
    retrieve(sheet, QStringLiteral("select id, v, w, z from %1 order by id").arg(table));
    EXPECT_TRUE(boxes.shown().empty()) << said().join(u'\n').toStdString();
    ASSERT_EQ(sheet->dw_1->RowCount(), 3);
    const QString marked = QStringLiteral("a\ufffd(\ufffdb");
    EXPECT_EQ(sheet->dw_1->GetItemString(1, 2), marked);
    EXPECT_EQ(shown(sheet, 1, 2).toString(), marked);
    // The SQLite driver itself ends a text at a NUL: the grid holds what it hands out.
    EXPECT_EQ(sheet->dw_1->GetItemString(2, 2), QStringLiteral("a"));
    EXPECT_EQ(sheet->dw_1->GetItemString(3, 2), QStringLiteral("Zo\u00eb"));
    QStringList rest;
    for (long row = 1; row <= 3; ++row)
        rest << sheet->dw_1->GetItemString(row, 1) + u'/' + sheet->dw_1->GetItemString(row, 3) +
                    u'/' + sheet->dw_1->GetItemString(row, 4);
    EXPECT_EQ(rest, (QStringList{QStringLiteral("1/after/7"), QStringLiteral("2/after2/8"),
                                 QStringLiteral("3/after3/9")}));

    // Saved as shown: each byte sequence that is not UTF-8 becomes U+FFFD, so that the file is
    // UTF-8 throughout.
    const QByteArray csv =
        savedAs(sheet, folder, QStringLiteral("odd.csv"), platform::grid::ExportFormat::Csv);
    EXPECT_EQ(csv, (QStringLiteral("id,v,w,z\r\n1,") + marked +
                    QStringLiteral(",after,7\r\n2,a,after2,8\r\n3,Zo\u00eb,after3,9\r\n"))
                       .toUtf8());
}

// Ctrl+Enter retrieves as Alt+R does, and Ctrl+Up / Ctrl+Down bring back the statements
// retrieved before, then what was being typed.
TEST_F(SqlpadTest, CtrlEnterRetrievesAndCtrlUpDownRecallTheStatementsRetrievedThenTheDraft) {
    w_sqlpad* sheet = openWorkspace();
    const QString first = QStringLiteral("select empno from db2inst1.employee");
    const QString second = QStringLiteral("select empno, lastname from db2inst1.employee");
    sheet->mle_1->setFocus();
    typeInto(sheet->mle_1, first);
    QTest::keyClick(sheet->mle_1, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(sheet->dw_1->ColumnCount(), 1);
    EXPECT_GT(sheet->dw_1->RowCount(), 0);
    EXPECT_EQ(sheet->mle_1->text(), first) << "Ctrl+Enter puts no line break into the text";

    QTest::keyClick(sheet->mle_1, Qt::Key_A, Qt::ControlModifier);
    typeInto(sheet->mle_1, second);
    QTest::keyClick(sheet->mle_1, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(sheet->dw_1->ColumnCount(), 2);

    QTest::keyClick(sheet->mle_1, Qt::Key_A, Qt::ControlModifier);
    typeInto(sheet->mle_1, QStringLiteral("select count(*) from"));
    const auto recall = [&](Qt::Key key) {
        QTest::keyClick(sheet->mle_1, key, Qt::ControlModifier);
        return sheet->mle_1->text();
    };
    EXPECT_EQ(recall(Qt::Key_Up), second);
    EXPECT_EQ(recall(Qt::Key_Up), first);
    EXPECT_EQ(recall(Qt::Key_Up), first) << "the oldest stays";
    EXPECT_EQ(recall(Qt::Key_Down), second);
    EXPECT_EQ(recall(Qt::Key_Down), QStringLiteral("select count(*) from")) << "the draft";
    EXPECT_EQ(recall(Qt::Key_Down), QStringLiteral("select count(*) from"));

    // A recalled statement retrieves as typed; the second workspace has a history of its own.
    EXPECT_EQ(recall(Qt::Key_Up), second);
    QTest::keyClick(sheet->mle_1, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(sheet->dw_1->ColumnCount(), 2);
    w_sqlpad* other = openWorkspace();
    other->mle_1->setFocus();
    QTest::keyClick(other->mle_1, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_TRUE(other->mle_1->text().isEmpty());
    EXPECT_TRUE(boxes.shown().empty());
}

// The connection's tables and columns, read in the background from the first key typed, are
// offered as names are typed: tables after FROM, columns after WHERE or ORDER BY and after an
// alias and a dot. Esc closes the list, not the sheet.
TEST_F(SqlpadTest, TypingOffersTablesAfterFromThenColumnsOfTheStatementsTables) {
    w_sqlpad* sheet = openWorkspace();
    QsciScintilla* editor = sheet->mle_1;
    ASSERT_TRUE(readCatalogByTyping(sheet));
    const auto choice = [&] {
        QByteArray text(256, '\0');
        editor->SendScintilla(QsciScintillaBase::SCI_AUTOCGETCURRENTTEXT, 0UL, text.data());
        return QString::fromUtf8(text.constData());
    };

    typeInto(editor, QStringLiteral("select * from db2inst1.emplo"));
    ASSERT_TRUE(editor->isListActive());
    EXPECT_EQ(choice(), QStringLiteral("employee"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(editor->text(), QStringLiteral("select * from db2inst1.employee"));

    typeInto(editor, QStringLiteral(" e where e.lastn"));
    ASSERT_TRUE(editor->isListActive());
    EXPECT_EQ(choice(), QStringLiteral("lastname"));
    QTest::keyClick(editor, Qt::Key_Tab);
    typeInto(editor, QStringLiteral(" <> 'x' order by workd"));
    ASSERT_TRUE(editor->isListActive());
    EXPECT_EQ(choice(), QStringLiteral("workdept"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(editor->isListActive());
    EXPECT_TRUE(sheet->isVisible()) << "Esc closed the list only";
    EXPECT_EQ(editor->text(),
              QStringLiteral("select * from db2inst1.employee e where e.lastname <> 'x' "
                             "order by workd"));

    // Inside a string literal nothing is offered.
    typeInto(editor, QStringLiteral(" , 'empl"));
    EXPECT_FALSE(editor->isListActive());

    // Retrieving with Ctrl+Enter closes a list still offered.
    editor->clear();
    typeInto(editor, QStringLiteral("select * from db2inst1.employee"));
    ASSERT_TRUE(editor->isListActive());
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(sheet->dw_1->RowCount(), 40);
    EXPECT_FALSE(editor->isListActive());
    EXPECT_EQ(editor->text(), QStringLiteral("select * from db2inst1.employee"));
}

// The connection's catalog is read on a thread of its own from the first key typed; ending the
// connection at once stops that read first, so that it never runs on a freed connection (under
// AddressSanitizer the driver freed its statement twice).
TEST_F(SqlpadTest, DisconnectRightAfterTheWorkspaceOpensStopsTheCatalogReadFirst) {
    w_sqlpad* sheet = openWorkspace();
    ASSERT_NE(sheet, nullptr);
    sheet->mle_1->setFocus();
    QTest::keyClick(sheet->mle_1, 's'); // starts the reading
    slot->Disconnect();
    EXPECT_FALSE(slot->isConnected());
    EXPECT_EQ(slot->SQLCode, 0) << slot->SQLErrText.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet->catalogReady(); }, 10000));
}

// Every route that would drop an edited row asks first: Cancel stops the command with the edit
// still in the grid and nothing sent; Discard lets the command finish and writes nothing; Save
// writes the edit, then the command finishes.
TEST_F(SqlpadTest, EveryRouteThatWouldDropAnEditAsksFirstAndCancelKeepsIt) {
    ScratchTable table(*slot, QStringLiteral("sqlpad_ask"),
                       QStringLiteral("id integer primary key, name varchar(40)"),
                       QStringLiteral("(1, 'one'), (2, 'two')"));
    auto observer = connectedSlot(QStringLiteral("SQLCA1"));
    const auto stored = [&] {
        const QString names = queryValue(
            *observer,
            QStringLiteral("select string_agg(name, ',' order by id) from %1").arg(table.name()));
        observer->Commit();
        return names;
    };
    QPointer<w_sqlpad> sheet;
    bool connectionContinued = false;
    // The user retrieves the table and types over the first name; the editor stays open unless
    // Enter closes it.
    const auto edit = [&](bool pressEnter) {
        if (sheet == nullptr) {
            frame->show();
            sheet = openWorkspace();
        }
        // After Cancel the edit is still there; it is typed again over itself.
        if (!sheet->dw_1->hasPendingChanges())
            retrieve(sheet,
                     QStringLiteral("select id, name from %1 order by id").arg(table.name()));
        ASSERT_EQ(sheet->dw_1->RowCount(), 2);
        QTableView* view = sheet->dw_1->view();
        view->setFocus();
        view->setCurrentIndex(view->model()->index(0, 1));
        QTest::keyClick(view, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(view->currentIndex()));
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("edited"));
        if (pressEnter) {
            QTest::keyClick(editor, Qt::Key_Return);
            QCoreApplication::processEvents(); // the view closes the editor from its queue
        }
    };
    const auto sheetGone = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return sheet == nullptr;
    };
    // The chooser, with the workspace's connection chosen and OK pressed; it stays open when the
    // question is cancelled, and is then cancelled itself.
    const auto choose = [&] {
        connectionContinued = false;
        QTimer::singleShot(0, [&] {
            auto* chooser =
                qobject_cast<platform::ResponseWindow*>(QApplication::activeModalWidget());
            ASSERT_NE(chooser, nullptr);
            auto* grid = chooser->findChild<platform::grid::DataWindow*>();
            ASSERT_NE(grid, nullptr);
            grid->SelectRow(1, true);
            platform::TriggerEvent(chooser, "ue_ok");
            if (QApplication::activeModalWidget() == chooser)
                chooser->reject();
        });
        platform::Open(QStringLiteral("w_sqlca"));
    };

    struct Route {
        const char* name;
        bool pressEnter;
        std::function<void()> trigger;
        std::function<bool()> finished;
    };
    const std::vector<Route> routes = {
        {"Close button", true, [&] { QTest::mouseClick(sheet->cb_close, Qt::LeftButton); },
         sheetGone},
        {"Esc", true,
         [&] {
             sheet->mle_1->setFocus();
             QTest::keyClick(sheet->mle_1, Qt::Key_Escape);
         },
         sheetGone},
        {"control menu", true, [&] { sheet->parentWidget()->close(); }, sheetGone},
        {"Retrieve", true, [&] { QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton); },
         [&] {
             return sheet->dw_1->GetItemString(1, 2) == QStringLiteral("one");
         }},
        // File > Exit closes the frame without taking the focus from the open cell editor.
        {"Exit", false, [&] { frame->close(); },
         [&] {
             return sheetGone() && frame->isHidden();
         }},
        {"New Connection", true,
         [&] {
             // As the frame does after a new logon: every sheet closes, then a workspace opens.
             connectionContinued = false;
             const auto goOn = [&] {
                 connectionContinued = true;
             };
             if (frame->closeEverySheet(goOn) == platform::Frame::SheetsClosing::Closed)
                 goOn();
         },
         [&] {
             return sheetGone() && connectionContinued;
         }},
        {"chooser", true, choose,
         [&] {
             return !slot->isConnected();
         }},
    };
    const QString question = QStringLiteral("Save changes to SQL Workspace?");
    for (const Route& route : routes) {
        SCOPED_TRACE(route.name);
        for (const int answer : {3, 2}) { // Cancel, then Discard
            edit(route.pressEnter);
            if (HasFatalFailure())
                return;
            const std::size_t before = boxes.shown().size();
            boxes.answer(answer);
            route.trigger();
            ASSERT_EQ(boxes.shown().size(), before + 1) << said().join(u'\n').toStdString();
            const platform::MessageBoxRequest& asked = boxes.shown().back();
            EXPECT_EQ(asked.text, question);
            EXPECT_EQ(asked.buttons, platform::Buttons::SaveDiscardCancel);
            EXPECT_EQ(stored(), QStringLiteral("one,two")) << "nothing is written";
            EXPECT_FALSE(slot->hasPendingWrites()) << "nothing is sent";
            if (answer == 3) {
                ASSERT_NE(sheet, nullptr) << "Cancel keeps the sheet";
                EXPECT_EQ(sheet->dw_1->GetItemString(1, 2), QStringLiteral("edited"));
                EXPECT_TRUE(sheet->dw_1->hasPendingChanges());
                EXPECT_TRUE(frame->isVisible());
                EXPECT_FALSE(connectionContinued);
            } else {
                EXPECT_TRUE(route.finished()) << "Discard lets the command finish";
            }
        }
    }

    // The chooser closed the connection, and the new logon would close the sheet.
    sheet->Close();
    ASSERT_TRUE(sheetGone());
    slot->Connect();
    ASSERT_TRUE(slot->isConnected()) << slot->SQLErrText.toStdString();

    // Save writes the edit, then the command goes on; with nothing pending nothing asks.
    edit(true);
    boxes.answer(1);
    QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    EXPECT_EQ(stored(), QStringLiteral("edited,two"));
    EXPECT_EQ(sheet->dw_1->GetItemString(1, 2), QStringLiteral("edited"));
    const std::size_t asked = boxes.shown().size();
    QTest::mouseClick(sheet->cb_close, Qt::LeftButton);
    EXPECT_TRUE(sheetGone());
    EXPECT_EQ(boxes.shown().size(), asked) << said().join(u'\n').toStdString();
}

// A close asked for while an error box from a retrieval is open over an open Save As dialog:
// nothing goes while either loop runs; both sheets close once they have returned, and no file
// is chosen. Meanwhile the rows of the sheet choosing a file are held.
TEST_F(SqlpadTest, ACloseUnderAnErrorBoxOverAnOpenSaveAsDialogWaitsForBothLoops) {
    QPointer<w_sqlpad> first = openWorkspace();
    retrieve(first, employees);
    const long rows = first->dw_1->RowCount();
    ASSERT_GT(rows, 0);
    QPointer<w_sqlpad> second = openWorkspace();
    second->mle_1->setText(QStringLiteral("select * from no_such_table"));

    // Real boxes and dialogs, answered as a user would, from inside their loops.
    platform::MessageBoxService* scripted = platform::setMessageBoxService(nullptr);
    int stage = 0;
    bool bothThereUnderTheBox = false;
    long rowsWhileChoosing = -1;
    // Two hands: a timer does not fire again while its own handler runs a loop.
    QTimer atDialog;
    QTimer atBox;
    for (QTimer* hand : {&atDialog, &atBox})
        hand->setInterval(10);
    QObject::connect(&atDialog, &QTimer::timeout, [&] {
        if (stage != 0 || qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) == nullptr)
            return;
        stage = 1;
        // Access keys' delayed clicks reach buttons under a modal dialog.
        first->cb_retrieve->click(); // waits: the rows are held while a file is chosen
        rowsWhileChoosing = first->dw_1->RowCount();
        second->cb_retrieve->click(); // fails, and its error box opens over the dialog
        stage = 3;
    });
    QObject::connect(&atBox, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (stage != 1 || box == nullptr)
            return;
        stage = 2;
        first->Close();
        second->Close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        bothThereUnderTheBox = first != nullptr && second != nullptr;
        box->button(QMessageBox::Ok)->click();
    });
    atDialog.start();
    atBox.start();
    platform::TriggerEvent(first, "ue_saveas");
    atDialog.stop();
    atBox.stop();
    platform::setMessageBoxService(scripted);

    EXPECT_EQ(stage, 3);
    EXPECT_EQ(rowsWhileChoosing, rows);
    EXPECT_TRUE(bothThereUnderTheBox);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first == nullptr && second == nullptr; }, 5000));
    EXPECT_TRUE(frame->sheets().isEmpty());
}

// Found by the soak test: a sheet asked to close while its retrieval runs waits for it to stop;
// when the retrieval then ends in an error box, the close that follows waits for the box too,
// and the retrieval's handler finishes in a sheet that is still there.
TEST_F(SqlpadTest, ASheetClosedWhileItsRetrievalFailsGoesOnlyAfterTheErrorBox) {
    QPointer<w_sqlpad> sheet = openWorkspace();
    // Fails at its first fetch, on the worker, before the user-interface thread sees it.
    sheet->mle_1->setText(QStringLiteral("select 1 / (n - 2) from generate_series(1, 5) n"));
    platform::MessageBoxService* scripted = platform::setMessageBoxService(nullptr);
    bool closeAsked = false;
    int boxTurns = 0;
    bool thereUnderTheBox = false;
    QTimer::singleShot(0, [&] {
        // Inside the retrieval's loop, once the worker has failed: New Connection closes every
        // sheet, and this one waits for its retrieval.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        closeAsked = true;
        frame->closeEverySheet([] {});
    });
    QTimer atBox;
    atBox.setInterval(10);
    QObject::connect(&atBox, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        // A few turns of the box's loop, where the close that waited for the retrieval runs.
        if (++boxTurns < 5)
            return;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        thereUnderTheBox = sheet != nullptr;
        box->button(QMessageBox::Ok)->click();
    });
    atBox.start();
    QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    atBox.stop();
    platform::setMessageBoxService(scripted);

    EXPECT_TRUE(closeAsked);
    EXPECT_GE(boxTurns, 5);
    EXPECT_TRUE(thereUnderTheBox);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet == nullptr; }, 5000));
}

// Found by the soak test: the editor's list of names is placed on the screen under the text
// cursor, and a workspace moved past the edge of the desktop had none there (a crash). Nothing
// is offered there; back on the screen, the list comes again.
TEST_F(SqlpadTest, CompletionOffersNothingWhereNoScreenIsUnderTheTextCursor) {
    w_sqlpad* sheet = openWorkspace();
    QsciScintilla* editor = sheet->mle_1;
    ASSERT_TRUE(readCatalogByTyping(sheet));
    QWidget* sub = sheet->parentWidget();
    const QPoint home = sub->pos();
    sub->move(100000, 100000);
    ASSERT_EQ(QGuiApplication::screenAt(editor->mapToGlobal(QPoint(0, 0))), nullptr);
    typeInto(editor, QStringLiteral("select * from db2inst1.emplo"));
    EXPECT_FALSE(editor->isListActive());
    sub->move(home);
    typeInto(editor, QStringLiteral("y"));
    EXPECT_TRUE(editor->isListActive());

    // Found by the soak test: the caret on the screen, but the start of the word being completed
    // past its left edge, where the editor's list would be placed.
    editor->cancelList();
    editor->setText(QString());
    typeInto(editor, QStringLiteral("select * from db2inst1.emplo"));
    editor->cancelList();
    const long start = editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS) - 5;
    const int startX = static_cast<int>(
        editor->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, start));
    const QPoint startOnScreen = editor->viewport()->mapToGlobal(QPoint(startX, 0));
    sub->move(sub->pos() - QPoint(startOnScreen.x() + 3, 0));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    ASSERT_LT(editor->viewport()->mapToGlobal(QPoint(startX, 0)).x(), screen.left());
    typeInto(editor, QStringLiteral("y"));
    const long caret = editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    const int caretX = static_cast<int>(
        editor->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, caret));
    ASSERT_GE(editor->viewport()->mapToGlobal(QPoint(caretX, 0)).x(), screen.left());
    EXPECT_FALSE(editor->isListActive());
    sub->move(home);
}
