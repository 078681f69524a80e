// Faults a user's session survives: the database server going away while rows arrive, while a
// statement runs or while rows are saved, a connection ended behind the program's back, and a
// disk that fills up under Save As. Each test runs its own server (see own_server.h), stops it
// as a crash would, and drives the windows as a user does.

#include "app/globals.h"
#include "app/records.h"
#include "browse/w_db2.h"
#include "connect/logon_driver.h"
#include "faults/own_server.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/grid/export.h"
#include "platform/windows.h"
#include "shell/w_frame.h"
#include "sqlpad/sql_editor.h"
#include "sqlpad/w_sqlpad.h"
#include "support/sheet_test.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace testsupport;
using app::w_db2;
using app::w_sqlpad;
using platform::grid::ExportFormat;

namespace {

// A frame with a slot connected to a server of the test's own.
class FaultTest : public SheetTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.failure().isEmpty()) << server.failure().toStdString();
        SheetTest::SetUp();
    }

    w_sqlpad* openWorkspace() {
        app::str_sqlca record;
        record.s_sqlca = QStringLiteral("SQLCA");
        return qobject_cast<w_sqlpad*>(
            platform::OpenSheetWithParm(QStringLiteral("w_sqlpad"), record, frame));
    }

    // The user types a query and presses Retrieve; the milliseconds until it is done.
    static qint64 retrieve(w_sqlpad* sheet, const QString& sql) {
        QElapsedTimer timer;
        timer.start();
        sheet->mle_1->setText(sql);
        QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
        return timer.elapsed();
    }

    // The user presses Close; true once the sheet is gone.
    static bool close(QPointer<platform::Sheet> sheet, QPushButton* button) {
        QTest::mouseClick(button, Qt::LeftButton);
        return QTest::qWaitFor([&] { return sheet.isNull(); }, 10000);
    }

    // The server goes down once `when` holds, checked at every turn of the event loop (a
    // retrieval's among them); `killed` says whether it stopped.
    void killWhen(QTimer& watch, std::function<bool()> when, bool& killed) {
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [this, &watch, when, &killed] {
            if (!when())
                return;
            watch.stop();
            killed = server.kill();
        });
        watch.start();
    }

    OwnServer server;
};

} // namespace

TEST_F(FaultTest, ServerStoppedWhileRowsArriveEndsTheRetrievalWithTheErrorAndKeepsTheRowsRead) {
    QPointer<w_sqlpad> sheet = openWorkspace();
    ASSERT_FALSE(sheet.isNull());
    QTimer watch;
    bool killed = false;
    killWhen(
        watch, [&] { return sheet->dw_1->RowCount() >= 20000; }, killed);
    const qint64 elapsed =
        retrieve(sheet, QStringLiteral("select n from generate_series(1, 3000000) n"));
    watch.stop();
    ASSERT_TRUE(killed) << "the server did not stop";
    EXPECT_LT(elapsed, 30000);

    // The rows read before the server went are kept, whole and in order, and the error says
    // how many there are.
    const long rows = sheet->dw_1->RowCount();
    EXPECT_GE(rows, 20000);
    EXPECT_LT(rows, 3000000);
    EXPECT_EQ(sheet->dw_1->GetItemString(rows, 1), QString::number(rows));
    ASSERT_EQ(boxes.shown().size(), 1u) << said().join(u'|').toStdString();
    EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("Database Error"));
    EXPECT_TRUE(boxes.shown()[0].text.startsWith(
        QStringLiteral("Retrieve failed after %1 rows.").arg(rows)))
        << boxes.shown()[0].text.toStdString();
    EXPECT_TRUE(boxes.shown()[0].text.contains(QStringLiteral("SQLSTATE")));
    EXPECT_FALSE(sheet->dw_1->retrieving());
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready."));
    EXPECT_TRUE(close(sheet.data(), sheet->cb_close));
}

TEST_F(FaultTest, ServerStoppedWhileTheTableListCountsShowsTheErrorAtOnce) {
    // Counting this view takes half a minute.
    ASSERT_TRUE(execute(*slot, QStringLiteral("create view db2inst1.slowcount as select d.* from "
                                              "db2inst1.department d cross join "
                                              "(select pg_sleep(30)) s")));
    slot->Commit();
    app::str_sqlca record;
    record.s_sqlca = QStringLiteral("SQLCA");
    QPointer<w_db2> sheet = qobject_cast<w_db2*>(platform::OpenSheetWithParm(
        QStringLiteral("w_db2"), record, frame, 1, platform::Arrange::Cascaded));
    ASSERT_FALSE(sheet.isNull());
    long row = 0;
    for (long r = 1; r <= sheet->dw_tables->RowCount() && row == 0; ++r) {
        if (sheet->dw_tables->GetItemString(r, QStringLiteral("name")) ==
            QLatin1String("SLOWCOUNT"))
            row = r;
    }
    ASSERT_GT(row, 0);

    // The user clicks the view; once the server is counting, it goes down.
    QTimer watch;
    bool killed = false;
    killWhen(
        watch,
        [&] {
            return sheet->dw_rows->retrieving() &&
                   server.waitFor(QStringLiteral("exists (select 1 from pg_stat_activity where "
                                                 "wait_event = 'PgSleep')"));
        },
        killed);
    QElapsedTimer timer;
    timer.start();
    QTableView* view = sheet->dw_tables->view();
    const QModelIndex index = view->model()->index(static_cast<int>(row - 1), 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    watch.stop();
    ASSERT_TRUE(killed) << "the server did not stop";
    EXPECT_LT(timer.elapsed(), 20000) << "the count waited for the statement instead of failing";

    const QStringList shown = said();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(
        shown[0].startsWith(QStringLiteral("Database Error / Retrieve failed after 0 rows.")))
        << shown.join(u'|').toStdString();
    EXPECT_TRUE(shown[0].contains(QStringLiteral("SQLSTATE")));
    EXPECT_EQ(sheet->dw_rows->RowCount(), 0) << "no count is shown for a count that failed";
    EXPECT_FALSE(sheet->dw_rows->retrieving());
    EXPECT_FALSE(sheet->dw_1->retrieving());
    EXPECT_TRUE(close(sheet.data(), sheet->cb_close));
}

TEST_F(FaultTest, ServerStoppedDuringSaveCommitsNoneOfTheEditsAndTheGridKeepsThemAll) {
    // The second row's update waits half a minute in a trigger.
    for (const QString& sql :
         {QStringLiteral("create table db2inst1.edited (id integer primary key, name varchar(40))"),
          QStringLiteral("insert into db2inst1.edited values (1, 'one'), (2, 'two'), (3, 'three')"),
          QStringLiteral("create function db2inst1.slow_second() returns trigger language plpgsql "
                         "as $$ begin if new.id = 2 then perform pg_sleep(30); end if; "
                         "return new; end $$"),
          QStringLiteral("create trigger slow before update on db2inst1.edited for each row "
                         "execute function db2inst1.slow_second()")})
        ASSERT_TRUE(execute(*slot, sql));
    slot->Commit();
    w_sqlpad* sheet = openWorkspace();
    ASSERT_NE(sheet, nullptr);
    retrieve(sheet, QStringLiteral("select id, name from db2inst1.edited order by id"));
    ASSERT_EQ(sheet->dw_1->RowCount(), 3);
    ASSERT_TRUE(boxes.shown().empty()) << said().join(u'|').toStdString();
    sheet->dw_1->SetItem(1, 2, QStringLiteral("uno"));
    sheet->dw_1->SetItem(2, 2, QStringLiteral("dos"));
    sheet->dw_1->SetItem(3, 2, QStringLiteral("tres"));

    // Save writes the first row, and the server goes down while the second one is written.
    std::atomic<bool> killed = false;
    std::thread crash([&] {
        if (server.waitFor(QStringLiteral("exists (select 1 from pg_stat_activity where "
                                          "wait_event = 'PgSleep')")))
            killed = server.kill();
    });
    QElapsedTimer timer;
    timer.start();
    platform::TriggerEvent(sheet, "ue_save");
    crash.join();
    ASSERT_TRUE(killed) << "the server did not stop";
    EXPECT_LT(timer.elapsed(), 25000);

    const QStringList shown = said();
    ASSERT_EQ(shown.size(), 1) << shown.join(u'|').toStdString();
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("Database Error / Update failed")))
        << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains(QStringLiteral("SQLSTATE")));
    // The grid still holds every edit, still to be saved.
    EXPECT_EQ(sheet->dw_1->GetItemString(1, 2), QStringLiteral("uno"));
    EXPECT_EQ(sheet->dw_1->GetItemString(2, 2), QStringLiteral("dos"));
    EXPECT_EQ(sheet->dw_1->GetItemString(3, 2), QStringLiteral("tres"));
    EXPECT_EQ(sheet->dw_1->rows().pendingChanges().size(), 3u);

    // Back up, the server holds none of the edits.
    ASSERT_TRUE(server.restart());
    EXPECT_EQ(server.psql(
                  QStringLiteral("select string_agg(name, ',' order by id) from db2inst1.edited")),
              QStringLiteral("one,two,three"));

    // On a new connection, the same save writes them all.
    slot->Disconnect();
    slot->Connect();
    ASSERT_EQ(slot->SQLCode, 0) << slot->SQLErrText.toStdString();
    ASSERT_TRUE(execute(*slot, QStringLiteral("drop trigger slow on db2inst1.edited")));
    slot->Commit();
    platform::TriggerEvent(sheet, "ue_save");
    EXPECT_EQ(said().size(), 1) << said().join(u'|').toStdString();
    EXPECT_EQ(server.psql(
                  QStringLiteral("select string_agg(name, ',' order by id) from db2inst1.edited")),
              QStringLiteral("uno,dos,tres"));
    EXPECT_TRUE(sheet->dw_1->rows().pendingChanges().empty());
}

namespace {

// A tmpfs of 256 KiB, mounted while the object lives.
class SmallDisk {
public:
    SmallDisk() {
        if (!folder_.isValid())
            return;
        QProcess mount;
        mount.setProcessChannelMode(QProcess::MergedChannels);
        mount.start(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                     QStringLiteral("size=256k"), QStringLiteral("tmpfs"), folder_.path()});
        mounted_ = mount.waitForFinished(30000) && mount.exitStatus() == QProcess::NormalExit &&
                   mount.exitCode() == 0;
        refusal_ = QString::fromLocal8Bit(mount.readAll()).trimmed();
    }
    ~SmallDisk() {
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), {folder_.path()});
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const QString& refusal() const { return refusal_; }
    QString filePath(const QString& name) const { return folder_.filePath(name); }
    QStringList entries() const {
        return QDir(folder_.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private:
    QTemporaryDir folder_;
    bool mounted_ = false;
    QString refusal_;
};

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST_F(FaultTest, SaveAsOnAFullDiskSaysSoAndLeavesTheEarlierFileWholeAndNoTemporaryFile) {
    const SmallDisk disk;
    if (!disk.mounted()) {
        if (qEnvironmentVariable("CI") == QLatin1String("true"))
            FAIL() << "cannot mount a tmpfs: " << disk.refusal().toStdString();
        GTEST_SKIP() << "cannot mount a tmpfs (needs root): " << disk.refusal().toStdString();
    }
    w_sqlpad* sheet = openWorkspace();
    ASSERT_NE(sheet, nullptr);
    std::size_t seen = 0;
    for (const auto& [name, format] :
         {std::pair{QStringLiteral("rows.csv"), ExportFormat::Csv},
          std::pair{QStringLiteral("rows.xlsx"), ExportFormat::Excel}}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = disk.filePath(name);
        retrieve(sheet, QStringLiteral("select empno, lastname from db2inst1.employee"));
        ASSERT_EQ(sheet->dw_1->SaveAs(path, format), 1);
        const QByteArray before = contents(path);
        ASSERT_FALSE(before.isEmpty());

        // Far more than the 256 KiB disk holds, in either format.
        retrieve(sheet, QStringLiteral("select n, md5(n::text) as h from generate_series(1, "
                                       "40000) n"));
        ASSERT_EQ(sheet->dw_1->RowCount(), 40000);
        ASSERT_EQ(boxes.shown().size(), seen) << said().join(u'|').toStdString();
        EXPECT_EQ(sheet->dw_1->SaveAs(path, format), -1);
        ASSERT_EQ(boxes.shown().size(), seen + 1) << said().join(u'|').toStdString();
        const platform::MessageBoxRequest& box = boxes.shown()[seen++];
        EXPECT_EQ(box.title, QStringLiteral("Save As"));
        EXPECT_TRUE(box.text.contains(QStringLiteral("No space left on device")))
            << box.text.toStdString();
        EXPECT_EQ(contents(path), before) << "the earlier file is whole";
        EXPECT_EQ(disk.entries(), QStringList{name}) << "no temporary file is left";
        QFile::remove(path);
    }
}

namespace {

// The application's frame as a user starts it, logged on to a server of the test's own.
class ConnectionFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.failure().isEmpty()) << server.failure().toStdString();
        platform::Message().reset();
        logOnToSample();
        ASSERT_EQ(platform::Open(QStringLiteral("w_frame")), 1);
        frame = qobject_cast<app::w_frame*>(platform::currentFrame());
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override { platform::destroyWindows(); }

    w_sqlpad* workspace() const { return qobject_cast<w_sqlpad*>(frame->GetActiveSheet()); }

    // The user retrieves the employees in the active workspace; the rows shown.
    long retrieveEmployees() const {
        w_sqlpad* sheet = workspace();
        if (sheet == nullptr)
            return -2;
        sheet->mle_1->setText(QStringLiteral("select empno, lastname from db2inst1.employee"));
        QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
        return sheet->dw_1->RowCount();
    }

    // New Connection, logged on again.
    void newConnection() {
        logOnToSample();
        platform::TriggerEvent(frame, "ue_connect");
    }

    QString lastBox() const {
        return boxes.shown().empty()
                   ? QString()
                   : boxes.shown().back().title + QStringLiteral(" / ") + boxes.shown().back().text;
    }

    OwnServer server;
    GlobalSlots slots;
    ScriptedMessageBoxes boxes;
    app::w_frame* frame = nullptr;
};

} // namespace

TEST_F(ConnectionFaultTest, AfterTheConnectionIsLostRetrieveSaysSoAndNewConnectionWorks) {
    const long employees = retrieveEmployees();
    ASSERT_GT(employees, 0);
    ASSERT_TRUE(boxes.shown().empty()) << lastBox().toStdString();

    // The message says what happened and what helps, whatever the driver's own text says.
    const QString lost = QStringLiteral(
        "The connection to the database is lost: use New Connection to log on again.");

    // An administrator ends the program's session while it sits idle.
    ASSERT_EQ(server.psql(QStringLiteral("select bool_and(pg_terminate_backend(pid)) from "
                                         "pg_stat_activity where usename = 'dorvane'")),
              QStringLiteral("t"));
    QElapsedTimer timer;
    timer.start();
    retrieveEmployees();
    EXPECT_LT(timer.elapsed(), 10000);
    ASSERT_EQ(boxes.shown().size(), 1u) << lastBox().toStdString();
    EXPECT_TRUE(lastBox().contains(lost)) << lastBox().toStdString();
    EXPECT_TRUE(lastBox().contains(QStringLiteral("SQLSTATE"))) << lastBox().toStdString();

    newConnection();
    ASSERT_NE(workspace(), nullptr);
    EXPECT_EQ(workspace()->istr_sqlca.s_sqlca, QStringLiteral("SQLCA1"));
    EXPECT_EQ(retrieveEmployees(), employees);
    EXPECT_EQ(boxes.shown().size(), 1u) << lastBox().toStdString();

    // The server stops while the program is idle, and comes back.
    ASSERT_TRUE(server.kill());
    ASSERT_TRUE(server.restart());
    timer.restart();
    retrieveEmployees();
    EXPECT_LT(timer.elapsed(), 10000);
    ASSERT_EQ(boxes.shown().size(), 2u) << lastBox().toStdString();
    EXPECT_TRUE(lastBox().contains(lost)) << lastBox().toStdString();
    EXPECT_TRUE(lastBox().contains(QStringLiteral("SQLSTATE"))) << lastBox().toStdString();

    newConnection();
    ASSERT_NE(workspace(), nullptr);
    EXPECT_EQ(workspace()->istr_sqlca.s_sqlca, QStringLiteral("SQLCA2"));
    EXPECT_EQ(retrieveEmployees(), employees);
    EXPECT_EQ(boxes.shown().size(), 2u) << lastBox().toStdString();
}
