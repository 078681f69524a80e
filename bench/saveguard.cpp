// U1: a Save of 1,000 edited rows, each UPDATE comparing the cell it sets with the value that was
// read (what the grid's Update() writes), against the same statements comparing the key alone.

#include "workloads.h"

#include "database.h"

#include "platform/grid/save.h"

#include <algorithm>
#include <sqlext.h>
#include <vector>

namespace bench {
namespace {

using platform::grid::RowCheck;

constexpr long kU1Rows = 1000;
// Rounds of both variants at the least: one round is a fraction of a second.
constexpr int kU1MinRuns = 9;

// bench.u1 made anew: a key and four columns of the kinds a Save compares.
void prepareSaveTable(const Settings& settings) {
    auto setup = connectSlot(settings, QStringLiteral("SETUP"));
    SQLSetConnectAttrW(setup->handle(), SQL_ATTR_AUTOCOMMIT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)), 0);
    execute(setup->handle(), QStringLiteral("create schema if not exists bench"));
    execute(setup->handle(), QStringLiteral("drop table if exists bench.u1"));
    execute(setup->handle(),
            QStringLiteral("create table bench.u1 (id integer primary key, name varchar(40), "
                           "city varchar(30), amount decimal(12,2), day date)"));
    execute(setup->handle(),
            QStringLiteral("insert into bench.u1 select g, 'name ' || g, 'city ' || (g % 97), "
                           "(g * 7919 % 100000) / 100.0, date '2000-01-01' + g "
                           "from generate_series(1, %1) as g")
                .arg(kU1Rows));
    execute(setup->handle(), QStringLiteral("vacuum analyze bench.u1"));
}

} // namespace

U1Outcome benchSaveGuard(const Settings& settings, platform::Transaction& slot, GridBench& bench,
                         ReportingMessageBoxes& boxes, Report& report) {
    prepareSaveTable(settings);
    const QString sql = QStringLiteral("select id, name, city, amount, day from bench.u1");
    say(QStringLiteral("U1: Save of %1 edited rows of %2").arg(kU1Rows).arg(sql));
    bench.build(sql);
    bench.clear();
    const GridRun retrieved = bench.retrieve([](long) -> long { return 0; });
    platform::grid::DataWindow& grid = bench.grid();
    if (retrieved.rows != kU1Rows)
        throw BenchError(QStringLiteral("U1: the grid retrieved %1 rows, not %2")
                             .arg(retrieved.rows)
                             .arg(kU1Rows));
    if (grid.definition().columns.empty() || !grid.definition().columns[0].key)
        throw BenchError(QStringLiteral("U1: the grid does not know the key of bench.u1"));
    for (long row = 1; row <= kU1Rows; ++row) {
        if (grid.SetItem(row, 3, QStringLiteral("moved %1").arg(row)) != 1)
            throw BenchError(QStringLiteral("U1: row %1 cannot be edited").arg(row));
    }
    const platform::grid::GridData& data = grid.rows();
    const platform::grid::GridDefinition& def = data.definition();

    // One Save as Update() runs it, without accepting the changes, so that the rows stay edited
    // and the next round writes the same; the ROLLBACK that follows is not timed.
    const auto save = [&](RowCheck check) {
        const auto start = Clock::now();
        const auto statements = platform::grid::saveStatements(data, data.pendingChanges(), check);
        const platform::grid::SaveOutcome outcome =
            platform::grid::runSaveStatements(slot.connection(), def, statements);
        const double seconds = secondsBetween(start, Clock::now());
        slot.Rollback();
        if (statements.size() != static_cast<std::size_t>(kU1Rows) ||
            outcome.failed != platform::grid::SaveOutcome::kAllDone)
            throw BenchError(QStringLiteral("U1: %1 statements; statement %2 changed %3 rows %4")
                                 .arg(statements.size())
                                 .arg(outcome.failed)
                                 .arg(outcome.touched)
                                 .arg(outcome.error.text()));
        if (check == RowCheck::ReadValues &&
            !statements.front().statement.sql.endsWith(QStringLiteral("AND \"city\" = ?")))
            throw BenchError(QStringLiteral("U1: the statement does not compare the cell it "
                                            "sets: ") +
                             statements.front().statement.sql);
        return seconds;
    };

    const QString loadBefore = loadAverage();
    const int runs = std::max(settings.runs, kU1MinRuns);
    const AlternatedTimes times = alternateRounds(
        runs, [&] { return save(RowCheck::ReadValues); }, [&] { return save(RowCheck::KeyOnly); },
        [](const QString& round, double guardedSeconds, double keyOnlySeconds) {
            say(QStringLiteral("U1 %1: guarded %2 s, key only %3 s")
                    .arg(round)
                    .arg(guardedSeconds, 0, 'f', 4)
                    .arg(keyOnlySeconds, 0, 'f', 4));
        });
    const std::vector<double>& guarded = times.first;
    const std::vector<double>& keyOnly = times.second;
    const QString loadAfter = loadAverage();
    const QStringList shown = boxes.take();
    if (!shown.isEmpty())
        throw BenchError(QStringLiteral("U1: ") + shown.join(QStringLiteral("; ")));
    bench.clear();

    say(QStringLiteral("U1 guarded Save runs (s): ") + secondsList(guarded, 1.0, 4));
    say(QStringLiteral("U1 key-only Save runs (s): ") + secondsList(keyOnly, 1.0, 4));
    const double guardedMedian = median(guarded);
    const double keyOnlyMedian = median(keyOnly);
    const QString runsText = QStringLiteral(", median of %1").arg(guarded.size());
    report.add(QStringLiteral("U1 Save of 1,000 edited rows, guarded WHERE") + runsText,
               ms(guardedMedian));
    report.add(QStringLiteral("U1 Save of 1,000 edited rows, key-only WHERE") + runsText,
               ms(keyOnlyMedian));
    U1Outcome outcome;
    outcome.ratioToKeyOnly = guardedMedian / keyOnlyMedian;
    report.add(QStringLiteral("U1 ratio guarded / key-only"),
               QString::number(*outcome.ratioToKeyOnly, 'f', 2) + u'x',
               QStringLiteral("<= %1x").arg(kU1MaxRatio, 0, 'f', 2),
               *outcome.ratioToKeyOnly <= kU1MaxRatio);
    report.add(QStringLiteral("load average (1 min) before U1 / after U1"),
               loadBefore + QStringLiteral(" / ") + loadAfter);
    return outcome;
}

} // namespace bench
