#include "workloads.h"

#include "database.h"
#include "loops.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace bench {

using platform::Transaction;

namespace {

// The contenders of round `round`. Each round starts with the next contender, so that none
// always runs after another; the SQL_C_CHAR loop runs right beside the shown grid (after it in
// one round, before it in the next), so that a round's processor-time ratio compares two runs
// made close together: the machine's speed drifts over the seconds between two runs further
// apart.
QStringList roundOrder(const QStringList& contenders, int round) {
    const QString grid = QStringLiteral("grid");
    const QString loop = QStringLiteral("odbc-char");
    const bool paired = contenders.contains(grid) && contenders.contains(loop);
    QStringList order;
    for (qsizetype k = 0; k < contenders.size(); ++k) {
        const QString& who = contenders[(k + round) % contenders.size()];
        if (paired && who == loop)
            continue;
        if (paired && who == grid)
            order << (round % 2 == 0 ? QStringList{grid, loop} : QStringList{loop, grid});
        else
            order << who;
    }
    return order;
}

// The grid's processor time over the SQL_C_CHAR loop's, round by round (the rounds run both).
void outcomeCpu(const std::map<QString, std::vector<double>>& clientCpu, Report& report,
                W1Outcome& outcome) {
    const auto grid = clientCpu.find(QStringLiteral("grid"));
    const auto loop = clientCpu.find(QStringLiteral("odbc-char"));
    if (grid == clientCpu.end() || loop == clientCpu.end() || grid->second.empty())
        return;
    std::vector<double> ratios;
    for (std::size_t i = 0; i < grid->second.size() && i < loop->second.size(); ++i)
        ratios.push_back(grid->second[i] / loop->second[i]);
    const double worst = *std::max_element(ratios.begin(), ratios.end());
    outcome.cpuRatio = median(ratios);
    outcome.cpuRatioWorstRound = worst;
    QStringList each;
    for (const double ratio : ratios)
        each << QString::number(ratio, 'f', 2);
    say(QStringLiteral("W1 processor time, grid / SQL_C_CHAR loop, by round: ") +
        each.join(QStringLiteral(" ")));
    report.add(QStringLiteral("W1 processor time of the process, grid / SQL_C_CHAR loop, median "
                              "of the rounds"),
               QString::number(*outcome.cpuRatio, 'f', 2) + u'x');
    report.add(QStringLiteral("W1 processor time of the process, grid / SQL_C_CHAR loop, worst "
                              "round"),
               QString::number(worst, 'f', 2) + u'x',
               QStringLiteral("<= %1x").arg(kW1MaxCpuRatio, 0, 'f', 2), worst <= kW1MaxCpuRatio);
}

} // namespace

W1Outcome benchW1(const Settings& settings, Transaction& slot, ReportingMessageBoxes& boxes,
                  GridBench& bench, Report& report) {
    QString sql = w1Select();
    if (settings.w1Limit > 0)
        sql += QStringLiteral(" fetch first %1 rows only").arg(settings.w1Limit);
    const long long expected = settings.w1Limit > 0 ? std::min(settings.w1Limit, kW1Rows) : kW1Rows;
    say(QStringLiteral("W1: %1").arg(sql));
    bench.build(sql);
    // The same grid never shown: what the retrieval costs without painting.
    std::unique_ptr<GridBench> hidden;
    if (settings.w1Contenders.contains(QStringLiteral("grid-hidden"))) {
        hidden = std::make_unique<GridBench>(slot, boxes, false);
        hidden->build(sql);
    }

    QtConnectionName qtName;
    std::optional<QSqlDatabase> qtDb;
    if (settings.w1Contenders.contains(QStringLiteral("qsql"))) {
        qtDb = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), qtName.name);
        if (!qtDb->isValid())
            throw BenchError(QStringLiteral("Qt's ODBC driver (QODBC) is not installed: install "
                                            "libqt6sql6-odbc, or leave qsql out with --w1"));
        qtDb->setDatabaseName(settings.dsn);
        qtDb->setUserName(settings.user);
        qtDb->setPassword(settings.password);
        if (!qtDb->open())
            throw BenchError(QStringLiteral("QODBC cannot connect: ") + qtDb->lastError().text());
    }

    // The server processes that serve the two connections, for their CPU time.
    const long long slotPid =
        queryNumber(slot.handle(), QStringLiteral("select pg_backend_pid()")).value_or(0);
    slot.Rollback();
    long long qtPid = 0;
    if (qtDb) {
        QSqlQuery query(*qtDb);
        if (query.exec(QStringLiteral("select pg_backend_pid()")) && query.next())
            qtPid = query.value(0).toLongLong();
    }

    std::map<QString, std::vector<double>> times;
    std::map<QString, std::vector<double>> clientCpu;
    std::map<QString, std::vector<double>> mainCpu;
    std::map<QString, std::vector<double>> serverCpu;
    std::vector<double> stalls;
    std::vector<double> twiceStalls;
    std::vector<double> after;
    std::vector<double> paints;
    double paintSeconds = 0.0;
    const double rssBefore = currentRssMiB();
    const QString loadBefore = loadAverage();
    // What the rest of the machine did meanwhile: busy time less this program's and its servers'.
    const auto ownCpu = [&] {
        return processCpuSeconds() + serverCpuSeconds(slotPid) + serverCpuSeconds(qtPid);
    };
    const MachineCpu machineBefore = machineCpu();
    const double ownBefore = ownCpu();
    const auto w1Start = Clock::now();
    long long nullsSeen = -1;
    unsigned long long textBytes = 0;
    const QStringList& order = settings.w1Contenders;

    const auto checkRows = [expected](const QString& who, long long rows) {
        if (rows != expected)
            throw BenchError(
                QStringLiteral("%1 read %2 rows, not %3").arg(who).arg(rows).arg(expected));
    };
    const auto checkNulls = [&nullsSeen](const QString& who, long long nulls) {
        if (nullsSeen >= 0 && nulls != nullsSeen)
            throw BenchError(
                QStringLiteral("%1 saw %2 NULLs, not %3").arg(who).arg(nulls).arg(nullsSeen));
        nullsSeen = nulls;
    };

    for (int round = 0; round <= settings.runs; ++round) {
        QStringList line;
        for (const QString& who : roundOrder(order, round)) {
            double seconds = 0;
            CpuMark cpu;
            if (who == u"grid" || who == u"grid-hidden" || who == u"grid-twice") {
                GridBench& target = who == u"grid-hidden" ? *hidden : bench;
                target.clear();
                if (who == u"grid-twice") {
                    // The first retrieval is not timed; its rows are still in the grid when
                    // the timed one starts, as when a user retrieves again.
                    const GridRun first = target.retrieve([](long) -> long { return 0; });
                    checkRows(who, first.rows);
                }
                const CpuMark cpuStart = cpuNow(slotPid);
                const GridRun run = target.retrieve([](long) -> long { return 0; });
                cpu = cpuSince(cpuStart, slotPid);
                checkRows(who, run.rows);
                if (run.handlerCalls != run.rows)
                    throw BenchError(QStringLiteral("RetrieveRow was raised %1 times for %2 rows")
                                         .arg(run.handlerCalls)
                                         .arg(run.rows));
                seconds = run.seconds;
                if (round > 0 && who == u"grid") {
                    stalls.push_back(run.stallMs);
                    after.push_back(run.afterSeconds);
                    paints.push_back(static_cast<double>(run.paints));
                }
                if (round > 0 && who == u"grid-twice")
                    twiceStalls.push_back(run.stallMs);
                say(QStringLiteral("  %1: longest stall %2 ms, ending %3 s into the retrieval; "
                                   "%4 paints")
                        .arg(who)
                        .arg(run.stallMs, 0, 'f', 1)
                        .arg(run.stallEndSeconds, 0, 'f', 3)
                        .arg(run.paints));
                if (who == u"grid" && paintSeconds == 0.0)
                    paintSeconds = bench.paintSeconds(20);
                target.clear();
            } else if (who == u"odbc-wchar" || who == u"odbc-char") {
                const CpuMark cpuStart = cpuNow(slotPid);
                const auto start = Clock::now();
                const LoopResult r = who == u"odbc-wchar" ? blockLoop<char16_t>(slot.handle(), sql)
                                                          : blockLoop<char>(slot.handle(), sql);
                seconds = secondsBetween(start, Clock::now());
                cpu = cpuSince(cpuStart, slotPid);
                slot.Rollback();
                checkRows(who, r.rows);
                checkNulls(who, r.nulls);
                if (who == u"odbc-char")
                    textBytes = r.textBytes;
            } else if (who == u"qsql") {
                const CpuMark cpuStart = cpuNow(qtPid);
                const auto start = Clock::now();
                const QtLoopResult r = qtLoop(*qtDb, sql);
                seconds = secondsBetween(start, Clock::now());
                cpu = cpuSince(cpuStart, qtPid);
                checkRows(who, r.rows);
                checkNulls(who, r.nulls);
            } else {
                throw BenchError(QStringLiteral("unknown W1 contender ") + who);
            }
            if (round > 0) {
                times[who].push_back(seconds);
                clientCpu[who].push_back(cpu.client);
                mainCpu[who].push_back(cpu.main);
                serverCpu[who].push_back(cpu.server);
            }
            line << QStringLiteral("%1 %2 s (cpu %3 [ui %4] + %5)")
                        .arg(who)
                        .arg(seconds, 0, 'f', 3)
                        .arg(cpu.client, 0, 'f', 3)
                        .arg(cpu.main, 0, 'f', 3)
                        .arg(cpu.server, 0, 'f', 2);
        }
        say(QStringLiteral("W1 %1: %2")
                .arg(round == 0 ? QStringLiteral("warm-up") : QStringLiteral("run %1").arg(round),
                     line.join(QStringLiteral(", "))));
    }

    qtDb.reset();

    const auto label = [](const QString& who) {
        if (who == u"grid")
            return QStringLiteral("W1 grid Retrieve()");
        if (who == u"grid-hidden")
            return QStringLiteral("W1 grid Retrieve(), grid never shown, for information");
        if (who == u"grid-twice")
            return QStringLiteral("W1 grid Retrieve(), second retrieval in a row");
        if (who == u"odbc-wchar")
            return QStringLiteral("W1 plain ODBC block loop, SQL_C_WCHAR");
        if (who == u"odbc-char")
            return QStringLiteral("W1 plain ODBC block loop, SQL_C_CHAR");
        return QStringLiteral("W1 QSqlQuery (QODBC, forward-only)");
    };
    for (const QString& who : order)
        say(QStringLiteral("%1 runs (s): %2").arg(label(who), secondsList(times[who], 1.0, 3)));
    for (const QString& who : order)
        report.add(label(who) + QStringLiteral(", median of %1").arg(settings.runs),
                   sec(median(times[who])));
    for (const QString& who : order)
        report.add(label(who) + QStringLiteral(", CPU client + server"),
                   QStringLiteral("%1 + %2 s")
                       .arg(median(clientCpu[who]), 0, 'f', 2)
                       .arg(median(serverCpu[who]), 0, 'f', 2));
    for (const QString& who :
         {QStringLiteral("grid"), QStringLiteral("grid-hidden"), QStringLiteral("grid-twice")})
        if (order.contains(who))
            report.add(label(who) + QStringLiteral(", CPU of the user-interface thread"),
                       sec(median(mainCpu[who])));
    report.add(QStringLiteral("load average (1 min) before W1 / after W1"),
               loadBefore + QStringLiteral(" / ") + loadAverage());
    const MachineCpu machineAfter = machineCpu();
    const double others = (machineAfter.busy - machineBefore.busy) - (ownCpu() - ownBefore) -
                          (machineAfter.steal - machineBefore.steal);
    report.add(QStringLiteral("CPU time of other processes during W1 / wall time of W1"),
               QStringLiteral("%1 / %2 s")
                   .arg(std::max(0.0, others), 0, 'f', 1)
                   .arg(secondsBetween(w1Start, Clock::now()), 0, 'f', 1));
    report.add(QStringLiteral("CPU time taken by the hypervisor (steal) during W1"),
               QStringLiteral("%1 s").arg(machineAfter.steal - machineBefore.steal, 0, 'f', 1));

    W1Outcome outcome;
    const auto has = [&times](const QString& who) {
        return times.count(who) > 0;
    };
    const auto med = [&times](const QString& who) {
        return median(times.at(who));
    };
    // The limit: the faster of the two plain loops measured in this run.
    std::optional<double> bestLoop;
    QString bestLoopName;
    for (const QString& loop : {QStringLiteral("odbc-char"), QStringLiteral("odbc-wchar")}) {
        if (has(loop) && (!bestLoop || med(loop) < *bestLoop)) {
            bestLoop = med(loop);
            bestLoopName =
                loop == u"odbc-char" ? QStringLiteral("SQL_C_CHAR") : QStringLiteral("SQL_C_WCHAR");
        }
    }
    const QString overBest = QStringLiteral(" / best plain ODBC loop (%1)").arg(bestLoopName);
    const auto ratioFigure = [&](const QString& who, const QString& name, bool judged) {
        if (!has(who) || !bestLoop)
            return std::optional<double>();
        const double ratio = med(who) / *bestLoop;
        if (judged)
            report.add(name + overBest, QString::number(ratio, 'f', 2) + u'x',
                       QStringLiteral("<= %1x").arg(kW1MaxRatioToBestLoop, 0, 'f', 2),
                       ratio <= kW1MaxRatioToBestLoop);
        else
            report.add(name + overBest + QStringLiteral(", for information"),
                       QString::number(ratio, 'f', 2) + u'x');
        return std::optional<double>(ratio);
    };
    outcome.ratioToBestLoop =
        ratioFigure(QStringLiteral("grid"), QStringLiteral("W1 ratio grid"), true);
    ratioFigure(QStringLiteral("grid-twice"),
                QStringLiteral("W1 ratio grid, second retrieval in a row"), true);
    ratioFigure(QStringLiteral("grid-hidden"), QStringLiteral("W1 ratio grid never shown"), false);
    const bool haveGrid = has(QStringLiteral("grid"));
    if (haveGrid && has(QStringLiteral("qsql"))) {
        const double speedUp = med(QStringLiteral("qsql")) / med(QStringLiteral("grid"));
        outcome.speedUpOverQt = speedUp;
        report.add(QStringLiteral("W1 speed-up of the grid over QSqlQuery"),
                   QString::number(speedUp, 'f', 2) + u'x',
                   QStringLiteral(">= %1x").arg(kW1MinSpeedUpOverQt, 0, 'f', 2),
                   speedUp >= kW1MinSpeedUpOverQt);
    }
    outcomeCpu(clientCpu, report, outcome);
    if (textBytes > 0)
        report.add(QStringLiteral("W1 text per row as the driver sends it (SQL_C_CHAR)"),
                   QString::number(static_cast<double>(textBytes) / static_cast<double>(expected),
                                   'f', 1) +
                       QStringLiteral(" B"));

    if (!twiceStalls.empty()) {
        const double longest = *std::max_element(twiceStalls.begin(), twiceStalls.end());
        report.add(QStringLiteral("W1 longest event-loop stall, second retrieval in a row"),
                   QString::number(longest, 'f', 1) + QStringLiteral(" ms"),
                   QStringLiteral("<= %1 ms").arg(kMaxStallMs, 0, 'f', 0), longest <= kMaxStallMs);
    }
    if (haveGrid) {
        report.add(QStringLiteral("W1 longest event-loop stall during Retrieve()"),
                   QString::number(*std::max_element(stalls.begin(), stalls.end()), 'f', 1) +
                       QStringLiteral(" ms"),
                   QStringLiteral("<= %1 ms").arg(kMaxStallMs, 0, 'f', 0),
                   *std::max_element(stalls.begin(), stalls.end()) <= kMaxStallMs);
        report.add(QStringLiteral("W1 queued work handled after Retrieve() returned, longest"),
                   ms(*std::max_element(after.begin(), after.end())));
        report.add(QStringLiteral("W1 paints of the cell area per Retrieve(), median"),
                   QString::number(median(paints), 'f', 0));
        report.add(QStringLiteral("W1 one paint of the full cell area, median of 20"),
                   ms(paintSeconds));
        report.add(QStringLiteral("W1 paints x one paint: painting time per Retrieve()"),
                   sec(median(paints) * paintSeconds));

        // One more retrieval, for memory: heap in use before and after, the rows staying.
        bench.clear();
        releaseFreedMemory();
        const std::size_t heapBefore = heapInUse();
        const double rssStart = currentRssMiB();
        const GridRun run = bench.retrieve([](long) -> long { return 0; });
        checkRows(QStringLiteral("grid"), run.rows);
        const std::size_t heapAfter = heapInUse();
        const double perRow = (static_cast<double>(heapAfter) - static_cast<double>(heapBefore)) /
                              static_cast<double>(run.rows);
        const double ownPerRow = static_cast<double>(bench.grid().rows().allocatedBytes()) /
                                 static_cast<double>(run.rows);
        say(QStringLiteral("W1 memory run: %1 s, heap %2 -> %3 bytes, RSS %4 -> %5 MiB")
                .arg(run.seconds, 0, 'f', 3)
                .arg(heapBefore)
                .arg(heapAfter)
                .arg(rssStart, 0, 'f', 1)
                .arg(currentRssMiB(), 0, 'f', 1));
        report.add(QStringLiteral("W1 heap and mapped row chunks per stored row (after - before)"),
                   QString::number(perRow, 'f', 1) + QStringLiteral(" B"),
                   QStringLiteral("<= %1 B").arg(kMaxHeapPerRow, 0, 'f', 0),
                   perRow <= kMaxHeapPerRow);
        report.add(QStringLiteral("W1 grid's own count, rows().allocatedBytes() per row"),
                   QString::number(ownPerRow, 'f', 1) + QStringLiteral(" B"));
        report.add(QStringLiteral("W1 resident memory growth per stored row"),
                   QString::number((currentRssMiB() - rssStart) * 1024.0 * 1024.0 /
                                       static_cast<double>(run.rows),
                                   'f', 1) +
                       QStringLiteral(" B"));
        report.add(QStringLiteral("W1 stall during the memory run"),
                   QString::number(run.stallMs, 'f', 1) + QStringLiteral(" ms"),
                   QStringLiteral("<= %1 ms").arg(kMaxStallMs, 0, 'f', 0),
                   run.stallMs <= kMaxStallMs);
        bench.clear();
    }
    report.add(QStringLiteral("resident memory before W1"),
               QString::number(rssBefore, 'f', 1) + QStringLiteral(" MiB"));
    report.add(QStringLiteral("peak resident memory after W1 (ru_maxrss)"),
               QString::number(peakRssMiB(), 'f', 1) + QStringLiteral(" MiB"));
    return outcome;
}

} // namespace bench
