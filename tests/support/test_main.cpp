#include "app/library.h"
#include "platform/messagebox.h"
#include "platform/style.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
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

#ifdef DORVANE_TEST_NEEDS_DATABASE
// ODBC finds the private test database's data sources, unless the caller names others. CTest
// gives the database's state folder (scripts/db start --state FOLDER) in DORVANE_TEST_DB_STATE.
bool findTestDatabase() {
    if (!qEnvironmentVariableIsEmpty("ODBCSYSINI") && !qEnvironmentVariableIsEmpty("ODBCINI"))
        return true;
    const QString state = qEnvironmentVariable("DORVANE_TEST_DB_STATE");
    if (state.isEmpty()) {
        std::fputs("These tests need the test database: run them through ctest, or start one with "
                   "`scripts/db start --state FOLDER` and set DORVANE_TEST_DB_STATE=FOLDER.\n",
                   stderr);
        return false;
    }
    const QDir odbc(QDir(state).filePath(QStringLiteral("odbc")));
    if (!QFileInfo::exists(odbc.filePath(QStringLiteral("odbc.ini")))) {
        std::fprintf(stderr,
                     "No test database in %s (DORVANE_TEST_DB_STATE): start one with "
                     "`scripts/db start --state %s`.\n",
                     qPrintable(state), qPrintable(state));
        return false;
    }
    if (qEnvironmentVariableIsEmpty("ODBCSYSINI"))
        qputenv("ODBCSYSINI", QFile::encodeName(odbc.path()));
    if (qEnvironmentVariableIsEmpty("ODBCINI"))
        qputenv("ODBCINI", QFile::encodeName(odbc.filePath(QStringLiteral("odbc.ini"))));
    return true;
}
#endif

} // namespace

// Widgets run offscreen unless the caller says otherwise.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
#ifdef DORVANE_TEST_NEEDS_DATABASE
    // CTest also names the checkout's scripts/db, through which tests reach the test database
    // as its superuser.
    const QByteArray scriptOption("--db-script=");
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument.startsWith(scriptOption) && qEnvironmentVariableIsEmpty("DORVANE_DB_SCRIPT"))
            qputenv("DORVANE_DB_SCRIPT", argument.mid(scriptOption.size()));
    }
    if (!GTEST_FLAG_GET(list_tests) && !findTestDatabase())
        return 1;
#else
    // Unit tests use no database: ODBC is shown an empty configuration, so that no data source
    // or driver of this machine is seen.
    const QTemporaryDir noOdbc;
    if (!noOdbc.isValid()) {
        std::fputs("cannot create a temporary folder\n", stderr);
        return 1;
    }
    qputenv("ODBCSYSINI", QFile::encodeName(noOdbc.path()));
    qputenv("ODBCINI", QFile::encodeName(noOdbc.filePath(QStringLiteral("odbc.ini"))));
#endif
    // Settings the program keeps between runs (recent files) go to a folder of the run's own.
    const QTemporaryDir settingsHome;
    if (settingsHome.isValid())
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsHome.path()));
    defaultHandler = qInstallMessageHandler(quietOffscreen);
    QApplication application(argc, argv);
    QApplication::setStyle(new platform::ApplicationStyle); // as the program does
    app::registerLibraryClasses();
    UnexpectedMessageBoxes unexpected;
    platform::setMessageBoxService(&unexpected);
    return RUN_ALL_TESTS();
}
