#include "connect/logon_driver.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/message.h"
#include "shell/m_main.h"
#include "shell/probe_sheets.h"
#include "shell/w_frame.h"
#include "sqlpad/sql_editor.h"
#include "sqlpad/w_sqlpad.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace app;
using namespace testsupport;
using platform::Message;
using platform::TriggerEvent;

namespace {

const QStringList probeClasses{QStringLiteral("w_sqlpad"), QStringLiteral("w_db2"),
                               QStringLiteral("w_tbl_sel")};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        Message().reset();
        probeLog().clear();
        for (const QString& name : probeClasses)
            registerProbe(name);
    }
    void TearDown() override {
        platform::destroyWindows();
        for (const QString& name : probeClasses)
            platform::ClassRegistry::instance().remove(name);
        if (platform::halted())
            forgetHaltClose();
    }

    // Opens the frame as the application object does, with the logon answered by `user`.
    static w_frame* start(void (*user)() = &logOnToSample) {
        user();
        EXPECT_EQ(platform::Open(QStringLiteral("w_frame")), 1);
        return qobject_cast<w_frame*>(platform::currentFrame());
    }
    static QStringList sheetClasses(const w_frame* frame) {
        QStringList names;
        for (QWidget* sheet : frame->sheets())
            names << sheet->windowTitle();
        return names;
    }
    static ProbeSheet* active(const w_frame* frame) {
        return qobject_cast<ProbeSheet*>(frame->GetActiveSheet());
    }
    // Insert and Delete, items and buttons alike: "on", "off", or "mixed".
    static QString insertDelete(const w_frame* frame) {
        const m_main* menu = frame->MenuID();
        const QList<bool> states{menu->m_insert->isEnabled(), menu->m_delete->isEnabled(),
                                 menu->toolbar->widgetForAction(menu->m_insert)->isEnabled(),
                                 menu->toolbar->widgetForAction(menu->m_delete)->isEnabled()};
        if (!states.contains(false))
            return QStringLiteral("on");
        return states.contains(true) ? QStringLiteral("mixed") : QStringLiteral("off");
    }

    GlobalSlots slots;
};

} // namespace

TEST_F(FrameTest, StartWithLogonCancelledShowsNoSheetAndInsertDeleteEnabled) {
    w_frame* frame = start(&cancelLogon);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible() && frame->isMaximized());
    EXPECT_TRUE(frame->sheets().isEmpty());
    EXPECT_EQ(insertDelete(frame), QStringLiteral("on"));
    EXPECT_EQ(frame->istr_rtn, str_sqlca{});
}

TEST_F(FrameTest, StartWithSuccessfulLogonOpensOneWorkspaceWithTheReturnedRecord) {
    w_frame* frame = start();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->istr_rtn.s_sqlca, QStringLiteral("SQLCA"));
    EXPECT_EQ(frame->istr_rtn.s_dbparm, QStringLiteral("DSN=SAMPLE;UID=dorvane;PWD=dorvane'"));
    EXPECT_EQ(sheetClasses(frame), QStringList{QStringLiteral("w_sqlpad")});
    ASSERT_TRUE(active(frame)->received.has_value());
    EXPECT_EQ(*active(frame)->received, frame->istr_rtn);
}

TEST_F(FrameTest, LogonClosedFromItsTitleBarAtStartCountsAsCancelled) {
    Message().PowerObjectParm = staleConnectedRecord();
    w_frame* frame = start([] { whenModal<w_logon>([](w_logon* logon) { logon->close(); }); });
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->sheets().isEmpty());
    EXPECT_EQ(frame->istr_rtn, str_sqlca{});
}

TEST_F(FrameTest, WrongPasswordAtStartShowsConnectionFailedAndEndsTheRun) {
    Message().PowerObjectParm = staleConnectedRecord(); // must not pass for a connection
    ScriptedMessageBoxes boxes;
    start([] { logOnWith(sampleDsn(), sampleUser(), QStringLiteral("wrong")); });

    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("Connection failed"));
    EXPECT_TRUE(platform::halted());
    EXPECT_FALSE(platform::currentFrame()->isVisible());
    EXPECT_TRUE(probeLog().isEmpty()) << "no workspace opens";
}

TEST_F(FrameTest, MissingWorkspaceClassIsRuntimeErrorAndTheFrameStaysUsable) {
    platform::ClassRegistry::instance().remove(QStringLiteral("w_sqlpad"));
    ScriptedMessageBoxes boxes;
    w_frame* frame = start();
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains(QStringLiteral("w_sqlpad")));
    EXPECT_TRUE(frame->sheets().isEmpty());
    TriggerEvent(frame, "ue_open_single");
    EXPECT_EQ(sheetClasses(frame), QStringList{QStringLiteral("w_db2")});
}

TEST_F(FrameTest, NewConnectionClosesEverySheetThenOpensOneWorkspace) {
    w_frame* frame = start();
    ASSERT_NE(frame, nullptr);
    TriggerEvent(frame, "ue_open_single");
    TriggerEvent(frame, "ue_open_mul");
    probeLog().clear();

    logOnToSample();
    TriggerEvent(frame, "ue_connect");

    ASSERT_EQ(probeLog().size(), 4);
    EXPECT_EQ(probeLog().takeLast(), QStringLiteral("w_sqlpad: open"));
    probeLog().sort();
    EXPECT_EQ(probeLog(),
              QStringList({QStringLiteral("w_db2: close"), QStringLiteral("w_sqlpad: close"),
                           QStringLiteral("w_tbl_sel: close")}));
    EXPECT_EQ(sheetClasses(frame), QStringList{QStringLiteral("w_sqlpad")});
    EXPECT_EQ(active(frame)->received->s_sqlca, QStringLiteral("SQLCA1"));
    EXPECT_TRUE(slots[0].isConnected()) << "closing sheets disconnects nothing";
}

TEST_F(FrameTest, NewConnectionCancelledKeepsEverySheetButForgetsTheConnection) {
    w_frame* frame = start();
    ASSERT_NE(frame, nullptr);
    TriggerEvent(frame, "ue_open_single");
    TriggerEvent(frame, "ue_open_single");
    probeLog().clear();

    cancelLogon();
    TriggerEvent(frame, "ue_connect");

    EXPECT_TRUE(probeLog().isEmpty());
    EXPECT_EQ(frame->sheets().size(), 3);
    EXPECT_EQ(frame->istr_rtn, str_sqlca{}) << "sheets opened later get the empty record";
}

TEST_F(FrameTest, NewConnectionStopsWhenASheetRefusesToClose) {
    w_frame* frame = start(&cancelLogon);
    ASSERT_NE(frame, nullptr);
    TriggerEvent(frame, "ue_open_single");
    TriggerEvent(frame, "ue_open_single");
    active(frame)->refuseClose = true;
    probeLog().clear();

    logOnToSample();
    TriggerEvent(frame, "ue_connect");

    EXPECT_TRUE(probeLog().isEmpty()) << probeLog().join(u',').toStdString();
    EXPECT_EQ(frame->sheets().size(), 2);
}

TEST_F(FrameTest, CommandsGoToTheActiveSheetThatHasThemAndNowhereElse) {
    w_frame* frame = start(&cancelLogon);
    ASSERT_NE(frame, nullptr);
    const char* const commands[] = {"ue_print",  "ue_save",   "ue_saveas",     "ue_insert",
                                    "ue_delete", "ue_sqlpad", "ue_get_columns"};
    TriggerEvent(frame, "ue_open_mul");
    TriggerEvent(frame, "ue_open_single");
    probeLog().clear();
    for (const char* command : commands)
        TriggerEvent(frame, command);
    QStringList expected;
    for (const char* command : commands)
        expected << QStringLiteral("w_db2: ") + QLatin1String(command);
    EXPECT_EQ(probeLog(), expected);

    // A sheet without the events: nothing happens, not even a new workspace.
    platform::ClassRegistry::instance().add<MuteSheet>(QStringLiteral("w_db2"));
    TriggerEvent(frame, "ue_open_single");
    probeLog().clear();
    for (const char* command : commands)
        TriggerEvent(frame, command);
    EXPECT_TRUE(probeLog().isEmpty());
    EXPECT_EQ(frame->sheets().size(), 3);
}

TEST_F(FrameTest, WithoutActiveSheetCommandsDoNothingAtAll) {
    w_frame* frame = start(&cancelLogon);
    ASSERT_NE(frame, nullptr);
    frame->SetMicroHelp(QStringLiteral("Ready"));
    for (const char* command :
         {"ue_print", "ue_save", "ue_saveas", "ue_insert", "ue_delete", "ue_get_columns"})
        TriggerEvent(frame, command);
    EXPECT_TRUE(frame->sheets().isEmpty());
    EXPECT_EQ(frame->microHelp(), QStringLiteral("Ready"));
}

TEST_F(FrameTest, SqlWorkspaceWithoutSheetOpensOneWithoutRecord) {
    w_frame* frame = start(&cancelLogon);
    ASSERT_NE(frame, nullptr);
    str_sqlca lastPassed;
    lastPassed.s_sqlca = QStringLiteral("SQLCA2");
    Message().PowerObjectParm = lastPassed;

    TriggerEvent(frame, "ue_sqlpad");

    EXPECT_EQ(sheetClasses(frame), QStringList{QStringLiteral("w_sqlpad")});
    EXPECT_EQ(active(frame)->received, lastPassed) << "it finds what the message object held";
}

TEST_F(FrameTest, SingleTableViewTwiceOpensTwoTableListsWithTheConnection) {
    w_frame* frame = start();
    ASSERT_NE(frame, nullptr);
    TriggerEvent(frame, "ue_open_single");
    ProbeSheet* first = active(frame);
    TriggerEvent(frame, "ue_open_single");
    EXPECT_NE(active(frame), first);
    EXPECT_EQ(sheetClasses(frame).count(QStringLiteral("w_db2")), 2);
    EXPECT_EQ(active(frame)->received, frame->istr_rtn);
}

TEST_F(FrameTest, MultiTableViewTwiceGivesOneSelectorBroughtToTheFront) {
    w_frame* frame = start();
    ASSERT_NE(frame, nullptr);
    TriggerEvent(frame, "ue_open_mul");
    ProbeSheet* selector = active(frame);
    frame->mdiArea()->activatePreviousSubWindow();
    ASSERT_NE(active(frame), selector);

    TriggerEvent(frame, "ue_open_mul");

    EXPECT_EQ(probeLog().count(QStringLiteral("w_tbl_sel: open")), 1);
    EXPECT_EQ(active(frame), selector);
    EXPECT_EQ(selector->received->s_sqlca, QStringLiteral("SQLCA"));
}

TEST_F(FrameTest, MultiTableViewDisablesInsertAndDeleteUntilSingleTableView) {
    w_frame* frame = start();
    ASSERT_NE(frame, nullptr);
    TriggerEvent(frame, "ue_open_single");
    auto* tableList = qobject_cast<QMdiSubWindow*>(active(frame)->parentWidget());

    TriggerEvent(frame, "ue_open_mul");
    EXPECT_EQ(insertDelete(frame), QStringLiteral("off"));
    frame->mdiArea()->setActiveSubWindow(tableList);
    TriggerEvent(frame, "ue_print");
    EXPECT_EQ(insertDelete(frame), QStringLiteral("off"))
        << "activating a table list changes nothing";

    TriggerEvent(frame, "ue_open_single");
    EXPECT_EQ(insertDelete(frame), QStringLiteral("on"));
}

TEST_F(FrameTest, ExitClosesTheFrameAndEverySheetWithoutAsking) {
    w_frame* frame = start();
    ASSERT_NE(frame, nullptr);
    TriggerEvent(frame, "ue_open_single");
    TriggerEvent(frame, "ue_open_mul");
    probeLog().clear();

    QTest::mouseClick(frame->MenuID()->toolbar->widgetForAction(frame->MenuID()->m_exit),
                      Qt::LeftButton);

    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(probeLog().filter(QStringLiteral(": close")).size(), 3);
}

TEST_F(FrameTest, FileMenuListsTheOpenSheetsAndChoosingOneActivatesIt) {
    w_frame* frame = start();
    ASSERT_NE(frame, nullptr);
    ProbeSheet* workspace = active(frame);
    TriggerEvent(frame, "ue_open_single");

    QMenu* file = frame->MenuID()->m_file;
    QList<QAction*> listed;
    for (int shown = 0; shown < 2; ++shown) { // listed anew each time, never twice
        Q_EMIT file->aboutToShow();
        listed.clear();
        for (QAction* item : file->actions()) {
            if (item->isCheckable())
                listed << item;
        }
    }
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[0]->text(), QStringLiteral("&1 w_sqlpad"));
    EXPECT_EQ(listed[1]->text(), QStringLiteral("&2 w_db2"));
    EXPECT_TRUE(listed[1]->isChecked() && !listed[0]->isChecked());
    listed[0]->trigger();
    EXPECT_EQ(active(frame), workspace);
}

TEST_F(FrameTest, NewConnectionAndExitDuringARetrievalStopItThenFinishCompletely) {
    platform::ClassRegistry::instance().add<w_sqlpad>(QStringLiteral("w_sqlpad"));
    w_frame* frame = start();
    ASSERT_NE(frame, nullptr);
    QPointer<w_sqlpad> busy = qobject_cast<w_sqlpad*>(frame->GetActiveSheet());
    ASSERT_FALSE(busy.isNull());
    TriggerEvent(frame, "ue_open_single");
    probeLog().clear();

    // A million rows are coming in when the user asks for a new connection.
    auto during = [](w_sqlpad* sheet, const std::function<void()>& action) {
        auto* user = new QTimer(sheet);
        user->setInterval(0);
        QObject::connect(user, &QTimer::timeout, [sheet, user, action] {
            if (sheet->dw_1->RowCount() < 1000)
                return;
            user->stop();
            action();
        });
        user->start();
        sheet->mle_1->setText(QStringLiteral("select n from generate_series(1, 1000000) n"));
        QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    };
    during(busy, [frame] {
        logOnToSample();
        TriggerEvent(frame, "ue_connect");
    });
    // Every sheet closes, the busy one once it has stopped, and then one new workspace opens.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return busy.isNull() && frame->sheets().size() == 1; }, 10000));
    EXPECT_EQ(probeLog(), QStringList{QStringLiteral("w_db2: close")});
    auto* fresh = qobject_cast<w_sqlpad*>(frame->GetActiveSheet());
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->istr_sqlca.s_sqlca, QStringLiteral("SQLCA1"));
    EXPECT_TRUE(slots[1].isConnected());

    // Exit while the new workspace retrieves: the frame closes once the retrieval has stopped.
    during(fresh, [frame] {
        QTest::mouseClick(frame->MenuID()->toolbar->widgetForAction(frame->MenuID()->m_exit),
                          Qt::LeftButton);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame->isVisible(); }, 10000));
}

TEST_F(FrameTest, DataSourceNamesComeFromTheListingSectionOfTheOdbcFile) {
    w_frame* frame = start(&cancelLogon);
    ASSERT_NE(frame, nullptr);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto namesFrom = [&](const QByteArray& text) {
        const QString path = dir.filePath(QStringLiteral("odbc.ini"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        ScopedEnvironment odbcini("ODBCINI", path);
        frame->istr_ini.ss_profile = {QStringLiteral("stale 1"), QStringLiteral("stale 2"),
                                      QStringLiteral("stale 3"), QStringLiteral("stale 4")};
        EXPECT_EQ(TriggerEvent(frame, "ue_get_ini"), 1);
        return frame->istr_ini.ss_profile.items();
    };

    EXPECT_EQ(namesFrom("[SAMPLE]\r\nDriver=PostgreSQL\r\n"
                        "[ODBC Data Sources]\r\n"
                        "Sample DB=IBM DB2 ODBC DRIVER\r\n"
                        "Name = Driver\r\n"
                        "\r\n"
                        "NoDescription\r\n"
                        "[Sample DB]\r\n"
                        "Later=not a data source\r\n"),
              QStringList({QStringLiteral("Sample DB"), QStringLiteral("Name "),
                           QStringLiteral("NoDescription")}));
    EXPECT_EQ(namesFrom("[ODBC Data Sources]\nLAST=listing ends with the file"),
              QStringList{QStringLiteral("LAST")});
    EXPECT_TRUE(
        namesFrom("[ODBC 32 bit Data Sources]\nWIN=x\n [ODBC Data Sources]\nB=y\n").isEmpty())
        << "only the exact header line opens the listing";

    // The ODBC file of the test database lists its data sources.
    frame->istr_ini.ss_profile = {QStringLiteral("stale")};
    TriggerEvent(frame, "ue_get_ini");
    EXPECT_EQ(frame->istr_ini.ss_profile.items(), QStringList({sampleDsn(), sqliteDsn()}));
}

TEST_F(FrameTest, MissingOdbcFileSaysTheDriverIsNotInstalledAndListsNothing) {
    w_frame* frame = start(&cancelLogon);
    ASSERT_NE(frame, nullptr);
    QTemporaryDir dir;
    ScopedEnvironment odbcini("ODBCINI", dir.filePath(QStringLiteral("none.ini")));
    frame->istr_ini.ss_profile = {QStringLiteral("stale")};
    ScriptedMessageBoxes boxes;
    EXPECT_EQ(TriggerEvent(frame, "ue_get_ini"), 1);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("ODBC error"));
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("ODBC driver not installed on this machine"));
    EXPECT_EQ(frame->istr_ini.ss_profile.UpperBound(), 0);
}
