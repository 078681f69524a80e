#include "app/dorvane_app.h"
#include "app/library.h"
#include "platform/windows.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

QString describe() {
    return QStringLiteral("Dorvane: a desktop browser for IBM Db2 databases reached through ODBC.");
}

// --help and --version are answered before any window system is touched, so that they work
// without a display.
bool answerCommandLine(int argc, char** argv, QStringList& arguments) {
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dorvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DORVANE_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(describe());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(core); // exits after printing --help or --version
    arguments = parser.positionalArguments();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    answerCommandLine(argc, argv, arguments);

    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(true);
    app::registerLibraryClasses();

    app::dorvane_app dorvane;
    dorvane.create();
    dorvane.open(arguments.join(QLatin1Char(' ')));

    int rc = 0;
    if (platform::currentFrame() == nullptr)
        rc = 1; // the frame could not be opened: the runtime error has been shown
    else if (!platform::halted())
        rc = QApplication::exec();
    dorvane.destroy();
    return rc;
}
