// dorvane_soak: the program, started as src/app/main.cpp starts it, driven from inside by a
// hurried user of random clicks, keys, menu commands and queries (see monkey.h), until a crash,
// a hang or the end of the budget.
//
//   dorvane_soak --seed N [--round R] [--actions N] [--seconds S]
//
// Every action is one line "soak: #<number> d<depth> <what> <where>" on stderr; the same seed and
// round give the same choices again. Exit status: 0 when the budget was spent and the program
// closed in order, 10 when the program ended by itself in order (File > Exit, a failed logon) -
// scripts/soak then goes on with the next round - and 2 for a wrong command line. A hang (no
// event-loop turn for 10 s) and a crash end it by a signal.
//
// ODBC must find the sample database (ODBCSYSINI, ODBCINI: scripts/db start prints them);
// printing writes PDF files into DORVANE_PRINT_DIR, a temporary folder unless it is set.

#include "app/dorvane_app.h"
#include "app/library.h"
#include "platform/qtcompat.h"
#include "platform/style.h"
#include "platform/windows.h"
#include "soak/monkey.h"
#include "soak/watchdog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

struct Options {
    std::uint64_t seed = 1;
    int round = 0;
    soak::Budget budget;
};

[[noreturn]] void usage(const char* problem) {
    std::fprintf(stderr,
                 "dorvane_soak: %s\n"
                 "usage: dorvane_soak --seed N [--round R] [--actions N] [--seconds S]\n",
                 problem);
    std::exit(2);
}

// The soak's own options; Qt's (-platform ...) stay for the application object.
Options readOptions(int argc, char** argv) {
    Options options;
    bool seeded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h")
            usage("a soak test of random input");
        if (name != "--seed" && name != "--round" && name != "--actions" && name != "--seconds")
            continue;
        if (i + 1 >= argc)
            usage("an option needs a value");
        const char* value = argv[++i];
        char* end = nullptr;
        errno = 0;
        if (name == "--seconds") {
            options.budget.seconds = std::strtod(value, &end);
        } else {
            const unsigned long long number = std::strtoull(value, &end, 10);
            if (name == "--seed") {
                options.seed = number;
                seeded = true;
            } else if (name == "--round") {
                options.round = static_cast<int>(number);
            } else {
                options.budget.actions = static_cast<long>(number);
            }
        }
        if (end == value || *end != '\0' || errno != 0)
            usage("not a number");
    }
    if (!seeded)
        usage("--seed is required");
    return options;
}

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform says this for every window; it says nothing about the program.
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("This plugin does not support")))
        return;
    defaultHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv) {
    const Options options = readOptions(argc, argv);
    soak::printStackOnFatalSignals();

    // Saved rows and printed pages go to a folder of the run's own.
    const QTemporaryDir files;
    if (!files.isValid())
        usage("cannot create a temporary folder");
    if (qEnvironmentVariableIsEmpty("DORVANE_PRINT_DIR")) {
        const QString print = QDir(files.path()).filePath(QStringLiteral("print"));
        QDir().mkpath(print);
        qputenv("DORVANE_PRINT_DIR", QFile::encodeName(print));
    }
    defaultHandler = qInstallMessageHandler(quietOffscreen);

    // As the program starts.
    platform::compat::prepareApplication();
    QApplication application(argc, argv);
    QApplication::setStyle(new platform::ApplicationStyle);
    QApplication::setDesktopFileName(QStringLiteral("org.dorvane.Dorvane"));
    QApplication::setQuitOnLastWindowClosed(true);
    app::registerLibraryClasses();

    soak::ActionLog log;
    soak::ActionLog::say("seed " + std::to_string(options.seed) + " round " +
                         std::to_string(options.round) + " (replay: dorvane_soak --seed " +
                         std::to_string(options.seed) + " --round " +
                         std::to_string(options.round) + ")");
    std::optional<soak::Watchdog> watchdog;
    watchdog.emplace(log, std::chrono::seconds(10));
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&watchdog] { watchdog->beat(); });
    heartbeat.start(100);

    QElapsedTimer clock;
    clock.start();
    soak::Monkey monkey(options.seed, options.round, options.budget, files.path(), log);
    monkey.start();

    app::dorvane_app dorvane;
    dorvane.create();
    dorvane.open(QString());
    int rc = 0;
    const bool opened = platform::currentFrame() != nullptr;
    if (!opened)
        rc = 1;
    else if (!platform::halted())
        rc = QApplication::exec();
    heartbeat.stop();
    dorvane.destroy();
    watchdog.reset();

    const bool closedBySoak = monkey.closing();
    soak::ActionLog::say(
        "end seed=" + std::to_string(options.seed) + " round=" + std::to_string(options.round) +
        " actions=" + std::to_string(monkey.actions()) +
        " seconds=" + std::to_string(clock.elapsed() / 1000) + " status=" + std::to_string(rc) +
        (closedBySoak ? " reason=budget" : " reason=ended"));
    if (!opened)
        return 1; // the frame never opened: the runtime error has been shown
    return closedBySoak ? 0 : 10;
}
