#include "connect/entry_width.h"
#include "connect/logon_driver.h"
#include "platform/message.h"
#include "platform/registry.h"

#include <QCompleter>
#include <QLabel>
#include <QListWidget>
#include <gtest/gtest.h>

using namespace app;
using namespace testsupport;
using platform::Message;

namespace {

// The chooser reduced to its answer: on opening it frees the slot it names and
// returns that name ("" for a cancelled choice). It notes what the slots held at that moment.
class w_sqlca_stub : public platform::ResponseWindow {
    Q_OBJECT
public:
    static inline QString answer;
    static inline QStringList dbparmsWhenOpened;

    void open() override {
        dbparmsWhenOpened.clear();
        for (auto* slot : {globals().SQLCA, globals().SQLCA1, globals().SQLCA2, globals().SQLCA3})
            dbparmsWhenOpened << slot->DBParm;
        if (auto* slot = slotByName(answer))
            slot->Disconnect();
        CloseWithReturn(answer);
    }
};

// Notes each message box with whether the run had already been ended when it came up.
class WatchingMessageBoxes final : public platform::MessageBoxService {
public:
    WatchingMessageBoxes() : previous_(platform::setMessageBoxService(this)) {}
    ~WatchingMessageBoxes() override { platform::setMessageBoxService(previous_); }
    WatchingMessageBoxes(const WatchingMessageBoxes&) = delete;
    WatchingMessageBoxes& operator=(const WatchingMessageBoxes&) = delete;
    int ask(const platform::MessageBoxRequest& request) override {
        seen << request.title + u'/' + request.text +
                    (platform::halted() ? QStringLiteral(" after") : QString());
        return 1;
    }
    QStringList seen;

private:
    platform::MessageBoxService* previous_;
};

class LogonTest : public ::testing::Test {
protected:
    void SetUp() override { Message().reset(); }
    void TearDown() override {
        platform::ClassRegistry::instance().remove(QStringLiteral("w_sqlca"));
        if (platform::halted())
            forgetHaltClose();
    }

    // Opens the logon as the frame does; the record it closed with.
    static str_sqlca runLogon() {
        EXPECT_EQ(platform::Open(QStringLiteral("w_logon")), 1);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the logon is still open";
        const auto* record = Message().parm<str_sqlca>();
        return record != nullptr ? *record : str_sqlca{};
    }
    void fillEverySlotAndUseChooser(const QString& answer) {
        for (int i = 0; i < 4; ++i) {
            logOnToSample();
            runLogon();
        }
        w_sqlca_stub::answer = answer;
        platform::ClassRegistry::instance().add<w_sqlca_stub>(QStringLiteral("w_sqlca"));
    }

    GlobalSlots slots;
};

const QString sampleText = QStringLiteral("DSN=SAMPLE;UID=dorvane;PWD=dorvane'");

} // namespace

TEST_F(LogonTest, FirstLogonConnectsSqlcaAndReturnsTheComposedConnectText) {
    logOnToSample();
    const str_sqlca record = runLogon();

    EXPECT_EQ(record.s_sqlca, QStringLiteral("SQLCA"));
    EXPECT_EQ(record.s_dbparm, sampleText);
    EXPECT_EQ(QStringList({record.s_dbms, record.s_misc, record.s_dsn, record.s_uid, record.s_pwd}),
              QStringList({QStringLiteral("ODBC"), QStringLiteral("db2"), sampleDsn(), sampleUser(),
                           samplePassword()}));
    ASSERT_FALSE(record.s_sqlcode.isNull());
    EXPECT_EQ(record.s_sqlcode.value(), 0);
    EXPECT_TRUE(record.s_sql.isEmpty());
    EXPECT_EQ(queryValue(slots[0], QStringLiteral("select current_user")), sampleUser());
    EXPECT_TRUE(slots[1].DBMS.isEmpty());
}

TEST_F(LogonTest, SecondThirdAndFourthLogonsTakeSqlca1Sqlca2Sqlca3InOrder) {
    QStringList taken;
    for (int i = 0; i < 4; ++i) {
        logOnToSample();
        taken << runLogon().s_sqlca;
    }
    EXPECT_EQ(taken, QStringList({QStringLiteral("SQLCA"), QStringLiteral("SQLCA1"),
                                  QStringLiteral("SQLCA2"), QStringLiteral("SQLCA3")}));
    EXPECT_TRUE(slots[3].isConnected());
}

TEST_F(LogonTest, EnterIsOkAndAPasswordWithTheConnectTextsMarkersConnectsThatUser) {
    whenModal<w_logon>([](w_logon* logon) {
        typeInto(logon->sle_dsn, sampleDsn());
        typeInto(logon->sle_id, oddUser());
        typeInto(logon->sle_pwd, oddPassword());
        QTest::keyClick(logon->sle_pwd, Qt::Key_Return);
    });
    EXPECT_EQ(runLogon().s_dbparm, connectText(sampleDsn(), oddUser(), oddPassword()));
    EXPECT_EQ(queryValue(slots[0], QStringLiteral("select current_user")), oddUser());
}

TEST_F(LogonTest, AllSlotsBusyOpensChooserFirstAndConnectsTheSlotItFreed) {
    fillEverySlotAndUseChooser(QStringLiteral("SQLCA2"));
    logOnWith(sampleDsn(), oddUser(), oddPassword());
    const str_sqlca record = runLogon();

    EXPECT_EQ(w_sqlca_stub::dbparmsWhenOpened, repeated(4, sampleText))
        << "nothing is written to a slot before the chooser has answered";
    EXPECT_EQ(record.s_sqlca, QStringLiteral("SQLCA2"));
    EXPECT_EQ(slots[2].DBParm, connectText(sampleDsn(), oddUser(), oddPassword()));
    EXPECT_EQ(queryValue(slots[2], QStringLiteral("select current_user")), oddUser());
}

TEST_F(LogonTest, ChooserCancelledOrNamingNoSlotReturnsAnEmptyRecordAndConnectsNothing) {
    for (const QString& answer : {QString(), QStringLiteral("sqlca2")}) {
        fillEverySlotAndUseChooser(answer);
        logOnWith(sampleDsn(), oddUser(), oddPassword());
        const str_sqlca record = runLogon();
        EXPECT_EQ(record, str_sqlca{}) << answer.toStdString();
        EXPECT_TRUE(record.s_sqlcode.isNull());
        EXPECT_EQ(slots[2].DBParm, sampleText);
        EXPECT_TRUE(slots[2].isConnected());
        for (std::size_t i = 0; i < 4; ++i) {
            slots[i].Disconnect();
            slots[i].DBMS.clear();
        }
    }
}

TEST_F(LogonTest, MissingChooserIsRuntimeErrorAndTheLogonReturnsCancelled) {
    platform::ClassRegistry::instance().remove(QStringLiteral("w_sqlca"));
    for (std::size_t i = 0; i < 4; ++i)
        slots[i].DBMS = QStringLiteral("ODBC");
    Message().StringParm = QStringLiteral("SQLCA1"); // left by an earlier window
    ScriptedMessageBoxes boxes;
    logOnToSample();
    EXPECT_EQ(runLogon(), str_sqlca{});
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains(QStringLiteral("w_sqlca")));
    EXPECT_TRUE(slots[1].DBParm.isEmpty());
}

TEST_F(LogonTest, EmptyUserIdThenEmptyPasswordGetTheFocusAndNothingElseHappens) {
    QStringList focused;
    whenModal<w_logon>([&focused](w_logon* logon) {
        const auto noteFocus = [&] {
            focused << (logon->focusWidget() == logon->sle_id    ? QStringLiteral("user")
                        : logon->focusWidget() == logon->sle_pwd ? QStringLiteral("password")
                                                                 : QStringLiteral("other"));
        };
        typeInto(logon->sle_dsn, sampleDsn());
        QTest::mouseClick(logon->cb_ok, Qt::LeftButton); // user ID and password both empty
        noteFocus();
        typeInto(logon->sle_id, sampleUser());
        QTest::mouseClick(logon->cb_ok, Qt::LeftButton);
        noteFocus();
        QTest::mouseClick(logon->cb_cancel, Qt::LeftButton);
    });
    runLogon();
    EXPECT_EQ(focused, QStringList({QStringLiteral("user"), QStringLiteral("password")}));
    EXPECT_TRUE(slots[0].DBMS.isEmpty()) << "no slot is chosen before both entries are there";
}

TEST_F(LogonTest, BlankEntriesPassTheCheckAndGoToTheServer) {
    WatchingMessageBoxes boxes;
    logOnWith(sampleDsn(), QStringLiteral(" "), QStringLiteral(" "));
    platform::Open(QStringLiteral("w_logon"));
    EXPECT_EQ(slots[0].DBParm, QStringLiteral("DSN=SAMPLE;UID= ;PWD= '"));
    EXPECT_EQ(boxes.seen, QStringList{QStringLiteral("Error/Connection failed")});
}

TEST_F(LogonTest, WrongPasswordShowsConnectionFailedThenEndsTheApplication) {
    WatchingMessageBoxes boxes;
    logOnWith(sampleDsn(), sampleUser(), QStringLiteral("wrong"));
    platform::Open(QStringLiteral("w_logon"));

    EXPECT_EQ(boxes.seen, QStringList{QStringLiteral("Error/Connection failed")})
        << "the run ends once the message has been dismissed";
    EXPECT_TRUE(platform::halted());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(slots[0].isConnected());
    EXPECT_EQ(slots[0].DBMS, QStringLiteral("ODBC")) << "the slot keeps what was set";
    EXPECT_EQ(slots[0].DBParm, QStringLiteral("DSN=SAMPLE;UID=dorvane;PWD=wrong'"));
}

// A password from a password manager, longer than the field shows and holding the connect
// text's markers, is taken whole, typed or pasted, and connects its user.
TEST_F(LogonTest, APasswordOfAnyLengthIsTakenWholeAndConnects) {
    const QString user = QStringLiteral("dorvane_long_%1").arg(QCoreApplication::applicationPid());
    QString password;
    for (int i = 0; password.size() < 100; ++i)
        password += QStringLiteral("k%1;'=}").arg(i);
    password.truncate(100);
    QString quoted = password;
    quoted.replace(u'\'', QStringLiteral("''"));
    ASSERT_TRUE(
        runAsSuperuser(QStringLiteral("create role %1 login password '%2'").arg(user, quoted)));
    whenModal<w_logon>([&](w_logon* logon) {
        typeInto(logon->sle_dsn, sampleDsn());
        typeInto(logon->sle_id, user);
        typeInto(logon->sle_pwd, password.left(50));
        logon->sle_pwd->insert(password.mid(50)); // the rest pasted
        EXPECT_EQ(logon->sle_pwd->text(), password);
        QTest::mouseClick(logon->cb_ok, Qt::LeftButton);
    });
    const str_sqlca record = runLogon();
    ASSERT_FALSE(record.s_sqlcode.isNull());
    EXPECT_EQ(record.s_sqlcode.value(), 0);
    EXPECT_EQ(record.s_pwd, password);
    EXPECT_EQ(queryValue(slots[0], QStringLiteral("select current_user")), user);
    slots[0].Disconnect();
    EXPECT_TRUE(runAsSuperuser(QStringLiteral("drop role %1").arg(user)));
}

TEST_F(LogonTest, CancelEscapeAndTheTitleBarEachReturnAFreshRecord) {
    const std::function<void(w_logon*)> ways[] = {
        [](w_logon* logon) { QTest::mouseClick(logon->cb_cancel, Qt::LeftButton); },
        [](w_logon* logon) { QTest::keyClick(logon->sle_pwd, Qt::Key_Escape); },
        [](w_logon* logon) { logon->close(); },
    };
    for (const auto& leave : ways) {
        Message().PowerObjectParm = staleConnectedRecord();
        whenModal<w_logon>([&leave](w_logon* logon) {
            typeInto(logon->sle_dsn, sampleDsn());
            typeInto(logon->sle_id, sampleUser());
            typeInto(logon->sle_pwd, samplePassword());
            leave(logon);
        });
        EXPECT_EQ(runLogon(), str_sqlca{}) << "no earlier window's record passes for the logon's";
        EXPECT_TRUE(slots[0].DBMS.isEmpty());
    }
}

TEST_F(LogonTest, WindowShowsItsControlsInTabOrder) {
    w_logon logon;
    EXPECT_EQ(QStringList({logon.windowTitle(), logon.st_1->text(), logon.st_2->text(),
                           logon.st_3->text(), logon.cb_ok->text(), logon.cb_cancel->text()}),
              QStringList({QStringLiteral("Logon"), QStringLiteral("Data Source:"),
                           QStringLiteral("User ID:"), QStringLiteral("Password:"),
                           QStringLiteral("&OK"), QStringLiteral("&Cancel")}));
    EXPECT_TRUE(logon.cb_ok->isDefault());
    EXPECT_EQ(logon.sle_pwd->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(shownPixmap(*logon.p_1).isNull());
    EXPECT_TRUE(logon.lb_1->isHidden());
    EXPECT_EQ(logon.focusWidget(), logon.sle_dsn);

    QList<QWidget*> order{logon.sle_dsn};
    for (QWidget* w = logon.sle_dsn->nextInFocusChain(); w != logon.sle_dsn;
         w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            order << w;
    }
    EXPECT_EQ(order, QList<QWidget*>({logon.sle_dsn, logon.sle_id, logon.sle_pwd, logon.cb_ok,
                                      logon.cb_cancel, logon.lb_1}));
}

TEST_F(LogonTest, EntryTakesNoMoreThanFitsInItsWidth) {
    w_logon logon;
    const QString typed(300, u'W');
    QTest::keyClicks(logon.sle_id, typed);
    EXPECT_GT(logon.sle_id->text().size(), 5);
    EXPECT_TRUE(fitsVisibleWidth(logon.sle_id, logon.sle_id->text()));
    EXPECT_FALSE(fitsVisibleWidth(logon.sle_id, logon.sle_id->text() + u'W'));
    // A paste into the middle keeps what fits, and the text behind it.
    QTest::keyClicks(logon.sle_dsn, QStringLiteral("AB"));
    logon.sle_dsn->setCursorPosition(1);
    logon.sle_dsn->insert(QString(300, u'x'));
    const QString kept = logon.sle_dsn->text();
    EXPECT_TRUE(kept.startsWith(QStringLiteral("Ax")) && kept.endsWith(QStringLiteral("xB")));
    EXPECT_TRUE(fitsVisibleWidth(logon.sle_dsn, kept));
    EXPECT_FALSE(fitsVisibleWidth(logon.sle_dsn, kept + u'x'));
}

#include "w_logon_test.moc"

TEST_F(LogonTest, DataSourceFieldOffersTheKnownDataSourcesAndKeepsWhatWasTyped) {
    whenModal<w_logon>([](w_logon* logon) {
        typeInto(logon->sle_dsn, QStringLiteral("sam"));
        QCompleter* completer = logon->sle_dsn->completer();
        ASSERT_NE(completer, nullptr);
        QStringList offered;
        for (int row = 0; row < completer->completionModel()->rowCount(); ++row)
            offered << completer->completionModel()->index(row, 0).data().toString();
        EXPECT_EQ(offered, (QStringList{sampleDsn(), sqliteDsn()}));
        EXPECT_EQ(logon->sle_dsn->text(), QStringLiteral("sam"));
        QTest::mouseClick(logon->cb_cancel, Qt::LeftButton);
    });
    EXPECT_EQ(runLogon(), str_sqlca{});
}
