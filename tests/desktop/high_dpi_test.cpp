// Every window at twice the pixels (QT_SCALE_FACTOR=2) and with a 12-point system font: each
// control lies inside its window and shows its text whole. Measured on the widgets' geometry and
// fonts, not on pictures. With DORVANE_SCREENSHOT_DIR set, the frame with its sheets is also
// saved there as a picture at twice the pixels.
#include "app/records.h"
#include "browse/w_db2.h"
#include "connect/logon_driver.h"
#include "connect/w_logon.h"
#include "connect/w_sqlca.h"
#include "multitable/w_monitor.h"
#include "multitable/w_tbl_sel.h"
#include "platform/grid/datawindow.h"
#include "platform/windows.h"
#include "shell/m_main.h"
#include "shell/w_frame.h"
#include "shell/w_splash.h"
#include "sqlpad/sql_editor.h"
#include "sqlpad/w_sqlpad.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace app;
using namespace testsupport;

namespace {

// Set before the application object exists (static initialisation runs before main).
[[maybe_unused]] const bool scaled = qputenv("QT_SCALE_FACTOR", "2");

QString withoutMnemonic(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    return text;
}

// Every control of `window` (its own children that show) lies inside it, and a label's or a
// button's text fits its control in width and height.
void expectControlsFit(QWidget* window) {
    const QString name = QString::fromLatin1(window->metaObject()->className());
    const QRect area = window->rect();
    int checked = 0;
    for (QWidget* control : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!control->isVisibleTo(window) || control->isWindow())
            continue;
        ++checked;
        const QString what = name + QStringLiteral(" / ") + control->objectName() +
                             QStringLiteral(" ") +
                             QString::fromLatin1(control->metaObject()->className());
        EXPECT_TRUE(area.contains(control->geometry()))
            << what.toStdString() << " at " << control->geometry().x() << ","
            << control->geometry().y() << " " << control->width() << "x" << control->height()
            << " outside " << area.width() << "x" << area.height();
        QString text;
        int padding = 0;
        if (const auto* label = qobject_cast<QLabel*>(control); label && !label->wordWrap()) {
            text = label->textFormat() == Qt::RichText ? QString() : label->text();
            padding = 2 * label->margin() + 2 * label->frameWidth();
        } else if (const auto* button = qobject_cast<QAbstractButton*>(control)) {
            text = withoutMnemonic(button->text());
            padding = 4;
        }
        if (text.isEmpty())
            continue;
        // Across: the text's advance; down: the ink of its glyphs (a line of "=" needs less
        // height than one of "Syntax").
        const QFontMetrics metrics(control->font());
        const QStringList lines = text.split(u'\n');
        int widest = 0;
        int inkHeight = 0;
        for (const QString& line : lines) {
            widest = std::max(widest, metrics.horizontalAdvance(line));
            inkHeight += lines.size() == 1 ? metrics.tightBoundingRect(line).height()
                                           : metrics.lineSpacing();
        }
        EXPECT_LE(widest + padding, control->width())
            << what.toStdString() << " \"" << text.toStdString() << "\" is cut across";
        EXPECT_LE(inkHeight, control->height())
            << what.toStdString() << " \"" << text.toStdString() << "\" is cut at the foot";
    }
    EXPECT_GT(checked, 0) << name.toStdString();
}

class HighDpiTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFont system = QApplication::font();
        previousFont_ = system;
        system.setPointSize(12);
        QApplication::setFont(system);
    }
    void TearDown() override {
        platform::destroyWindows();
        QApplication::setFont(previousFont_);
    }

    GlobalSlots slots;

private:
    QFont previousFont_;
};

} // namespace

TEST_F(HighDpiTest, EveryWindowShowsEveryControlWholeAtTwiceThePixelsWithATwelvePointFont) {
    ASSERT_EQ(QApplication::primaryScreen()->devicePixelRatio(), 2.0);

    // The logon, as it opens at the start.
    whenModal<w_logon>([](w_logon* logon) {
        expectControlsFit(logon);
        typeInto(logon->sle_dsn, sampleDsn());
        typeInto(logon->sle_id, sampleUser());
        typeInto(logon->sle_pwd, samplePassword());
        QTest::mouseClick(logon->cb_ok, Qt::LeftButton);
    });
    ASSERT_EQ(platform::Open(QStringLiteral("w_frame")), 1);
    auto* frame = qobject_cast<w_frame*>(platform::currentFrame());
    ASSERT_NE(frame, nullptr);
    frame->resize(1024, 768);

    // The frame: the whole menu bar and tool bar show (neither needs its extension button).
    for (auto* extension : frame->findChildren<QToolButton*>()) {
        const QString role = extension->objectName();
        if (role == QLatin1String("qt_menubar_ext_button") ||
            role == QLatin1String("qt_toolbar_ext_button")) {
            EXPECT_FALSE(extension->isVisible()) << role.toStdString();
        }
    }

    // The sheets, each opened on the connection.
    str_sqlca record;
    record.s_sqlca = QStringLiteral("SQLCA");
    auto* workspace = qobject_cast<w_sqlpad*>(frame->GetActiveSheet());
    ASSERT_NE(workspace, nullptr);
    expectControlsFit(workspace);
    // A result's headings and first row show whole in the system font.
    workspace->mle_1->setText(QStringLiteral(
        "select empno, firstnme, lastname, workdept, salary, hiredate\nfrom db2inst1.employee\n"
        "order by lastname"));
    QTest::mouseClick(workspace->cb_retrieve, Qt::LeftButton);
    ASSERT_GT(workspace->dw_1->RowCount(), 0);
    QTableView* view = workspace->dw_1->view();
    QHeaderView* header = view->horizontalHeader();
    for (int column = 0; column < view->model()->columnCount(); ++column) {
        const QString heading = view->model()->headerData(column, Qt::Horizontal).toString();
        const QString cell = view->model()->index(0, column).data().toString();
        EXPECT_LE(header->fontMetrics().horizontalAdvance(heading) + 8, header->sectionSize(column))
            << heading.toStdString();
        EXPECT_LE(view->fontMetrics().horizontalAdvance(cell) + 8, header->sectionSize(column))
            << heading.toStdString() << ": " << cell.toStdString();
    }
    auto* list = qobject_cast<w_db2*>(platform::OpenSheetWithParm(
        QStringLiteral("w_db2"), record, frame, 1, platform::Arrange::Cascaded));
    ASSERT_NE(list, nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(!list->busy(), 20000);
    expectControlsFit(list);
    str_sqlca db2 = record;
    db2.s_misc = QStringLiteral("db2");
    QWidget* selector = platform::OpenSheetWithParm(QStringLiteral("w_tbl_sel"), db2, frame, 1,
                                                    platform::Arrange::Cascaded);
    ASSERT_NE(selector, nullptr);
    expectControlsFit(selector);
    str_tbl_cols tables;
    tables.s_tbl_master = QStringLiteral("DB2INST1.DEPARTMENT");
    tables.s_tables = StringArray({QStringLiteral("DB2INST1.EMPLOYEE")});
    tables.s_relation = StringArray({QStringLiteral("workdept = deptno")});
    tables.s_sqlca = QStringLiteral("SQLCA");
    auto* monitor = qobject_cast<w_monitor*>(platform::OpenSheetWithParm(
        QStringLiteral("w_monitor"), tables, frame, 1, platform::Arrange::Cascaded));
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !monitor->st_1->text().isEmpty(); }, 20000));
    expectControlsFit(monitor);

    // The response windows: About and the connection chooser.
    whenModal<w_splash>([](w_splash* about) {
        expectControlsFit(about);
        QTest::mouseClick(about->cb_ok, Qt::LeftButton);
    });
    frame->MenuID()->m_about->trigger();
    whenModal<w_sqlca>([](w_sqlca* chooser) {
        expectControlsFit(chooser);
        chooser->close();
    });
    platform::Open(QStringLiteral("w_sqlca"));

    const QString pictures = qEnvironmentVariable("DORVANE_SCREENSHOT_DIR");
    if (!pictures.isEmpty()) {
        frame->mdiArea()->setActiveSubWindow(frame->mdiArea()->subWindowList().constFirst());
        const QPixmap shot = frame->grab();
        EXPECT_EQ(shot.devicePixelRatio(), 2.0);
        EXPECT_TRUE(shot.save(QDir(pictures).filePath(QStringLiteral("dorvane-2x.png"))));
    }
}
