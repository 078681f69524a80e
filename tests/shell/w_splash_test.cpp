#include "app/globals.h"
#include "connect/logon_driver.h"
#include "shell/m_main.h"
#include "shell/w_splash.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <gtest/gtest.h>

using namespace app;
using namespace testsupport;

namespace {

class AboutTest : public ::testing::Test {
protected:
    AboutTest() : menu(new m_main(&window)) {}
    void TearDown() override { globals().gs_version = QStringLiteral("Version 1.1"); }

    // Help, About: what the window shows, before OK closes it.
    QStringList about() {
        QStringList shown;
        whenModal<w_splash>([&shown](w_splash* splash) {
            shown << splash->st_app->text() << splash->st_1->text();
            QTest::mouseClick(splash->cb_ok, Qt::LeftButton);
        });
        menu->m_about->trigger();
        return shown;
    }

    GlobalSlots slots; // name and version
    QMainWindow window;
    m_main* menu;
};

} // namespace

TEST_F(AboutTest, ShowsNameAndVersionWithOneSpaceAndTheNoticeTwiceAlike) {
    const QStringList first = about();
    ASSERT_EQ(first.size(), 2);
    EXPECT_EQ(first[0], QStringLiteral("Dorvane Version 1.1"));
    EXPECT_EQ(about(), first);

    globals().gs_version = QStringLiteral("Version 2.0 beta");
    EXPECT_EQ(about().value(0), QStringLiteral("Dorvane Version 2.0 beta"));
}

TEST_F(AboutTest, NoticeIsAnEmptyLineThenThreeLinesEachBeginningWithABlank) {
    const QString notice = about().value(1);
    EXPECT_EQ(notice, splashNotice());
    QStringList lines = notice.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines.takeLast().isEmpty()) << "every line ends with a line end";
    EXPECT_TRUE(lines.takeFirst().isEmpty());
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith(u' ') && !line.startsWith(QStringLiteral("  ")));
        EXPECT_FALSE(line.contains(u'\n') || line.contains(u'\r'));
    }
}

TEST_F(AboutTest, ClosingFromTheTitleBarClosesLikeOk) {
    whenModal<w_splash>([](w_splash* splash) { splash->close(); });
    EXPECT_EQ(platform::Open(QStringLiteral("w_splash")), 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
