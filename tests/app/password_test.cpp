// A password goes to the driver and nowhere else: not into any window, file or output of the
// program, whatever the user opens, saves or prints.

#include "browse/w_db2.h"
#include "connect/logon_driver.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/grid/export.h"
#include "shell/m_main.h"
#include "shell/w_frame.h"
#include "sqlpad/sql_editor.h"
#include "sqlpad/w_sqlpad.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace app;
using namespace testsupport;
using platform::grid::ExportFormat;

namespace {

QStringList collected;

void collect(QtMsgType, const QMessageLogContext& context, const QString& text) {
    collected << QString::fromUtf8(context.category) + QStringLiteral(": ") + text;
}

// Everything the program writes to standard output and error, and every message of every Qt
// logging category, while it lives.
class CapturedOutput {
public:
    explicit CapturedOutput(const QString& file) : file_(file) {
        std::fflush(stdout);
        std::fflush(stderr);
        const int fd =
            ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        savedOut_ = ::dup(1);
        savedErr_ = ::dup(2);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::close(fd);
        collected.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("*=true"));
        previous_ = qInstallMessageHandler(collect);
    }
    // A failure inside went to the captured output: it is shown at the end.
    ~CapturedOutput() {
        const QByteArray written = restore();
        if (::testing::Test::HasFailure())
            std::fprintf(stderr, "--- captured output ---\n%s\n", written.constData());
    }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    // What was written, as bytes, and the messages, one a line.
    QByteArray restore() {
        if (savedOut_ >= 0) {
            qInstallMessageHandler(previous_);
            QLoggingCategory::setFilterRules(QString());
            std::fflush(stdout);
            std::fflush(stderr);
            ::dup2(savedOut_, 1);
            ::dup2(savedErr_, 2);
            ::close(savedOut_);
            ::close(savedErr_);
            savedOut_ = savedErr_ = -1;
        }
        QFile written(file_);
        written.open(QIODevice::ReadOnly);
        return written.readAll() + collected.join(u'\n').toUtf8();
    }

private:
    QString file_;
    int savedOut_ = -1;
    int savedErr_ = -1;
    QtMessageHandler previous_ = nullptr;
};

// Every text a person or an assistive tool can get from the open windows.
QStringList shownTexts() {
    QStringList texts;
    const auto addAction = [&texts](const QAction* action) {
        texts << action->text() << action->toolTip() << action->statusTip() << action->whatsThis();
    };
    for (QWidget* widget : QApplication::allWidgets()) {
        texts << widget->windowTitle() << widget->toolTip() << widget->statusTip()
              << widget->whatsThis() << widget->accessibleName() << widget->accessibleDescription();
        if (const auto* edit = qobject_cast<QLineEdit*>(widget))
            texts << edit->text() << edit->displayText() << edit->placeholderText();
        if (const auto* label = qobject_cast<QLabel*>(widget))
            texts << label->text();
        if (const auto* button = qobject_cast<QAbstractButton*>(widget))
            texts << button->text();
        if (const auto* combo = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        }
        if (const auto* editor = qobject_cast<QsciScintilla*>(widget))
            texts << editor->text();
        if (const auto* view = qobject_cast<QAbstractItemView*>(widget)) {
            const QAbstractItemModel* model = view->model();
            for (int row = 0; model != nullptr && row < model->rowCount(); ++row) {
                for (int column = 0; column < model->columnCount(); ++column) {
                    const QModelIndex index = model->index(row, column);
                    texts << index.data(Qt::DisplayRole).toString()
                          << index.data(Qt::ToolTipRole).toString()
                          << index.data(Qt::AccessibleTextRole).toString();
                }
            }
            for (int column = 0; model != nullptr && column < model->columnCount(); ++column)
                texts << model->headerData(column, Qt::Horizontal).toString();
        }
        for (const QAction* action : widget->actions())
            addAction(action);
    }
    return texts;
}

QByteArray toolOutput(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return process.readAllStandardOutput();
}

class PasswordTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::destroyWindows();
        qunsetenv("DORVANE_PRINT_DIR");
    }

    GlobalSlots slots;
};

TEST_F(PasswordTest, AfterTheLogonThePasswordIsInNoWindowFileOrOutput) {
    DORVANE_REQUIRE_TOOL("unzip");
    DORVANE_REQUIRE_TOOL("pdftotext");
    const QString password = oddPassword();
    const QByteArray secret = password.toUtf8();
    QTemporaryDir folder;
    qputenv("DORVANE_PRINT_DIR", folder.filePath(QStringLiteral("printed")).toUtf8());

    CapturedOutput output(folder.filePath(QStringLiteral("output.txt")));
    logOnWith(sampleDsn(), oddUser(), password);
    ASSERT_EQ(platform::Open(QStringLiteral("w_frame")), 1);
    auto* frame = qobject_cast<w_frame*>(platform::currentFrame());
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(slots[0].isConnected());
    auto* workspace = qobject_cast<w_sqlpad*>(frame->GetActiveSheet());
    ASSERT_NE(workspace, nullptr);

    // A result holding the user's own connection details, saved in every format and printed.
    workspace->mle_1->setText(QStringLiteral(
        "select current_user as who, e.lastname, e.firstnme from db2inst1.employee e"));
    QTest::mouseClick(workspace->cb_retrieve, Qt::LeftButton);
    ASSERT_GT(workspace->dw_1->RowCount(), 0);
    QStringList saved;
    for (const ExportFormat format :
         {ExportFormat::Csv, ExportFormat::Text, ExportFormat::Html, ExportFormat::Json,
          ExportFormat::Xml, ExportFormat::SqlInsert, ExportFormat::Excel}) {
        const QString file =
            folder.filePath(QStringLiteral("rows.") + platform::grid::exportSuffix(format));
        EXPECT_EQ(workspace->dw_1->SaveAs(file, format), 1) << file.toStdString();
        saved << file;
    }
    platform::TriggerEvent(workspace, "ue_print");

    // The other windows: a table list with a table counted and previewed, the multi-table
    // selector.
    frame->MenuID()->m_singletablemgr->trigger();
    auto* list = qobject_cast<w_db2*>(frame->GetActiveSheet());
    ASSERT_NE(list, nullptr);
    ASSERT_GT(list->dw_tables->RowCount(), 0);
    QTableView* view = list->dw_tables->view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(0, 0)).center());
    QTRY_VERIFY_WITH_TIMEOUT(!list->busy(), 20000);
    platform::TriggerEvent(list, "ue_print");
    frame->MenuID()->m_multi_tablemgr->trigger();

    const QStringList texts = shownTexts();
    EXPECT_GT(texts.size(), 100) << "the sweep saw the windows";
    for (const QString& text : texts)
        EXPECT_FALSE(text.contains(password)) << text.toStdString();

    const QDir printed(folder.filePath(QStringLiteral("printed")));
    const QStringList pdfs = printed.entryList({QStringLiteral("*.pdf")}, QDir::Files);
    EXPECT_EQ(pdfs.size(), 2);
    for (const QString& pdf : pdfs) {
        const QByteArray text =
            toolOutput(QStringLiteral("pdftotext"), {printed.filePath(pdf), QStringLiteral("-")});
        EXPECT_FALSE(text.trimmed().isEmpty()) << pdf.toStdString();
        EXPECT_FALSE(text.contains(secret)) << pdf.toStdString();
    }
    for (const QString& file : saved) {
        QFile in(file);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << file.toStdString();
        const QByteArray bytes =
            file.endsWith(QLatin1String(".xlsx"))
                ? toolOutput(QStringLiteral("unzip"), {QStringLiteral("-p"), file})
                : in.readAll();
        EXPECT_TRUE(bytes.contains(oddUser().toUtf8())) << file.toStdString();
        EXPECT_FALSE(bytes.contains(secret)) << file.toStdString();
    }

    QFile commandLine(QStringLiteral("/proc/self/cmdline"));
    QFile environment(QStringLiteral("/proc/self/environ"));
    ASSERT_TRUE(commandLine.open(QIODevice::ReadOnly) && environment.open(QIODevice::ReadOnly));
    EXPECT_FALSE(commandLine.readAll().contains(secret));
    EXPECT_FALSE(environment.readAll().contains(secret));
    EXPECT_FALSE(qgetenv("ODBCINI").contains(secret));

    platform::destroyWindows();
    const QByteArray written = output.restore();
    EXPECT_GT(written.size(), 0) << "every logging category was on";
    EXPECT_FALSE(written.contains(secret));
}

TEST(PasswordEntry, RefusesCopyAndDrag) {
    GlobalSlots slots;
    whenModal<w_logon>([](w_logon* logon) {
        QApplication::clipboard()->setText(QStringLiteral("before"));
        typeInto(logon->sle_pwd, oddPassword());
        logon->sle_pwd->selectAll();
        QTest::keyClick(logon->sle_pwd, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(logon->sle_pwd, Qt::Key_Insert, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
        // Cut takes the text away without putting it on the clipboard.
        QTest::keyClick(logon->sle_pwd, Qt::Key_X, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
        EXPECT_FALSE(logon->sle_pwd->dragEnabled());
        QTest::mouseClick(logon->cb_cancel, Qt::LeftButton);
    });
    platform::Open(QStringLiteral("w_logon"));
}

} // namespace
