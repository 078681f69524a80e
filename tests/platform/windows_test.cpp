#include "app/records.h"
#include "platform/events.h"
#include "platform/message.h"
#include "platform/pointer.h"
#include "platform/registry.h"
#include "platform/windows.h"
#include "support/test_support.h"

#include <QApplication>
#include <QMdiArea>
#include <QStatusBar>
#include <QTimer>
#include <gtest/gtest.h>

using namespace platform;

namespace {

class w_probe_sheet : public Sheet {
    Q_OBJECT
public:
    int opened = 0;
    int printed = 0;
    app::str_sqlca received;

    void open() override {
        ++opened;
        if (const auto* record = Message().parm<app::str_sqlca>())
            received = *record;
    }
    Q_INVOKABLE void ue_print() override { ++printed; }
};

class w_probe_response : public ResponseWindow {
    Q_OBJECT
public:
    void open() override { Message().StringParm = QStringLiteral("opened"); }
};

// Posts work from inside a handler and records the order in which things run.
class Sequencer : public QObject {
    Q_OBJECT
public:
    QStringList log;
    Q_INVOKABLE void ue_first() {
        PostEvent(this, "ue_later");
        log << QStringLiteral("first ends");
    }
    Q_INVOKABLE void ue_later() { log << QStringLiteral("later"); }
};

// Collects whatever Qt prints while it lives.
class QtOutput {
public:
    QtOutput() { previous_ = qInstallMessageHandler(&QtOutput::collect); }
    ~QtOutput() { qInstallMessageHandler(previous_); }
    static QStringList& lines() {
        static QStringList l;
        return l;
    }

private:
    static void collect(QtMsgType, const QMessageLogContext&, const QString& text) {
        lines() << text;
    }
    QtMessageHandler previous_ = nullptr;
};

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClassRegistry::instance().add<w_probe_sheet>(QStringLiteral("w_probe_sheet"));
        ClassRegistry::instance().add<w_probe_response>(QStringLiteral("w_probe_response"));
        frame.resize(800, 600);
        frame.show();
        Message().reset();
    }
    void TearDown() override {
        ClassRegistry::instance().remove(QStringLiteral("w_probe_sheet"));
        ClassRegistry::instance().remove(QStringLiteral("w_probe_response"));
        resetHalt();
    }

    Frame frame;
    testsupport::ScriptedMessageBoxes boxes;
};

} // namespace

TEST_F(WindowsTest, TriggerEventRunsPresentEventAndIgnoresAbsentOneSilently) {
    auto* sheet = qobject_cast<w_probe_sheet*>(OpenSheet(QStringLiteral("w_probe_sheet"), &frame));
    ASSERT_NE(sheet, nullptr);

    EXPECT_EQ(TriggerEvent(sheet, "ue_print"), 1);
    EXPECT_EQ(sheet->printed, 1);

    QtOutput output;
    QtOutput::lines().clear();
    EXPECT_EQ(TriggerEvent(sheet, "ue_save"), -1);
    EXPECT_EQ(PostEvent(sheet, "ue_saveas"), -1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(QtOutput::lines().isEmpty()) << QtOutput::lines().join(u'\n').toStdString();
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(WindowsTest, PostedEventRunsAfterTheCurrentHandler) {
    Sequencer sequencer;
    TriggerEvent(&sequencer, "ue_first");
    EXPECT_EQ(sequencer.log, QStringList{QStringLiteral("first ends")});
    QCoreApplication::processEvents();
    EXPECT_EQ(sequencer.log, (QStringList{QStringLiteral("first ends"), QStringLiteral("later")}));
}

TEST_F(WindowsTest, SheetByClassNameIsNewEachTimeAndGetsItsRecord) {
    app::str_sqlca record;
    record.s_sqlca = QStringLiteral("SQLCA2");
    auto* first = qobject_cast<w_probe_sheet*>(
        OpenSheetWithParm(QStringLiteral("w_probe_sheet"), record, &frame));
    record.s_sqlca = QStringLiteral("SQLCA3");
    auto* second = qobject_cast<w_probe_sheet*>(
        OpenSheetWithParm(QStringLiteral("w_probe_sheet"), record, &frame));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->received.s_sqlca, QStringLiteral("SQLCA2"));
    EXPECT_EQ(second->received.s_sqlca, QStringLiteral("SQLCA3"));
    EXPECT_EQ(frame.sheets().size(), 2);
    EXPECT_EQ(frame.GetActiveSheet(), second);
}

TEST_F(WindowsTest, GlobalReferenceSheetOpenedTwiceExistsOnceUntilClosed) {
    QWidget* first =
        OpenSheet(QStringLiteral("w_probe_sheet"), &frame, 1, Arrange::Layered, Reference::Global);
    QWidget* other = OpenSheet(QStringLiteral("w_probe_sheet"), &frame);
    QWidget* again =
        OpenSheet(QStringLiteral("w_probe_sheet"), &frame, 1, Arrange::Layered, Reference::Global);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(again, first);
    EXPECT_NE(other, first);
    EXPECT_EQ(qobject_cast<w_probe_sheet*>(first)->opened, 1);
    EXPECT_EQ(frame.sheets().size(), 2);
    EXPECT_EQ(frame.GetActiveSheet(), first);

    ASSERT_EQ(qobject_cast<Sheet*>(first)->Close(), 1);
    EXPECT_EQ(globalInstance(QStringLiteral("w_probe_sheet")), nullptr);
    QWidget* fresh =
        OpenSheet(QStringLiteral("w_probe_sheet"), &frame, 1, Arrange::Layered, Reference::Global);
    EXPECT_EQ(qobject_cast<w_probe_sheet*>(fresh)->opened, 1);
}

TEST_F(WindowsTest, ClosingActiveSheetsOneByOneEmptiesTheFrame) {
    for (int i = 0; i < 3; ++i)
        OpenSheet(QStringLiteral("w_probe_sheet"), &frame);
    int closed = 0;
    while (auto* sheet = qobject_cast<Sheet*>(frame.GetActiveSheet())) {
        ASSERT_EQ(sheet->Close(), 1);
        ASSERT_LE(++closed, 3);
    }
    EXPECT_EQ(closed, 3);
    EXPECT_TRUE(frame.sheets().isEmpty());
}

TEST_F(WindowsTest, ResponseWindowReturnsItsRecordAfterClosing) {
    app::str_sqlca record;
    record.s_sqlca = QStringLiteral("SQLCA1");
    record.s_sqlcode = 0;
    QTimer::singleShot(0, [record] {
        auto* window = qobject_cast<ResponseWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        window->CloseWithReturn(record);
    });
    EXPECT_EQ(Open(QStringLiteral("w_probe_response")), 1);
    EXPECT_EQ(Message().StringParm, QStringLiteral("opened"));
    const auto* returned = Message().parm<app::str_sqlca>();
    ASSERT_NE(returned, nullptr);
    EXPECT_EQ(*returned, record);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(WindowsTest, OpeningUnknownClassIsRuntimeErrorShownInMessageBox) {
    EXPECT_EQ(Open(QStringLiteral("w_nowhere")), -1);
    EXPECT_EQ(OpenSheet(QStringLiteral("w_nowhere"), &frame), nullptr);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_TRUE(boxes.shown()[0].text.contains(QStringLiteral("w_nowhere")));
    EXPECT_TRUE(Error().text.contains(QStringLiteral("w_nowhere")));
}

TEST_F(WindowsTest, HaltCloseEndsModalWindowAndClosesFrames) {
    // A frame opened through the platform, so that HALT CLOSE knows it.
    class w_probe_frame : public Frame {};
    ClassRegistry::instance().add<w_probe_frame>(QStringLiteral("w_probe_frame"));
    ASSERT_EQ(Open(QStringLiteral("w_probe_frame")), 1);
    Frame* opened = currentFrame();
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(opened->isVisible());

    QTimer::singleShot(0, [] { HaltClose(); });
    EXPECT_EQ(Open(QStringLiteral("w_probe_response")), 1);
    EXPECT_TRUE(halted());
    EXPECT_FALSE(opened->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    destroyWindows();
    ClassRegistry::instance().remove(QStringLiteral("w_probe_frame"));
}

TEST_F(WindowsTest, PointerAlwaysBalances) {
    SetPointer(Pointer::HourGlass);
    SetPointer(Pointer::HourGlass);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    SetPointer(Pointer::Arrow);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    SetPointer(Pointer::Arrow);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(currentPointer(), Pointer::Arrow);
}

TEST_F(WindowsTest, MessageBoxGoesThroughTheInstalledService) {
    boxes.answer(2);
    EXPECT_EQ(MessageBox(QStringLiteral("Caution"), QStringLiteral("Close it?"), Icon::Question,
                         Buttons::YesNo, 2),
              2);
    EXPECT_EQ(MessageBox(QStringLiteral("Error"), QStringLiteral("Connection failed")), 1);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].title, QStringLiteral("Error"));
    EXPECT_EQ(boxes.shown()[1].text, QStringLiteral("Connection failed"));
}

TEST_F(WindowsTest, StatusLineBelongsToTheOpenedFrame) {
    class w_probe_frame : public Frame {};
    ClassRegistry::instance().add<w_probe_frame>(QStringLiteral("w_probe_frame"));
    SetMicroHelp(QStringLiteral("no frame yet")); // nothing to write on: ignored
    ASSERT_EQ(Open(QStringLiteral("w_probe_frame")), 1);
    SetMicroHelp(QStringLiteral("Retrieving data, please wait..."));
    EXPECT_EQ(currentFrame()->microHelp(), QStringLiteral("Retrieving data, please wait..."));
    EXPECT_EQ(currentFrame()->statusBar()->currentMessage(),
              QStringLiteral("Retrieving data, please wait..."));
    destroyWindows();
    ClassRegistry::instance().remove(QStringLiteral("w_probe_frame"));
}

#include "windows_test.moc"
