#include "app/dorvane_app.h"
#include "app/library.h"
#include "platform/qtcompat.h"
#include "platform/windows.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEvent>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace {

QString describe() {
    return QStringLiteral("Dorvane: a desktop browser for IBM Db2 databases reached through ODBC.");
}

struct CommandLine {
    QStringList arguments;
    bool checkStart = false;
};

// --help and --version are answered before any window system is touched, so that they work
// without a display.
CommandLine answerCommandLine(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dorvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DORVANE_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(describe());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption checkStart(
        QStringLiteral("check-start"),
        QStringLiteral("Start as usual, quit as soon as the logon window is shown, and exit with "
                       "status 0 (1 when it never showed)."));
    parser.addOption(checkStart);
    // Qt's own options (-platform offscreen, -style fusion, -reverse ...) are left to the
    // application object: known here only so that they are not refused.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "style",
                             "stylesheet", "qwindowgeometry", "qwindowtitle", "qwindowicon",
                             "display", "geometry", "title", "name", "session"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    parser.process(core); // exits after printing --help or --version
    return {parser.positionalArguments(), parser.isSet(checkStart)};
}

// For --check-start: ends the program once the logon window has been shown, through the same
// halt that every other way out of a nested window uses.
class LogonShownWatch final : public QObject {
public:
    bool shown() const { return shown_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!shown_ && event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow() && watched->inherits("app::w_logon")) {
            shown_ = true;
            QTimer::singleShot(0, this, [] { platform::HaltClose(); });
        }
        return false;
    }

private:
    bool shown_ = false;
};

} // namespace

int main(int argc, char** argv) {
    const CommandLine commandLine = answerCommandLine(argc, argv);

    platform::compat::prepareApplication();
    QApplication application(argc, argv);
    // Lets the desktop match the windows to the installed desktop entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("org.dorvane.Dorvane"));
    QApplication::setQuitOnLastWindowClosed(true);
    app::registerLibraryClasses();

    LogonShownWatch watch;
    if (commandLine.checkStart)
        application.installEventFilter(&watch);

    app::dorvane_app dorvane;
    dorvane.create();
    dorvane.open(commandLine.arguments.join(QLatin1Char(' ')));

    int rc = 0;
    if (platform::currentFrame() == nullptr && !watch.shown())
        rc = 1; // the frame could not be opened: the runtime error has been shown
    else if (!platform::halted())
        rc = QApplication::exec();
    dorvane.destroy();
    if (commandLine.checkStart)
        return watch.shown() ? 0 : 1;
    return rc;
}
