#include "platform/busy_source.h"
#include "platform/host.h"
#include "platform/message.h"
#include "platform/registry.h"
#include "platform/windows.h"
#include "support/test_support.h"

#include <QCoreApplication>
#include <QPointer>
#include <gtest/gtest.h>

using namespace platform;

namespace {

// A grid as the sheet sees it: work that runs until the test ends it, and changes it holds.
class FakeGrid final : public QWidget, public BusySource {
    Q_OBJECT
public:
    explicit FakeGrid(QWidget* parent) : QWidget(parent) {}

    bool reading = false;
    bool working = false;
    bool changed = false;
    int stops = 0;
    int asked = 0;

    bool busy() const override { return reading; }
    bool runsWork() const override { return working; }
    void stopWork() override { ++stops; }
    void callWhenIdle(QObject* context, std::function<void()> then) override {
        connect(this, &FakeGrid::idle, context, std::move(then));
    }
    bool holdsUnsavedChanges() override {
        ++asked;
        return changed;
    }
    Transaction* connection() const override { return nullptr; }

    // The work has ended, as a retrieval ends after it was stopped.
    void finish() {
        reading = false;
        working = false;
        Q_EMIT idle();
    }

Q_SIGNALS:
    void idle();
};

class w_probe_frame : public Frame {
    Q_OBJECT
};

class w_probe_sheet : public Sheet {
    Q_OBJECT
};

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClassRegistry::instance().add<w_probe_frame>(QStringLiteral("w_probe_frame"));
        ClassRegistry::instance().add<w_probe_sheet>(QStringLiteral("w_probe_sheet"));
        Message().reset();
        ASSERT_EQ(Open(QStringLiteral("w_probe_frame")), 1);
        frame = currentFrame();
        sheet = qobject_cast<Sheet*>(OpenSheet(QStringLiteral("w_probe_sheet"), frame));
        ASSERT_NE(sheet, nullptr);
        // Parented as a grid is: not directly by the sheet.
        auto* panel = new QWidget(sheet);
        grid = new FakeGrid(panel);
        other = new FakeGrid(sheet);
    }
    void TearDown() override {
        destroyWindows();
        ClassRegistry::instance().remove(QStringLiteral("w_probe_sheet"));
        ClassRegistry::instance().remove(QStringLiteral("w_probe_frame"));
    }

    Frame* frame = nullptr;
    QPointer<Sheet> sheet;
    FakeGrid* grid = nullptr;
    FakeGrid* other = nullptr;
    testsupport::ScriptedMessageBoxes boxes;
};

} // namespace

TEST_F(SheetTest, CloseAskedWhileAGridWorksStopsItAndClosesOnceItIsIdle) {
    int closed = 0;
    QObject::connect(sheet, &Sheet::closed, [&closed] { ++closed; });
    grid->working = true;

    EXPECT_EQ(sheet->Close(), -1);
    EXPECT_EQ(sheet->Close(), -1); // asked again before the grid has stopped
    EXPECT_EQ(grid->stops, 2);
    EXPECT_EQ(other->stops, 0);
    EXPECT_TRUE(sheet->closing());
    EXPECT_TRUE(windowClosing(grid));
    EXPECT_EQ(frame->sheets().size(), 1);

    grid->finish();
    QCoreApplication::processEvents();
    EXPECT_EQ(closed, 1);
    EXPECT_TRUE(frame->sheets().isEmpty());
}

TEST_F(SheetTest, AnyBusyGridRefusesInputToEveryWidgetOfTheSheetAndSaysWhy) {
    QWidget outside;
    EXPECT_FALSE(refuseWhileWindowBusy(grid, false));
    EXPECT_TRUE(frame->microHelp().isEmpty());

    other->reading = true;
    EXPECT_TRUE(sheet->busy());
    EXPECT_TRUE(refuseWhileWindowBusy(grid, false));
    EXPECT_EQ(frame->microHelp(), busyText());
    // A widget that no sheet holds goes by its own state.
    EXPECT_FALSE(refuseWhileWindowBusy(&outside, false));
    EXPECT_FALSE(windowClosing(&outside));
}

TEST_F(SheetTest, EveryGridTakesItsOpenEditorBeforeChangesAreCounted) {
    grid->changed = true;
    EXPECT_TRUE(sheet->hasPendingChanges());
    EXPECT_EQ(grid->asked, 1);
    EXPECT_EQ(other->asked, 1);
    EXPECT_FALSE(sheet->hasPendingChanges({other}));
    EXPECT_EQ(grid->asked, 1);
    EXPECT_TRUE(boxes.shown().empty());
}

#include "sheet_test.moc"
