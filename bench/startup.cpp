#include "workloads.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace bench {

namespace {

constexpr int kStartupWarmUps = 3;
constexpr int kStartupRuns = 15;

// One program to start: its path and arguments, and the seconds of its timed runs.
struct Starter {
    QString path;
    QStringList arguments;
    std::vector<double> times;
};

QString besideThisProgram(const QString& name) {
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    if (!QFileInfo(path).isExecutable())
        throw BenchError(QStringLiteral("S1: %1 is missing; build it first").arg(path));
    return path;
}

// Starts the program with its output thrown away and its errors kept in `errors`, and returns
// the seconds from just before it is started to its exit. A program that does not exit with
// status 0 ends the run with what it wrote to its standard error.
double timedRun(const Starter& starter, QTemporaryFile& errors) {
    std::vector<QByteArray> texts{QFile::encodeName(starter.path)};
    for (const QString& argument : starter.arguments)
        texts.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    const QByteArray errorFile = QFile::encodeName(errors.fileName());

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    int status = 0;
    const auto start = Clock::now();
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    if (failed == 0)
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    const auto end = Clock::now();
    posix_spawn_file_actions_destroy(&actions);

    if (failed != 0)
        throw BenchError(QStringLiteral("S1: cannot start %1: %2")
                             .arg(starter.path, QString::fromLocal8Bit(std::strerror(failed))));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        QFile written(errors.fileName());
        written.open(QIODevice::ReadOnly);
        throw BenchError(QStringLiteral("S1: %1 %2 ended with status %3: %4")
                             .arg(starter.path, starter.arguments.join(u' '))
                             .arg(WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status))
                             .arg(QString::fromLocal8Bit(written.readAll().trimmed())));
    }
    return secondsBetween(start, end);
}

} // namespace

StartupOutcome benchStartup(Report& report) {
    Starter dorvane{
        besideThisProgram(QStringLiteral("dorvane")), {QStringLiteral("--check-start")}, {}};
    Starter minimal{besideThisProgram(QStringLiteral("dorvane_startup_minimal")), {}, {}};
    QTemporaryFile errors;
    if (!errors.open())
        throw BenchError(QStringLiteral("S1: cannot create a temporary file"));

    // The two programs alternate, and each round starts with the other one, so that neither
    // always runs right after the other.
    for (int round = 0; round < kStartupWarmUps + kStartupRuns; ++round) {
        Starter* order[2] = {&dorvane, &minimal};
        if (round % 2 == 1)
            std::swap(order[0], order[1]);
        for (Starter* starter : order) {
            const double seconds = timedRun(*starter, errors);
            if (round >= kStartupWarmUps)
                starter->times.push_back(seconds);
        }
    }

    say(QStringLiteral("S1 start-up runs (ms): dorvane --check-start %1; minimal %2")
            .arg(secondsList(dorvane.times, 1000.0, 1), secondsList(minimal.times, 1000.0, 1)));
    const double ours = median(dorvane.times);
    const double least = median(minimal.times);
    const double ratio = ours / least;
    report.add(QStringLiteral("S1 start-up, dorvane --check-start: exec to exit once the logon "
                              "is shown, median of %1")
                   .arg(kStartupRuns),
               ms(ours));
    report.add(QStringLiteral("S1 start-up, minimal Qt Widgets program showing one dialog, "
                              "median of %1")
                   .arg(kStartupRuns),
               ms(least));
    report.add(QStringLiteral("S1 start-up ratio dorvane / minimal"),
               QString::number(ratio, 'f', 2),
               QStringLiteral("<= %1").arg(kStartupMaxRatio, 0, 'f', 2), ratio <= kStartupMaxRatio);
    return {ratio};
}

} // namespace bench
