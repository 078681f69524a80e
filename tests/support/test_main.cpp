#include "app/library.h"
#include "platform/messagebox.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {
QtMessageHandler defaultHandler = nullptr;

// The offscreen platform says this for every window; it says nothing about the code under test.
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("This plugin does not support")))
        return;
    defaultHandler(type, context, text);
}
// A message box that no test expected fails that test instead of waiting for a click.
class UnexpectedMessageBoxes final : public platform::MessageBoxService {
public:
    int ask(const platform::MessageBoxRequest& request) override {
        ADD_FAILURE() << "unexpected message box: " << request.title.toStdString() << ": "
                      << request.text.toStdString();
        return request.defaultButton;
    }
};
} // namespace

// Widgets run offscreen, and ODBC finds the private test database's DSNs, unless the caller
// says otherwise.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("ODBCSYSINI"))
        qputenv("ODBCSYSINI", DORVANE_TEST_DB_STATE "/odbc");
    if (qEnvironmentVariableIsEmpty("ODBCINI"))
        qputenv("ODBCINI", DORVANE_TEST_DB_STATE "/odbc/odbc.ini");
    ::testing::InitGoogleTest(&argc, argv);
    defaultHandler = qInstallMessageHandler(quietOffscreen);
    QApplication application(argc, argv);
    app::registerLibraryClasses();
    UnexpectedMessageBoxes unexpected;
    platform::setMessageBoxService(&unexpected);
    return RUN_ALL_TESTS();
}
