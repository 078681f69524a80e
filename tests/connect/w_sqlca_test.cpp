// The connection chooser over four real connections to the private server: two data sources,
// two users, one password full of the connect text's own markers.

#include "connect/connect_text.h"
#include "connect/logon_driver.h"
#include "connect/w_sqlca.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/grid/describe.h"
#include "platform/message.h"
#include "shell/w_frame.h"
#include "sqlpad/w_sqlpad.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <gtest/gtest.h>

using namespace app;
using namespace testsupport;
using platform::Message;

namespace {

struct Entries {
    QString dsn, uid, pwd;
};
// SQLCA to SQLCA3 in turn.
const Entries opened[] = {{sampleDsn(), sampleUser(), samplePassword()},
                          {sqliteDsn(), QStringLiteral("lite"), QStringLiteral("lite-pass")},
                          {sampleDsn(), oddUser(), oddPassword()},
                          {sampleDsn(), sampleUser(), samplePassword()}};

class ChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        Message().reset();
        for (std::size_t i = 0; i < 4; ++i) {
            platform::Transaction& slot = slots[i];
            slot.DBMS = QStringLiteral("ODBC");
            slot.DBParm = connectText(opened[i].dsn, opened[i].uid, opened[i].pwd);
            slot.Connect();
            ASSERT_EQ(slot.SQLCode, 0) << slot.SQLErrText.toStdString();
        }
    }
    void TearDown() override {
        platform::destroyWindows();
        if (platform::halted())
            forgetHaltClose();
    }

    // Opens the chooser as the logon does; `user` acts at it. Returns what the logon would read.
    static QString choose(std::function<void(w_sqlca*)> user) {
        Message().StringParm = QStringLiteral("left by an earlier window");
        whenModal<w_sqlca>(std::move(user));
        EXPECT_EQ(platform::Open(QStringLiteral("w_sqlca")), 1);
        return Message().StringParm;
    }
    static void clickRow(w_sqlca* chooser, long row) {
        QTableView* view = chooser->dw_1->view();
        const QModelIndex index = view->model()->index(static_cast<int>(row - 1), 1);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }
    bool allConnected() {
        for (std::size_t i = 0; i < 4; ++i) {
            if (!slots[i].isConnected())
                return false;
        }
        return true;
    }

    GlobalSlots slots;
    ScriptedMessageBoxes boxes;
};

// Every text a person or an assistive tool could read off the window and its grid.
QStringList everythingShown(QWidget* window) {
    QStringList texts{window->windowTitle(), window->toolTip(), window->accessibleName()};
    for (QWidget* w : window->findChildren<QWidget*>()) {
        texts << w->toolTip() << w->accessibleName() << w->accessibleDescription()
              << w->windowTitle();
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text();
        if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
            const QAbstractItemModel* model = view->model();
            for (int r = 0; r < model->rowCount(); ++r) {
                for (int c = 0; c < model->columnCount(); ++c) {
                    for (int role : {Qt::DisplayRole, Qt::EditRole, Qt::ToolTipRole,
                                     Qt::AccessibleTextRole, Qt::WhatsThisRole})
                        texts << model->data(model->index(r, c), role).toString();
                }
            }
        }
    }
    return texts;
}

} // namespace

TEST_F(ChooserTest, ListsEveryConnectionInSlotOrderAndShowsNoPassword) {
    const QString answer = choose([this](w_sqlca* chooser) {
        EXPECT_EQ(chooser->windowTitle(), QStringLiteral("Connections Open"));
        EXPECT_EQ(chooser->st_1->text(),
                  QStringLiteral("You have too many connections opened.\r\nSelect one to close:"));
        platform::grid::DataWindow* grid = chooser->dw_1;
        ASSERT_EQ(grid->RowCount(), 4);
        EXPECT_EQ(grid->GetSelectedRow(0), 0);
        for (long row = 1; row <= 4; ++row) {
            const Entries& e = opened[row - 1];
            EXPECT_EQ(grid->GetItemString(row, QStringLiteral("es_dbms")), QStringLiteral("ODBC"));
            EXPECT_EQ(grid->GetItemString(row, QStringLiteral("es_dsn")), e.dsn);
            EXPECT_EQ(grid->GetItemString(row, QStringLiteral("es_uid")), e.uid);
            EXPECT_EQ(grid->GetItemString(row, QStringLiteral("es_sqlca")),
                      slots[static_cast<std::size_t>(row - 1)].name());
            EXPECT_EQ(grid->GetItemString(row, QStringLiteral("es_dbparm")),
                      QStringLiteral("DSN=%1;UID=%2;PWD=%3'").arg(e.dsn, e.uid, passwordMask()));
        }
        const QStringList shown = everythingShown(chooser);
        for (const QString& secret : {oddPassword(), QStringLiteral("lite-pass")}) {
            for (const QString& text : shown)
                EXPECT_FALSE(text.contains(secret)) << text.toStdString();
        }
        EXPECT_EQ(slots[2].DBParm, connectText(sampleDsn(), oddUser(), oddPassword()))
            << "the slot keeps its text";

        // A click selects the row, a second one clears it; OK then asks, and the first answer
        // keeps the chooser open with nothing selected.
        clickRow(chooser, 3);
        EXPECT_EQ(grid->GetSelectedRow(0), 3);
        clickRow(chooser, 2);
        EXPECT_EQ(grid->GetSelectedRow(0), 2);
        EXPECT_EQ(grid->GetSelectedRow(2), 0);
        clickRow(chooser, 2);
        EXPECT_EQ(grid->GetSelectedRow(0), 0);
        boxes.answer(1);
        QTest::mouseClick(chooser->cb_ok, Qt::LeftButton);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("Error"));
        EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("Select one connection to close?"));
        EXPECT_EQ(boxes.shown()[0].defaultButton, 1);
        EXPECT_TRUE(chooser->isVisible());
        EXPECT_TRUE(allConnected());

        // The third row, and Enter: SQLCA2 is closed and named.
        clickRow(chooser, 3);
        QTest::keyClick(chooser, Qt::Key_Return);
    });
    EXPECT_EQ(answer, QStringLiteral("SQLCA2"));
    EXPECT_FALSE(slots[2].isConnected());
    EXPECT_EQ(slots[2].DBMS, QStringLiteral("ODBC"));
    EXPECT_EQ(slots[2].DBParm, connectText(sampleDsn(), oddUser(), oddPassword()));
    EXPECT_TRUE(slots[0].isConnected() && slots[1].isConnected() && slots[3].isConnected());
}

TEST_F(ChooserTest, GivingUpReturnsTheEmptyStringAndClosesNothing) {
    // The second answer to "Select one connection to close?".
    boxes.answer(2);
    EXPECT_EQ(choose([](w_sqlca* chooser) { QTest::mouseClick(chooser->cb_ok, Qt::LeftButton); }),
              QString());
    EXPECT_EQ(boxes.shown().size(), 1u);
    // Esc, and the title bar's close, with a row selected.
    EXPECT_EQ(choose([](w_sqlca* chooser) {
                  clickRow(chooser, 1);
                  QTest::keyClick(chooser, Qt::Key_Escape);
              }),
              QString());
    EXPECT_EQ(choose([](w_sqlca* chooser) {
                  clickRow(chooser, 4);
                  chooser->close();
              }),
              QString());
    EXPECT_TRUE(allConnected());
}

TEST_F(ChooserTest, FifthLogonReplacesTheChosenConnectionAndTheFrameStartsOverOnIt) {
    auto observer = connectedSlot(QStringLiteral("observer"));
    const QString oldPid = queryValue(slots[2], QStringLiteral("select pg_backend_pid()"));
    slots[2].Commit();
    // The frame starts with a logon of its own: the four slots are in use already.
    whenModal<w_logon>([](w_logon* logon) { QTest::mouseClick(logon->cb_cancel, Qt::LeftButton); });
    ASSERT_EQ(platform::Open(QStringLiteral("w_frame")), 1);
    auto* frame = qobject_cast<w_frame*>(platform::currentFrame());
    ASSERT_NE(frame, nullptr);
    platform::TriggerEvent(frame, "ue_sqlpad");
    platform::TriggerEvent(frame, "ue_open_single");
    ASSERT_EQ(frame->sheets().size(), 2);

    whenModal<w_logon>([](w_logon* logon) {
        whenModal<w_sqlca>([](w_sqlca* chooser) {
            clickRow(chooser, 3);
            QTest::mouseClick(chooser->cb_ok, Qt::LeftButton);
        });
        typeInto(logon->sle_dsn, sampleDsn());
        typeInto(logon->sle_id, oddUser());
        typeInto(logon->sle_pwd, QStringLiteral("p;w=d'}{\u00fc"));
        QTest::mouseClick(logon->cb_ok, Qt::LeftButton);
    });
    platform::TriggerEvent(frame, "ue_connect");

    EXPECT_EQ(queryValue(*observer, QStringLiteral("select count(*) from pg_stat_activity where "
                                                   "pid = %1")
                                        .arg(oldPid)),
              QStringLiteral("0"))
        << "the old session is gone";
    ASSERT_TRUE(slots[2].isConnected());
    EXPECT_NE(queryValue(slots[2], QStringLiteral("select pg_backend_pid()")), oldPid);
    EXPECT_EQ(queryValue(slots[2], QStringLiteral("select current_user")), oddUser());
    EXPECT_TRUE(slots[0].isConnected() && slots[1].isConnected() && slots[3].isConnected());
    ASSERT_EQ(frame->sheets().size(), 1);
    auto* workspace = qobject_cast<w_sqlpad*>(frame->GetActiveSheet());
    ASSERT_NE(workspace, nullptr);
    EXPECT_EQ(workspace->istr_sqlca.s_sqlca, QStringLiteral("SQLCA2"));
    EXPECT_TRUE(boxes.shown().empty());
    slots[2].Rollback();
}

TEST_F(ChooserTest, AConnectionStillRetrievingIsNotClosedUnderItsRows) {
    platform::grid::DataWindow grid;
    QString errors;
    const QString syntax = platform::grid::SyntaxFromSQL(
        slots[2], QStringLiteral("select n from generate_series(1, 50000) n"),
        QStringLiteral("style(type=grid)"), errors);
    ASSERT_EQ(grid.Create(syntax, errors), 1) << errors.toStdString();
    grid.SetTransObject(&slots[2]);
    QString answer = QStringLiteral("not asked");
    grid.setRetrieveRowHandler([&](long row) {
        if (row == 100) {
            answer = choose([this](w_sqlca* chooser) {
                clickRow(chooser, 3);
                QTest::mouseClick(chooser->cb_ok, Qt::LeftButton);
                ASSERT_EQ(boxes.shown().size(), 1u);
                EXPECT_EQ(boxes.shown()[0].text, platform::Transaction::busyText());
                EXPECT_TRUE(chooser->isVisible());
                QTest::keyClick(chooser, Qt::Key_Escape);
            });
        }
        return 0L;
    });
    EXPECT_EQ(grid.Retrieve(), 50000);
    EXPECT_EQ(answer, QString());
    EXPECT_TRUE(allConnected());
}
