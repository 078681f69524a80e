#include "app/dorvane_app.h"
#include "app/library.h"
#include "platform/memorylimit.h"
#include "platform/module.h"
#include "platform/qtcompat.h"
#include "platform/style.h"
#include "platform/windows.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEvent>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

QString describe() {
    return QStringLiteral("Dorvane: a desktop browser for IBM Db2 databases reached through ODBC.");
}

struct CommandLine {
    QStringList arguments;
    bool checkStart = false;
    bool checkModules = false;
    std::optional<std::uint64_t> rowMemory;
};

// Qt's own options (-platform offscreen, -style fusion, -reverse ...) are left to the
// application object: known to `parser` only so that they are not refused.
void acceptQtOptions(QCommandLineParser& parser) {
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
}

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
    const QCommandLineOption checkModules(
        QStringLiteral("check-modules"),
        QStringLiteral("Load the libraries that the program loads only when first needed (the SQL "
                       "workspace, printing, Excel files), name any that cannot be loaded, and "
                       "exit with status 0 when all load (1 otherwise)."));
    parser.addOption(checkModules);
    const QCommandLineOption rowMemory(
        QStringLiteral("row-memory"),
        QStringLiteral("The memory that the rows of all grids may hold together, such as 512M or "
                       "2G (bytes, or K, M, G, T for powers of 1024); a retrieval that would go "
                       "past it stops and keeps the rows read so far. Instead of "
                       "DORVANE_ROW_MEMORY; the default is half of the memory that the program "
                       "may use."),
        QStringLiteral("size"));
    parser.addOption(rowMemory);
    acceptQtOptions(parser);
    parser.process(core); // exits after printing --help or --version
    CommandLine line{parser.positionalArguments(), parser.isSet(checkStart),
                     parser.isSet(checkModules), std::nullopt};
    if (parser.isSet(rowMemory)) {
        line.rowMemory = platform::parseMemorySize(parser.value(rowMemory));
        if (!line.rowMemory) {
            std::fprintf(stderr, "dorvane: --row-memory: '%s' is not a size such as 512M or 2G\n",
                         qUtf8Printable(parser.value(rowMemory)));
            std::exit(1);
        }
    } else if (const QString size = qEnvironmentVariable("DORVANE_ROW_MEMORY");
               !size.isEmpty() && !platform::parseMemorySize(size)) {
        std::fprintf(stderr,
                     "dorvane: DORVANE_ROW_MEMORY: '%s' is not a size such as 512M or 2G; "
                     "the default limit applies\n",
                     qUtf8Printable(size));
    }
    return line;
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

// For --check-modules: every library loaded on first use, with a function it must offer.
int checkModules() {
    struct Entry {
        const char* module;
        const char* function;
    };
    int failed = 0;
    for (const Entry& entry : {Entry{"dorvane_sqlpad", "dorvane_new_w_sqlpad"},
                               Entry{"dorvane_printer", "dorvane_open_printer"},
                               Entry{"dorvane_xlsx", "dorvane_open_excel_book"}}) {
        QString error;
        if (platform::moduleFunction(QString::fromLatin1(entry.module), entry.function, error) ==
            nullptr) {
            std::fprintf(stderr, "%s\n", qUtf8Printable(error));
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine commandLine = answerCommandLine(argc, argv);
    if (commandLine.checkModules)
        return checkModules(); // needs no display
    if (commandLine.rowMemory)
        platform::setRowMemoryLimit(*commandLine.rowMemory);

    platform::compat::prepareApplication();
    QApplication application(argc, argv);
    QApplication::setStyle(new platform::ApplicationStyle);
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
