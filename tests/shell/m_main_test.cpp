#include "connect/logon_driver.h"
#include "shell/m_main.h"
#include "shell/toolbar_pictures.h"
#include "shell/w_splash.h"

#include <QAction>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace app;
using namespace testsupport;

namespace {

// Owns the menu as the frame does, and notes every event the menu raises on it.
class ListeningWindow : public QMainWindow {
    Q_OBJECT
public:
    QStringList heard;
    Q_INVOKABLE void ue_sqlpad() { heard << QStringLiteral("ue_sqlpad"); }
    Q_INVOKABLE void ue_open_single() { heard << QStringLiteral("ue_open_single"); }
    Q_INVOKABLE void ue_open_mul() { heard << QStringLiteral("ue_open_mul"); }
    Q_INVOKABLE void ue_connect() { heard << QStringLiteral("ue_connect"); }
    Q_INVOKABLE void ue_save() { heard << QStringLiteral("ue_save"); }
    Q_INVOKABLE void ue_saveas() { heard << QStringLiteral("ue_saveas"); }
    Q_INVOKABLE void ue_print() { heard << QStringLiteral("ue_print"); }
    Q_INVOKABLE void ue_insert() { heard << QStringLiteral("ue_insert"); }
    Q_INVOKABLE void ue_delete() { heard << QStringLiteral("ue_delete"); }
};

QStringList textsOf(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* action : actions)
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

class MenuTest : public ::testing::Test {
protected:
    MenuTest() : menu(new m_main(&window)) { window.show(); }

    // Opens the drop-down that holds `item` and clicks the item, as a user does.
    void clickItem(QMenu* dropDown, QAction* item) {
        dropDown->popup(window.mapToGlobal(QPoint(10, 10)));
        const QPoint at = dropDown->actionGeometry(item).center();
        QTest::mouseMove(dropDown, at);
        QTest::mouseClick(dropDown, Qt::LeftButton, {}, at);
        EXPECT_FALSE(dropDown->isVisible());
    }
    void clickButton(QAction* item) {
        QTest::mouseClick(menu->toolbar->widgetForAction(item), Qt::LeftButton);
    }

    ListeningWindow window;
    m_main* menu;
};

} // namespace

TEST_F(MenuTest, MenuBarHoldsFileEditHelpWithTheirItemsInOrder) {
    EXPECT_EQ(
        textsOf(window.menuBar()->actions()),
        QStringList({QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&Help")}));
    EXPECT_EQ(textsOf(menu->m_file->actions()),
              QStringList({QStringLiteral("&Open..."), QStringLiteral("-"), QStringLiteral("&Save"),
                           QStringLiteral("Save&As"), QStringLiteral("-"), QStringLiteral("Print"),
                           QStringLiteral("-"), QStringLiteral("E&xit")}));
    EXPECT_EQ(textsOf(menu->m_open->actions()),
              QStringList({QStringLiteral("SQL Workspace"), QStringLiteral("Single Table View"),
                           QStringLiteral("Multi-Table View"), QStringLiteral("New Connection")}));
    EXPECT_EQ(textsOf(menu->m_help->actions()), QStringList{QStringLiteral("About")});
    for (const QAction* item : menu->toolbar->actions())
        EXPECT_TRUE(item->shortcut().isEmpty()) << item->text().toStdString();
}

TEST_F(MenuTest, EditDropDownIsEmptyWhileInsertAndDeleteButtonsShowEnabled) {
    for (const QAction* item : menu->m_edit->actions())
        EXPECT_FALSE(item->isVisible()) << item->text().toStdString();
    for (QAction* item : {menu->m_insert, menu->m_delete}) {
        EXPECT_TRUE(menu->toolbar->widgetForAction(item)->isVisible());
        EXPECT_TRUE(menu->toolbar->widgetForAction(item)->isEnabled());
    }
}

TEST_F(MenuTest, ToolbarShowsElevenPicturedButtonsInOrderWithExitLast) {
    QStringList tips;
    for (QAction* item : menu->toolbar->actions()) {
        tips << (item->isSeparator() ? QStringLiteral("-") : item->toolTip());
        auto* button = qobject_cast<QToolButton*>(menu->toolbar->widgetForAction(item));
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(button->icon().isNull()) << item->toolTip().toStdString();
        EXPECT_EQ(item->iconText(), item->toolTip());
    }
    EXPECT_EQ(tips, QStringList(
                        {QStringLiteral("SQL Workspace"), QStringLiteral("Single Table View"),
                         QStringLiteral("Multi_Table View"), QStringLiteral("New Connection"),
                         QStringLiteral("Save"), QStringLiteral("Save As"), QStringLiteral("Print"),
                         QStringLiteral("Insert"), QStringLiteral("Delete"),
                         QStringLiteral("About"), QStringLiteral("Exit")}));
    // Pictures of our own stand in wherever the desktop's icon theme has none.
    for (const QString& name : toolbarPictureNames())
        EXPECT_FALSE(fallbackPicture(name).isNull()) << name.toStdString();
    EXPECT_TRUE(toolbarPicture(QStringLiteral("Nothing!")).isNull());
}

// Our own pictures are drawn when a size is first asked for: at that size, none larger than 48,
// and greyed when disabled, as an icon of ready-made pixmaps answers.
TEST(ToolbarPictures, DrawnAtTheSizeAskedForUpToFortyEightAndGreyedWhenDisabled) {
    const auto inked = [](const QPixmap& pixmap) {
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        return count;
    };
    for (const QString& name : toolbarPictureNames()) {
        const QIcon picture = fallbackPicture(name);
        for (int side : {16, 20, 24, 48}) {
            const QPixmap shown = picture.pixmap(QSize(side, side));
            EXPECT_EQ(shown.size(), QSize(side, side)) << name.toStdString() << " " << side;
            EXPECT_GT(inked(shown), side * side / 8) << name.toStdString() << " " << side;
        }
        EXPECT_EQ(picture.actualSize(QSize(64, 64)), QSize(48, 48)) << name.toStdString();
        EXPECT_EQ(picture.pixmap(QSize(64, 64)).size(), QSize(48, 48)) << name.toStdString();
        EXPECT_NE(picture.pixmap(QSize(24, 24), QIcon::Disabled).toImage(),
                  picture.pixmap(QSize(24, 24)).toImage())
            << name.toStdString();
    }
}

TEST_F(MenuTest, EveryToolbarButtonRaisesTheSameEventAsItsMenuItem) {
    const QList<std::tuple<QMenu*, QAction*, QString>> commands{
        {menu->m_open, menu->m_administrator, QStringLiteral("ue_sqlpad")},
        {menu->m_open, menu->m_singletablemgr, QStringLiteral("ue_open_single")},
        {menu->m_open, menu->m_multi_tablemgr, QStringLiteral("ue_open_mul")},
        {menu->m_open, menu->m_newdbparm, QStringLiteral("ue_connect")},
        {menu->m_file, menu->m_save, QStringLiteral("ue_save")},
        {menu->m_file, menu->m_saveas, QStringLiteral("ue_saveas")},
        {menu->m_file, menu->m_print, QStringLiteral("ue_print")},
    };
    for (const auto& [dropDown, item, event] : commands) {
        window.heard.clear();
        clickItem(dropDown, item);
        clickButton(item);
        EXPECT_EQ(window.heard, repeated(2, event)) << event.toStdString();
    }
    window.heard.clear();
    clickButton(menu->m_insert);
    clickButton(menu->m_delete);
    EXPECT_EQ(window.heard,
              QStringList({QStringLiteral("ue_insert"), QStringLiteral("ue_delete")}));
}

TEST_F(MenuTest, ExitItemAndButtonCloseTheOwningWindow) {
    clickItem(menu->m_file, menu->m_exit);
    EXPECT_FALSE(window.isVisible());
    window.show();
    clickButton(menu->m_exit);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MenuTest, AboutItemAndButtonOpenTheAboutWindowModally) {
    int modal = 0;
    const auto pressOk = [&modal](w_splash* about) {
        modal += about->isModal() ? 1 : 0;
        QTest::mouseClick(about->cb_ok, Qt::LeftButton);
    };
    whenModal<w_splash>(pressOk);
    clickItem(menu->m_help, menu->m_about);
    whenModal<w_splash>(pressOk);
    clickButton(menu->m_about);
    EXPECT_EQ(modal, 2);
    EXPECT_TRUE(window.heard.isEmpty());
}

#include "m_main_test.moc"
