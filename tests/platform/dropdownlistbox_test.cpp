#include "platform/dropdownlistbox.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using platform::DropDownListBox;

TEST(DropDownListBox, EntriesSelectNothingUntilChosenAndOnlyTheUserRaisesSelectionChanged) {
    DropDownListBox list;
    QSignalSpy changed(&list, &DropDownListBox::SelectionChanged);
    EXPECT_EQ(list.AddItem(QStringLiteral("deptno")), 1);
    EXPECT_EQ(list.AddItem(QStringLiteral("dept")), 2);
    EXPECT_EQ(list.AddItem(QStringLiteral("dept")), 3);
    EXPECT_EQ(list.TotalItems(), 3);
    EXPECT_TRUE(list.Text().isEmpty());

    // By the whole text, not its beginning; after a position, the next match.
    EXPECT_EQ(list.SelectItem(QStringLiteral("dept"), 0), 2);
    EXPECT_EQ(list.Text(), QStringLiteral("dept"));
    EXPECT_EQ(list.SelectItem(QStringLiteral("dept"), 2), 3);
    EXPECT_EQ(list.SelectItem(QStringLiteral("Dept"), 0), 0);
    EXPECT_EQ(list.SelectItem(QStringLiteral("dep"), 0), 0);
    EXPECT_EQ(list.currentIndex(), 2);
    EXPECT_EQ(list.AddItem(QStringLiteral("admrdept")), 4);
    EXPECT_EQ(list.currentIndex(), 2);
    EXPECT_EQ(changed.count(), 0);

    QTest::keyClick(&list, Qt::Key_Up);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 2);
    EXPECT_EQ(list.Text(), QStringLiteral("dept"));

    EXPECT_EQ(list.Reset(), 1);
    EXPECT_EQ(list.TotalItems(), 0);
    EXPECT_TRUE(list.Text().isEmpty());
    list.AddItem(QStringLiteral("empno"));
    EXPECT_TRUE(list.Text().isEmpty());
    EXPECT_EQ(changed.count(), 1);
}
