// Retrieval benchmark: the grid against a plain ODBC block loop and Qt's own QSqlQuery, on
// tables that the program builds in the database it is pointed at, the linked view's master
// click against the same statements in the plain loop, and the program's start-up against a
// minimal Qt Widgets program's. bench/README.md says how to run it and what each figure means.
// The last two lines printed are the W1 speed-up over QSqlQuery and the W1 ratio of the shown
// grid to the faster plain loop; the start-up ratio comes right before them, and the ratio of a
// Save with the guarded WHERE clause to one with the key alone before that.

#include "database.h"
#include "harness.h"
#include "measure.h"
#include "workloads.h"

#include <QApplication>
#include <QCommandLineParser>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>

namespace {

using namespace bench;

struct Outcome {
    W1Outcome w1;
    SaveAsOutcome e1;
    U1Outcome u1;
    StartupOutcome startup;
    SortOutcome sort;
    ScriptOutcome script;
};

Outcome runBench(const Settings& settings, Report& report) {
    Outcome outcome;
    // S1 first, before the database server is kept busy building tables; it needs no database.
    if (settings.startup)
        outcome.startup = benchStartup(report);
    if (!settings.m1 && !settings.load && !settings.saveas && !settings.saveguard && !settings.w1 &&
        !settings.w4 && !settings.w5 && !settings.sort && !settings.script)
        return outcome;
    // M1 reads the sample tables only; L1, E1 and T1 read the W1 table.
    if (settings.load || settings.saveas || settings.w1 || settings.w4 || settings.w5 ||
        settings.sort)
        prepareTables(settings);
    ReportingMessageBoxes boxes;
    auto slot = connectSlot(settings, QStringLiteral("SQLCA"));
    GridBench bench(*slot, boxes);
    // M1 first: the W1 figures close the report.
    if (settings.m1)
        benchMonitor(settings, boxes, report);
    if (settings.load)
        benchLoad(settings, boxes, report);
    if (settings.saveas)
        outcome.e1 = benchSaveAs(settings, bench, boxes, report);
    if (settings.saveguard)
        outcome.u1 = benchSaveGuard(settings, *slot, bench, boxes, report);
    if (settings.sort)
        outcome.sort = benchSort(settings, bench, report);
    if (settings.script)
        outcome.script = benchScript(settings, boxes, report);
    if (settings.w1)
        outcome.w1 = benchW1(settings, *slot, boxes, bench, report);
    if (settings.w4)
        benchW4(settings, bench, report);
    if (settings.w5)
        benchW5(settings, bench, report);
    report.add(QStringLiteral("peak resident memory, whole run (ru_maxrss)"),
               QString::number(peakRssMiB(), 'f', 1) + QStringLiteral(" MiB"));
    return outcome;
}

QString lastLine(const char* name, const std::optional<double>& value) {
    return QString::fromLatin1(name) + u'=' +
           (value ? QString::number(*value, 'f', 2) : QStringLiteral("n/a"));
}

} // namespace

int main(int argc, char** argv) {
    // Always offscreen: the figures must not depend on a display.
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dorvane_bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Measures the grid's retrieval against a plain ODBC loop and QSqlQuery."));
    parser.addHelpOption();
    const QCommandLineOption dsn(QStringLiteral("dsn"), QStringLiteral("ODBC data source."),
                                 QStringLiteral("name"), QStringLiteral("SAMPLE"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("User."),
                                  QStringLiteral("name"), QStringLiteral("dorvane"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Password."),
                                      QStringLiteral("text"), QStringLiteral("dorvane"));
    const QCommandLineOption runs(QStringLiteral("runs"),
                                  QStringLiteral("Timed runs of each measurement (default 5)."),
                                  QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption only(
        QStringLiteral("only"),
        QStringLiteral("Workloads to run, of m1,load,saveas,saveguard,sort,script,w1,w4,w5,startup "
                       "(default all)."),
        QStringLiteral("list"),
        QStringLiteral("m1,load,saveas,saveguard,sort,script,w1,w4,w5,startup"));
    const QCommandLineOption contenders(
        QStringLiteral("w1"),
        QStringLiteral("W1 contenders, of grid,odbc-wchar,odbc-char,qsql,grid-hidden,grid-twice "
                       "(default all)."),
        QStringLiteral("list"),
        QStringLiteral("grid,odbc-wchar,odbc-char,qsql,grid-hidden,grid-twice"));
    const QCommandLineOption limit(
        QStringLiteral("w1-limit"),
        QStringLiteral("Read only the first n rows of the W1 table (for profiling runs)."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption strict(QStringLiteral("strict"),
                                    QStringLiteral("Exit with status 2 when a target is missed."));
    parser.addOptions({dsn, user, password, runs, only, contenders, limit, strict});
    parser.process(app);

    Settings settings;
    settings.dsn = parser.value(dsn);
    settings.user = parser.value(user);
    settings.password = parser.value(password);
    settings.runs = std::max(1, parser.value(runs).toInt());
    settings.w1Limit = std::max(0LL, parser.value(limit).toLongLong());
    settings.w1Contenders = parser.value(contenders).split(u',', Qt::SkipEmptyParts);
    const QStringList workloads = parser.value(only).split(u',', Qt::SkipEmptyParts);
    settings.w1 = workloads.contains(QStringLiteral("w1"));
    settings.w4 = workloads.contains(QStringLiteral("w4"));
    settings.w5 = workloads.contains(QStringLiteral("w5"));
    settings.m1 = workloads.contains(QStringLiteral("m1"));
    settings.load = workloads.contains(QStringLiteral("load"));
    settings.saveas = workloads.contains(QStringLiteral("saveas"));
    settings.saveguard = workloads.contains(QStringLiteral("saveguard"));
    settings.startup = workloads.contains(QStringLiteral("startup"));
    settings.sort = workloads.contains(QStringLiteral("sort"));
    settings.script = workloads.contains(QStringLiteral("script"));
    settings.strict = parser.isSet(strict);

    Report report;
    Outcome outcome;
    int status = 0;
    try {
        outcome = runBench(settings, report);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dorvane_bench: %s\n", error.what());
        status = 1;
    }
    report.print();
    if (status == 0 && settings.strict && report.anyFailed())
        status = 2;
    say(lastLine("sort_text_ratio_vs_stable_sort", outcome.sort.textRatio));
    say(lastLine("sort_number_ratio_vs_stable_sort", outcome.sort.numberRatio));
    say(lastLine("script_ratio_vs_plain_loop", outcome.script.ratio));
    say(lastLine("save_guard_ratio_vs_key_only", outcome.u1.ratioToKeyOnly));
    say(lastLine("startup_ratio_vs_minimal", outcome.startup.ratioToMinimal));
    say(lastLine("excel_ratio_vs_plain_loop", outcome.e1.excelRatio));
    say(lastLine("w1_cpu_ratio_vs_best_loop", outcome.w1.cpuRatio));
    say(lastLine("w1_cpu_ratio_worst_round", outcome.w1.cpuRatioWorstRound));
    say(lastLine("w1_speedup_vs_qsqlquery", outcome.w1.speedUpOverQt));
    say(lastLine("w1_ratio_vs_best_loop", outcome.w1.ratioToBestLoop));
    return status;
}
