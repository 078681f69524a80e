// T1: the W1 rows held in the grid sorted by a click on a heading, by a text column and by a
// number column, against std::stable_sort of the same decoded keys.
// X1: a script of 1,000 single-row INSERTs run in a SQL workspace, against a plain ODBC loop
// executing the same statements.

#include "workloads.h"

#include "database.h"

#include "app/globals.h"
#include "app/library.h"
#include "platform/grid/datawindow.h"
#include "platform/grid/gridmodel.h"
#include "platform/message.h"
#include "platform/registry.h"
#include "platform/windows.h"
#include "sqlpad/sql_editor.h"
#include "sqlpad/w_sqlpad.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <numeric>
#include <optional>
#include <sqlext.h>
#include <vector>

namespace bench {
namespace {

constexpr double kT1MaxRatio = 2.0;
constexpr double kX1MaxRatio = 1.3;
constexpr int kX1Statements = 1000;

// A stable sort of decoded keys, in one of two ways: numbers through the row numbers, or
// (`keyless`) as key and row side by side; text in the user's collation, by collation keys made
// once per value, or (`keyless`) by comparing the texts themselves. Returns the seconds it took.
double sortDecoded(const std::vector<std::optional<double>>* numbers,
                   const std::vector<std::optional<QString>>* texts, bool keyless = false) {
    const std::size_t count = numbers != nullptr ? numbers->size() : texts->size();
    const auto start = Clock::now();
    std::vector<std::uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0U);
    if (numbers != nullptr && keyless) {
        // Each key beside its row in one array, NULLs apart.
        std::vector<std::pair<double, std::uint32_t>> keyed;
        keyed.reserve(count);
        std::vector<std::uint32_t> nulls;
        for (std::uint32_t i = 0; i < count; ++i) {
            if ((*numbers)[i])
                keyed.emplace_back(*(*numbers)[i], i);
            else
                nulls.push_back(i);
        }
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        order.clear();
        order.insert(order.end(), nulls.begin(), nulls.end());
        for (const auto& [value, row] : keyed)
            order.push_back(row);
    } else if (numbers != nullptr) {
        const auto& v = *numbers;
        std::stable_sort(order.begin(), order.end(), [&v](std::uint32_t a, std::uint32_t b) {
            if (!v[a] || !v[b])
                return !v[a] && v[b];
            return *v[a] < *v[b];
        });
    } else if (keyless) {
        const QCollator collator;
        const auto& v = *texts;
        std::stable_sort(order.begin(), order.end(),
                         [&v, &collator](std::uint32_t a, std::uint32_t b) {
                             if (!v[a] || !v[b])
                                 return !v[a] && v[b];
                             return collator.compare(*v[a], *v[b]) < 0;
                         });
    } else {
        const QCollator collator;
        std::vector<std::optional<QCollatorSortKey>> keys(count);
        for (std::size_t i = 0; i < count; ++i) {
            if ((*texts)[i])
                keys[i].emplace(collator.sortKey(*(*texts)[i]));
        }
        std::stable_sort(order.begin(), order.end(), [&keys](std::uint32_t a, std::uint32_t b) {
            if (!keys[a] || !keys[b])
                return !keys[a] && keys[b];
            return keys[a]->compare(*keys[b]) < 0;
        });
    }
    return secondsBetween(start, Clock::now());
}

// One click on the heading of `column` (from 0), timed until the rows are sorted; the longest
// stall of the event loop meanwhile in `stallMs`.
double clickHeading(platform::grid::DataWindow& grid, int column, double& stallMs) {
    StallProbe probe;
    probe.start();
    const auto start = Clock::now();
    Q_EMIT grid.view()->horizontalHeader()->sectionClicked(column);
    while (grid.retrieving())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = secondsBetween(start, Clock::now());
    stallMs = probe.stopMs();
    return seconds;
}

} // namespace

SortOutcome benchSort(const Settings& settings, GridBench& bench, Report& report) {
    const QString sql = w1Select();
    say(QStringLiteral("T1: heading sort of %1").arg(sql));
    bench.build(sql);
    bench.clear();
    const GridRun retrieved = bench.retrieve([](long) -> long { return 0; });
    platform::grid::DataWindow& grid = bench.grid();
    grid.setHeadingSort(true);
    const platform::grid::GridData& rows = grid.rows();
    SortOutcome outcome;
    // label: text; amount: a decimal whose order has nothing to do with the rows'.
    for (const auto& [name, isText] :
         {std::pair{QStringLiteral("label"), true}, std::pair{QStringLiteral("amount"), false}}) {
        const int column = grid.definition().columnIndex(name);
        if (column < 0)
            throw BenchError(QStringLiteral("T1: no column ") + name);
        std::vector<std::optional<double>> numbers;
        std::vector<std::optional<QString>> texts;
        for (long row = 0; row < rows.rowCount(); ++row) {
            const bool null = rows.isNull(row, column);
            if (isText)
                texts.push_back(null ? std::nullopt : std::optional(rows.text(row, column)));
            else
                numbers.push_back(null ? std::nullopt
                                       : std::optional(rows.text(row, column).toDouble()));
        }
        std::vector<double> product;
        std::vector<double> baseline;
        double longestStall = 0;
        for (int round = 0; round <= settings.runs; ++round) {
            double stall = 0;
            const double sorted = clickHeading(grid, column, stall);
            double ignored = 0;
            clickHeading(grid, column, ignored); // descending
            clickHeading(grid, column, ignored); // back in the order the rows came in
            const double plain =
                sortDecoded(isText ? nullptr : &numbers, isText ? &texts : nullptr);
            say(QStringLiteral("T1 %1 %2: grid %3 s (stall %4 ms), std::stable_sort %5 s")
                    .arg(name, round == 0 ? QStringLiteral("warm-up")
                                          : QStringLiteral("run %1").arg(round))
                    .arg(sorted, 0, 'f', 3)
                    .arg(stall, 0, 'f', 1)
                    .arg(plain, 0, 'f', 3));
            if (round == 0)
                continue;
            product.push_back(sorted);
            baseline.push_back(plain);
            longestStall = std::max(longestStall, stall);
        }
        const double ratio = median(product) / median(baseline);
        (isText ? outcome.textRatio : outcome.numberRatio) = ratio;
        outcome.longestStallMs = std::max(outcome.longestStallMs.value_or(0), longestStall);
        const QString what =
            QStringLiteral("T1 sort of %1 rows by %2 (%3)")
                .arg(retrieved.rows)
                .arg(name, isText ? QStringLiteral("text") : QStringLiteral("number"));
        report.add(what + QStringLiteral(", heading click, median of %1").arg(product.size()),
                   ms(median(product)));
        report.add(what + QStringLiteral(", std::stable_sort of the decoded keys"),
                   ms(median(baseline)));
        report.add(what + QStringLiteral(", ratio"), QString::number(ratio, 'f', 2) + u'x',
                   QStringLiteral("<= %1x").arg(kT1MaxRatio, 0, 'f', 1), ratio <= kT1MaxRatio);
        report.add(what + QStringLiteral(", longest event-loop stall"),
                   QString::number(longestStall, 'f', 1) + QStringLiteral(" ms"),
                   QStringLiteral("<= 100 ms"), longestStall <= 100);
    }
    bench.clear();
    return outcome;
}

ScriptOutcome benchScript(const Settings& settings, ReportingMessageBoxes& boxes, Report& report) {
    auto setup = connectSlot(settings, QStringLiteral("SETUP"));
    SQLSetConnectAttrW(setup->handle(), SQL_ATTR_AUTOCOMMIT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)), 0);
    execute(setup->handle(), QStringLiteral("create schema if not exists bench"));
    execute(setup->handle(), QStringLiteral("drop table if exists bench.x1"));
    execute(setup->handle(), QStringLiteral("create table bench.x1 (id integer primary key, "
                                            "name varchar(40), amount decimal(12,2))"));
    std::vector<QString> statements;
    QString script;
    for (int i = 1; i <= kX1Statements; ++i) {
        statements.push_back(
            QStringLiteral("insert into bench.x1 values (%1, 'name %1', %2)").arg(i).arg(i * 0.25));
        script += statements.back() + QStringLiteral(";\n");
    }
    say(QStringLiteral("X1: a script of %1 INSERTs into bench.x1").arg(kX1Statements));
    app::registerLibraryClasses();

    auto slot = connectSlot(settings, QStringLiteral("SQLCA"));
    platform::Transaction*& global = app::globals().SQLCA;
    platform::Transaction* const before = global;
    global = slot.get();
    platform::ClassRegistry::instance().add<platform::Frame>(QStringLiteral("bench_frame"));
    if (platform::Open(QStringLiteral("bench_frame")) != 1)
        throw BenchError(QStringLiteral("X1: the frame does not open"));
    app::str_sqlca record;
    record.s_sqlca = QStringLiteral("SQLCA");
    auto* sheet = qobject_cast<app::w_sqlpad*>(
        platform::OpenSheetWithParm(QStringLiteral("w_sqlpad"), record, platform::currentFrame()));
    if (sheet == nullptr)
        throw BenchError(QStringLiteral("X1: the SQL workspace does not open"));
    sheet->mle_1->setText(script);

    // The plain loop: one statement handle, each statement executed as it stands, in one unit of
    // work that is rolled back after the timing, as the workspace's is.
    const auto plainLoop = [&] {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, slot->handle(), &stmt);
        const auto start = Clock::now();
        for (const QString& text : statements) {
            const std::u16string wide = text.toStdU16String();
            const SQLRETURN rc = SQLExecDirectW(
                stmt, reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(wide.data())),
                static_cast<SQLINTEGER>(wide.size()));
            if (!SQL_SUCCEEDED(rc))
                throw BenchError(QStringLiteral("X1: the plain loop failed at ") + text);
            SQLLEN count = 0;
            SQLRowCount(stmt, &count);
            SQLFreeStmt(stmt, SQL_CLOSE);
        }
        const double seconds = secondsBetween(start, Clock::now());
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        slot->Rollback();
        return seconds;
    };
    const auto workspace = [&] {
        const auto start = Clock::now();
        sheet->cb_retrieve->click();
        const double seconds = secondsBetween(start, Clock::now());
        const QStringList shown = boxes.take();
        if (!shown.isEmpty() || sheet->st_retrieved->text() != QString::number(kX1Statements))
            throw BenchError(QStringLiteral("X1: the script said %1 rows; %2")
                                 .arg(sheet->st_retrieved->text(), shown.join(u';')));
        slot->Rollback();
        return seconds;
    };
    const AlternatedTimes times =
        alternateRounds(std::max(settings.runs, 9), workspace, plainLoop,
                        [](const QString& round, double sheetSeconds, double loopSeconds) {
                            say(QStringLiteral("X1 %1: workspace %2 s, plain loop %3 s")
                                    .arg(round)
                                    .arg(sheetSeconds, 0, 'f', 4)
                                    .arg(loopSeconds, 0, 'f', 4));
                        });
    const std::vector<double>& product = times.first;
    const std::vector<double>& baseline = times.second;
    platform::destroyWindows();
    platform::ClassRegistry::instance().remove(QStringLiteral("bench_frame"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    global = before;

    ScriptOutcome outcome;
    outcome.ratio = median(product) / median(baseline);
    const QString runs = QStringLiteral(", median of %1").arg(product.size());
    report.add(QStringLiteral("X1 script of 1,000 INSERTs in a SQL workspace") + runs,
               ms(median(product)));
    report.add(QStringLiteral("X1 the same statements, plain ODBC loop") + runs,
               ms(median(baseline)));
    report.add(QStringLiteral("X1 ratio workspace / plain loop"),
               QString::number(*outcome.ratio, 'f', 2) + u'x',
               QStringLiteral("<= %1x").arg(kX1MaxRatio, 0, 'f', 1), *outcome.ratio <= kX1MaxRatio);
    return outcome;
}

} // namespace bench
