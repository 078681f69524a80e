#include "platform/style.h"

#include <QApplication>
#include <QImage>
#include <QMenuBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QImage picture(const QIcon& icon) {
    return icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

// The menu bar's extension button, whose picture the application's style reads only when it is
// first drawn, shows the desktop style's own picture once the bar is too narrow for its menus.
TEST(ApplicationStyle, NarrowMenuBarShowsTheExtensionButtonWithTheStylesPicture) {
    auto* style = qobject_cast<platform::ApplicationStyle*>(QApplication::style());
    ASSERT_NE(style, nullptr) << "the tests run under the program's style";

    QMenuBar bar;
    for (const char* title : {"File", "Edit", "View", "Window", "Help", "Tools", "Query"})
        bar.addMenu(QString::fromLatin1(title))->addAction(QStringLiteral("item"));
    bar.resize(60, bar.sizeHint().height());
    bar.show();
    QApplication::processEvents();

    auto* extension = bar.findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
    ASSERT_NE(extension, nullptr);
    EXPECT_TRUE(extension->isVisible());
    const QImage shown = picture(extension->icon());
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown, picture(style->baseStyle()->standardIcon(
                         QStyle::SP_ToolBarHorizontalExtensionButton, nullptr, &bar)));
    // Not a blank square.
    bool drawn = false;
    for (int y = 0; y < shown.height() && !drawn; ++y)
        for (int x = 0; x < shown.width() && !drawn; ++x)
            drawn = qAlpha(shown.pixel(x, y)) != 0;
    EXPECT_TRUE(drawn);
}
