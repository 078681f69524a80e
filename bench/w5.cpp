#include "workloads.h"

#include "database.h"

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <vector>

namespace bench {

void benchW5(const Settings& settings, GridBench& bench, Report& report) {
    // W5a: Stop 1 s into a 10,000,000-row retrieval, as the Stop button does it: RetrieveRow
    // answers 1 once the flag is up.
    {
        bench.build(w4Select());
        std::vector<double> times;
        std::vector<long> kept;
        double stall = 0;
        for (int round = 0; round <= settings.runs; ++round) {
            bench.clear();
            bool stop = false;
            std::optional<Clock::time_point> stoppedAt;
            QTimer stopButton;
            stopButton.setSingleShot(true);
            stopButton.setTimerType(Qt::PreciseTimer);
            QObject::connect(&stopButton, &QTimer::timeout, &stopButton, [&] {
                stop = true;
                stoppedAt = Clock::now();
            });
            stopButton.start(1000);
            const GridRun run = bench.retrieve([&stop](long) -> long { return stop ? 1 : 0; });
            const auto end = Clock::now();
            if (!stoppedAt)
                throw BenchError(QStringLiteral("W5: the retrieval ended before the stop"));
            const double seconds = secondsBetween(*stoppedAt, end);
            if (round > 0) {
                times.push_back(seconds);
                kept.push_back(run.rows);
                stall = std::max(stall, run.stallMs);
            }
            if (seconds > kGiveUpSeconds) {
                if (times.empty())
                    times.push_back(seconds);
                break;
            }
        }
        bench.clear();
        QStringList keptText;
        for (const long k : kept)
            keptText << QString::number(k);
        say(QStringLiteral("W5 stop during fetch, runs (ms): %1; rows kept: %2")
                .arg(secondsList(times, 1000.0, 2), keptText.join(QStringLiteral(" "))));
        report.add(QStringLiteral("W5 Stop 1 s into 10,000,000 rows -> Retrieve() returns, "
                                  "median of %1")
                       .arg(times.size()),
                   ms(median(times)), QStringLiteral("< %1 ms").arg(kW5FetchMaxMs, 0, 'f', 0),
                   median(times) < kW5FetchMaxMs);
        report.add(QStringLiteral("W5 longest event-loop stall during the stopped fetch"),
                   QString::number(stall, 'f', 1) + QStringLiteral(" ms"),
                   QStringLiteral("<= %1 ms").arg(kMaxStallMs, 0, 'f', 0), stall <= kMaxStallMs);
    }

    // W5b: DBCancel() 1 s into a statement that the server is still executing.
    {
        bench.build(QStringLiteral("select pg_sleep(60)"));
        std::vector<double> times;
        for (int round = 0; round <= settings.runs; ++round) {
            bench.clear();
            std::optional<Clock::time_point> cancelledAt;
            QTimer cancel;
            cancel.setSingleShot(true);
            cancel.setTimerType(Qt::PreciseTimer);
            QObject::connect(&cancel, &QTimer::timeout, &cancel, [&] {
                cancelledAt = Clock::now();
                bench.grid().DBCancel();
            });
            cancel.start(1000);
            bench.retrieve([](long) -> long { return 0; });
            const auto end = Clock::now();
            if (!cancelledAt)
                throw BenchError(QStringLiteral("W5: the sleeping statement ended before Stop"));
            const double seconds = secondsBetween(*cancelledAt, end);
            if (round > 0)
                times.push_back(seconds);
            if (seconds > kGiveUpSeconds) {
                if (times.empty())
                    times.push_back(seconds);
                break;
            }
        }
        bench.clear();
        say(QStringLiteral("W5 cancel of select pg_sleep(60), runs (ms): %1")
                .arg(secondsList(times, 1000.0, 2)));
        report.add(QStringLiteral("W5 DBCancel() during select pg_sleep(60) -> Retrieve() "
                                  "returns, median of %1")
                       .arg(times.size()),
                   ms(median(times)), QStringLiteral("< %1 ms").arg(kW5SleepMaxMs, 0, 'f', 0),
                   median(times) < kW5SleepMaxMs);
    }
}

} // namespace bench
