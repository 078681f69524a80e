#include "workloads.h"

#include "database.h"
#include "loops.h"

#include "app/globals.h"
#include "app/library.h"
#include "app/records.h"
#include "platform/grid/datawindow.h"
#include "platform/odbc/transaction.h"
#include "platform/registry.h"
#include "platform/windows.h"
#include "sqlpad/sql_editor.h"
#include "sqlpad/w_sqlpad.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace bench {
namespace {

constexpr int kSheets = 4;
// The user clicks the four Retrieve buttons one after the other, this far apart.
constexpr int kClickGapMs = 10;
// How often the progress of each grid (its row count) is looked at.
constexpr int kProgressMs = 2;

QString slotName(int sheet) {
    return sheet == 0 ? QStringLiteral("SQLCA") : QStringLiteral("SQLCA%1").arg(sheet);
}

platform::Transaction*& globalSlot(int sheet) {
    app::Globals& g = app::globals();
    switch (sheet) {
    case 0:
        return g.SQLCA;
    case 1:
        return g.SQLCA1;
    case 2:
        return g.SQLCA2;
    default:
        return g.SQLCA3;
    }
}

double mib(std::size_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

QString mibText(double value) {
    return QString::number(value, 'f', 1) + QStringLiteral(" MiB");
}

// The four connections, each the global slot SQLCA, SQLCA1, SQLCA2 or SQLCA3: what a user has
// after four logons.
class Connections {
public:
    explicit Connections(const Settings& settings) {
        for (int k = 0; k < kSheets; ++k) {
            slots_.at(k) = connectSlot(settings, slotName(k));
            globalSlot(k) = slots_.at(k).get();
            serverPids_.at(k) =
                queryNumber(slots_.at(k)->handle(), QStringLiteral("select pg_backend_pid()"))
                    .value_or(0);
            slots_.at(k)->Rollback();
        }
    }
    ~Connections() {
        for (int k = 0; k < kSheets; ++k) {
            globalSlot(k) = nullptr;
            if (slots_.at(k) && slots_.at(k)->isConnected())
                slots_.at(k)->Rollback();
        }
    }
    Connections(const Connections&) = delete;
    Connections& operator=(const Connections&) = delete;

    platform::Transaction& slot(int k) const { return *slots_.at(k); }
    long long serverPid(int k) const { return serverPids_.at(k); }

private:
    std::array<std::unique_ptr<platform::Transaction>, kSheets> slots_;
    std::array<long long, kSheets> serverPids_{};
};

// A frame of the benchmark's own with four SQL workspaces in it, one on each connection, as four
// File > SQL commands open them. Every run opens them anew, so that each run is the first
// retrieval of its sheets: a grid keeps memory from its last retrieval (its view's row header
// keeps room for as many rows as it last showed), which would otherwise count in one run and not
// in the next.
class Workspaces {
public:
    explicit Workspaces(const Connections& connections) : connections_(connections) {
        platform::ClassRegistry::instance().add<platform::Frame>(frameClass());
        if (platform::Open(frameClass()) != 1 || platform::currentFrame() == nullptr)
            throw BenchError(QStringLiteral("L1: the frame does not open"));
        platform::Frame* frame = platform::currentFrame();
        for (int k = 0; k < kSheets; ++k) {
            app::str_sqlca record;
            record.s_sqlca = slotName(k);
            auto* sheet = qobject_cast<app::w_sqlpad*>(
                platform::OpenSheetWithParm(QStringLiteral("w_sqlpad"), record, frame));
            if (sheet == nullptr)
                throw BenchError(QStringLiteral("L1: the SQL workspace does not open"));
            sheets_.at(k) = sheet;
        }
        // Each sheet in its normal size, the four tiled in the frame, so that every grid is in
        // sight and paints as its rows arrive.
        const QSize sheetSize = frame->mdiArea()->subWindowList().front()->size();
        frame->resize(frame->size() - frame->mdiArea()->size() +
                      QSize(2 * sheetSize.width(), 2 * sheetSize.height()));
        QCoreApplication::processEvents();
        frame->mdiArea()->tileSubWindows();
        QCoreApplication::processEvents();
        layout_ = QStringLiteral("frame %1 x %2, four workspaces of %3 x %4 tiled, grids %5 x %6")
                      .arg(frame->width())
                      .arg(frame->height())
                      .arg(sheetSize.width())
                      .arg(sheetSize.height())
                      .arg(sheets_.at(0)->dw_1->width())
                      .arg(sheets_.at(0)->dw_1->height());
    }
    ~Workspaces() = default;
    Workspaces(const Workspaces&) = delete;
    Workspaces& operator=(const Workspaces&) = delete;

    app::w_sqlpad& sheet(int k) const {
        if (sheets_.at(k) == nullptr)
            throw BenchError(QStringLiteral("L1: sheet %1 has gone").arg(k + 1));
        return *sheets_.at(k);
    }
    platform::Transaction& slot(int k) const { return connections_.slot(k); }
    long long serverPid(int k) const { return connections_.serverPid(k); }
    const QString& layout() const { return layout_; }

private:
    static QString frameClass() { return QStringLiteral("bench_frame"); }

    // Deletes the frame and its sheets, also when the constructor fails half-way.
    struct Cleanup {
        Cleanup() = default;
        Cleanup(const Cleanup&) = delete;
        Cleanup& operator=(const Cleanup&) = delete;
        ~Cleanup() {
            platform::destroyWindows();
            platform::ClassRegistry::instance().remove(frameClass());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    } cleanup_;
    const Connections& connections_;
    std::array<QPointer<app::w_sqlpad>, kSheets> sheets_;
    QString layout_;
};

// What the table holds, from one plain ODBC read of the statement.
struct Reference {
    long long rows = 0;
    long long nulls = 0;
    std::vector<std::uint64_t> inOrder;
    std::vector<std::uint64_t> sorted;
};

// One sheet's retrieval, in time.
struct Timeline {
    Clock::time_point clicked;
    Clock::time_point started;   // RetrieveStart
    Clock::time_point firstRows; // the grid first holds rows
    Clock::time_point allRows;   // the grid first holds every row
    Clock::time_point ended;     // RetrieveEnd
    Clock::time_point returned;  // the click's handler returned
    bool hasFirst = false;
    bool hasAll = false;
};

struct Run {
    std::vector<int> sheets;
    Clock::time_point start;
    std::array<Timeline, kSheets> timeline;
    double seconds = 0;   // first click to the last handler's return
    double allRowsIn = 0; // first click to the last grid holding every row
    double stallMs = 0;
    double stallEndSeconds = 0;
    double stallCpuMs = 0; // the user-interface thread's processor time during the stall
    double rssBefore = 0;
    double peakGrowth = 0; // MiB
    double heapGrowth = 0; // MiB, with the rows held
    double uiCpu = 0;
    double clientCpu = 0;
    double serverCpu = 0;
    // All retrievals under way at once, from the last start to the first grid holding every
    // row; negative when one had every row before another started.
    double overlapSeconds = 0;
};

double since(const Run& run, Clock::time_point at) {
    return secondsBetween(run.start, at);
}

// The user types the statement into each of `which` and clicks their Retrieve buttons one after
// the other; the figures run from the first click until every handler has returned and what
// they left queued has been handled.
Run retrieveInSheets(const Workspaces& ws, const std::vector<int>& which, long long expectedRows,
                     ReportingMessageBoxes& boxes) {
    // What earlier runs freed goes back to the system first, outside the figures.
    for (int k = 0; k < kSheets; ++k)
        ws.slot(k).Rollback();
    QCoreApplication::processEvents();
    releaseFreedMemory();
    for (const int k : which)
        ws.sheet(k).mle_1->setText(w1Select());
    QCoreApplication::processEvents();

    Run run;
    run.sheets = which;
    // Taken now: nothing in the event loop below may throw.
    std::array<QPointer<app::w_sqlpad>, kSheets> sheets;
    for (const int k : which)
        sheets.at(k) = &ws.sheet(k);
    QObject context; // the connections below end with it
    for (const int k : which) {
        platform::grid::DataWindow* grid = sheets.at(k)->dw_1;
        QObject::connect(grid, &platform::grid::DataWindow::RetrieveStart, &context,
                         [&run, k] { run.timeline.at(k).started = Clock::now(); });
        QObject::connect(grid, &platform::grid::DataWindow::RetrieveEnd, &context, [&run, k] {
            Timeline& t = run.timeline.at(k);
            t.ended = Clock::now();
            if (!t.hasAll) {
                t.allRows = t.ended;
                t.hasAll = true;
            }
        });
    }
    QTimer progress;
    progress.setTimerType(Qt::PreciseTimer);
    progress.setInterval(kProgressMs);
    QObject::connect(&progress, &QTimer::timeout, &context, [&] {
        const auto now = Clock::now();
        for (const int k : which) {
            Timeline& t = run.timeline.at(k);
            if (t.hasAll || t.started == Clock::time_point() || sheets.at(k) == nullptr)
                continue;
            const long rows = sheets.at(k)->dw_1->RowCount();
            if (!t.hasFirst && rows > 0) {
                t.firstRows = now;
                t.hasFirst = true;
            }
            if (rows >= expectedRows) {
                t.allRows = now;
                t.hasAll = true;
            }
        }
    });

    const std::size_t heapBefore = heapInUse();
    run.rssBefore = currentRssMiB();
    if (!resetPeakRss())
        throw BenchError(QStringLiteral("L1: the peak resident memory cannot be reset "
                                        "(/proc/self/clear_refs)"));
    const double peakAtReset = peakRssSinceResetMiB();
    if (peakAtReset > run.rssBefore + 16.0)
        throw BenchError(QStringLiteral("L1: the peak resident memory did not reset (VmHWM %1, "
                                        "resident %2)")
                             .arg(mibText(peakAtReset), mibText(run.rssBefore)));
    const CpuMark cpuStart = cpuNow(0);
    const auto serverCpu = [&] {
        double total = 0;
        for (const int k : which)
            total += serverCpuSeconds(ws.serverPid(k));
        return total;
    };
    const double serverStart = serverCpu();

    QEventLoop outer;
    std::size_t pending = which.size();
    StallProbe probe;
    probe.start();
    progress.start();
    run.start = Clock::now();
    for (std::size_t i = 0; i < which.size(); ++i) {
        const int k = which.at(i);
        QTimer::singleShot(static_cast<int>(i) * kClickGapMs, Qt::PreciseTimer, &context, [&, k] {
            Timeline& t = run.timeline.at(k);
            t.clicked = Clock::now();
            // A click on Retrieve runs the retrieval's event loop, in which the next clicks
            // come: the handler of the first click returns last.
            if (sheets.at(k) != nullptr)
                sheets.at(k)->cb_retrieve->click();
            t.returned = Clock::now();
            if (--pending == 0)
                outer.quit();
        });
    }
    outer.exec();
    const auto end = Clock::now();
    QCoreApplication::processEvents();
    run.stallMs = probe.stopMs();
    run.stallEndSeconds = probe.longestEndSeconds();
    run.stallCpuMs = probe.longestCpuMs();
    progress.stop();
    const CpuMark cpu = cpuSince(cpuStart, 0);
    run.uiCpu = cpu.main;
    run.clientCpu = cpu.client;
    run.serverCpu = serverCpu() - serverStart;
    run.peakGrowth = peakRssSinceResetMiB() - run.rssBefore;
    run.heapGrowth = mib(heapInUse()) - mib(heapBefore);
    run.seconds = secondsBetween(run.start, end);

    if (const QStringList shown = boxes.take(); !shown.isEmpty())
        throw BenchError(QStringLiteral("L1: ") + shown.join(QStringLiteral("; ")));
    Clock::time_point lastStart = run.start;
    Clock::time_point firstAll = end;
    Clock::time_point lastAll = run.start;
    for (const int k : which) {
        const Timeline& t = run.timeline.at(k);
        if (t.started == Clock::time_point() || !t.hasAll)
            throw BenchError(QStringLiteral("L1: sheet %1 did not retrieve").arg(k + 1));
        lastStart = std::max(lastStart, t.started);
        firstAll = std::min(firstAll, t.allRows);
        lastAll = std::max(lastAll, t.allRows);
    }
    run.overlapSeconds = secondsBetween(lastStart, firstAll);
    run.allRowsIn = since(run, lastAll);
    return run;
}

// Every cell of the sheet's grid, as the grid gives its text back, against the table's content.
// The rows are compared as a whole, not in order: where several scans of one table run at the
// same time, the server lets a scan that starts join one that is under way, so a grid may get
// the rows in another order than the plain read did.
void checkSheet(const Workspaces& ws, int k, const Reference& reference, const QString& runName) {
    const auto start = Clock::now();
    app::w_sqlpad& sheet = ws.sheet(k);
    const platform::grid::DataWindow& grid = *sheet.dw_1;
    const QString who =
        QStringLiteral("L1 %1, sheet %2 (%3)").arg(runName).arg(k + 1).arg(slotName(k));
    const long rows = grid.RowCount();
    if (rows != reference.rows)
        throw BenchError(QStringLiteral("%1: the grid holds %2 rows, not %3")
                             .arg(who)
                             .arg(rows)
                             .arg(reference.rows));
    if (sheet.st_retrieved->text() != QString::number(reference.rows))
        throw BenchError(QStringLiteral("%1: the sheet says \"%2\" rows retrieved, not %3")
                             .arg(who, sheet.st_retrieved->text())
                             .arg(reference.rows));
    const int columns = grid.ColumnCount();
    std::vector<std::uint64_t> hashes;
    hashes.reserve(static_cast<std::size_t>(rows));
    long long nulls = 0;
    for (long row = 1; row <= rows; ++row) {
        RowHash hash;
        for (int col = 1; col <= columns; ++col) {
            if (grid.isItemNull(row, col)) {
                hash.null();
                ++nulls;
                continue;
            }
            const QString text = grid.GetItemString(row, col);
            hash.cell(reinterpret_cast<const char16_t*>(text.utf16()),
                      static_cast<std::size_t>(text.size()));
        }
        hashes.push_back(hash.value());
    }
    const bool inOrder = hashes == reference.inOrder;
    if (!inOrder) {
        std::vector<std::uint64_t> sorted = hashes;
        std::sort(sorted.begin(), sorted.end());
        if (sorted != reference.sorted) {
            for (std::size_t i = 0; i < hashes.size(); ++i) {
                if (std::binary_search(reference.sorted.begin(), reference.sorted.end(),
                                       hashes.at(i)))
                    continue;
                const long row = static_cast<long>(i) + 1;
                QStringList cells;
                for (int col = 1; col <= columns; ++col)
                    cells << (grid.isItemNull(row, col)
                                  ? QStringLiteral("NULL")
                                  : QStringLiteral("\"%1\"").arg(grid.GetItemString(row, col)));
                throw BenchError(QStringLiteral("%1: row %2 of the grid is not in the table: %3")
                                     .arg(who)
                                     .arg(row)
                                     .arg(cells.join(QStringLiteral(", "))));
            }
            throw BenchError(
                QStringLiteral("%1: the grid holds some of the table's rows more than once, and "
                               "lacks others")
                    .arg(who));
        }
    }
    if (nulls != reference.nulls)
        throw BenchError(QStringLiteral("%1: the grid holds %2 NULLs, the table %3")
                             .arg(who)
                             .arg(nulls)
                             .arg(reference.nulls));
    say(QStringLiteral("  %1: %2 rows, %3 NULLs, every cell equal to the plain read's%4; "
                       "checked in %5 s")
            .arg(who)
            .arg(rows)
            .arg(nulls)
            .arg(inOrder ? QString() : QStringLiteral(" (rows in another order)"))
            .arg(secondsBetween(start, Clock::now()), 0, 'f', 2));
}

void sayRun(const Run& run, const QString& name) {
    for (const int k : run.sheets) {
        const Timeline& t = run.timeline.at(k);
        say(QStringLiteral("  %1, sheet %2: clicked %3 s, Retrieve() started %4 s, first rows %5 "
                           "s, every row %6 s, Retrieve() ended %7 s, the click's handler "
                           "returned %8 s")
                .arg(name)
                .arg(k + 1)
                .arg(since(run, t.clicked), 0, 'f', 3)
                .arg(since(run, t.started), 0, 'f', 3)
                .arg(t.hasFirst ? QString::number(since(run, t.firstRows), 'f', 3)
                                : QStringLiteral("-"))
                .arg(since(run, t.allRows), 0, 'f', 3)
                .arg(since(run, t.ended), 0, 'f', 3)
                .arg(since(run, t.returned), 0, 'f', 3));
    }
    // The stall's end on the monotonic clock too, to find it in a profile (perf record -k
    // CLOCK_MONOTONIC).
    const double stallEndClock =
        std::chrono::duration<double>(run.start.time_since_epoch()).count() + run.stallEndSeconds;
    say(QStringLiteral("  %1: %2 s to the last return, every row in after %3 s; longest stall "
                       "%4 ms (%5 ms of it on a processor), ending %6 s in (monotonic %7 s); "
                       "resident %8 before, peak growth %9, heap growth %10; cpu %11 [ui %12] + "
                       "server %13")
            .arg(name)
            .arg(run.seconds, 0, 'f', 3)
            .arg(run.allRowsIn, 0, 'f', 3)
            .arg(run.stallMs, 0, 'f', 1)
            .arg(run.stallCpuMs, 0, 'f', 1)
            .arg(run.stallEndSeconds, 0, 'f', 3)
            .arg(stallEndClock, 0, 'f', 6)
            .arg(mibText(run.rssBefore))
            .arg(mibText(run.peakGrowth))
            .arg(mibText(run.heapGrowth))
            .arg(run.clientCpu, 0, 'f', 2)
            .arg(run.uiCpu, 0, 'f', 2)
            .arg(run.serverCpu, 0, 'f', 2));
}

template <typename Field> std::vector<double> each(const std::vector<Run>& runs, Field field) {
    std::vector<double> values;
    for (const Run& run : runs)
        values.push_back(field(run));
    return values;
}

double largest(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

} // namespace

void benchLoad(const Settings& settings, ReportingMessageBoxes& boxes, Report& report) {
    const QString sql = w1Select();
    say(QStringLiteral("L1: four SQL workspaces, each on its own connection, retrieving \"%1\"")
            .arg(sql));
    app::registerLibraryClasses();
    const Connections connections(settings);

    // The table's content, from one plain ODBC read.
    Reference reference;
    {
        const auto start = Clock::now();
        RowHashes read = rowHashLoop(connections.slot(0).handle(), sql);
        connections.slot(0).Rollback();
        if (read.rows != kW1Rows)
            throw BenchError(QStringLiteral("L1: the plain read gave %1 rows, not %2")
                                 .arg(read.rows)
                                 .arg(kW1Rows));
        reference.rows = read.rows;
        reference.nulls = read.nulls;
        reference.inOrder = std::move(read.hashes);
        reference.sorted = reference.inOrder;
        std::sort(reference.sorted.begin(), reference.sorted.end());
        say(QStringLiteral("L1: plain ODBC read (SQL_C_WCHAR) of %1 rows, %2 NULLs, in %3 s")
                .arg(reference.rows)
                .arg(reference.nulls)
                .arg(secondsBetween(start, Clock::now()), 0, 'f', 3));
    }

    const QString loadBefore = loadAverage();
    const std::vector<int> one = {0};
    const std::vector<int> four = {0, 1, 2, 3};
    // Warm-up: one sheet alone, checked but not counted.
    {
        const Workspaces ws(connections);
        say(QStringLiteral("L1: ") + ws.layout());
        const Run warm = retrieveInSheets(ws, one, reference.rows, boxes);
        sayRun(warm, QStringLiteral("warm-up, one sheet"));
        checkSheet(ws, 0, reference, QStringLiteral("warm-up"));
    }
    std::vector<Run> singles;
    std::vector<Run> fours;
    for (int round = 1; round <= settings.runs; ++round) {
        const QString oneName = QStringLiteral("run %1, one sheet").arg(round);
        {
            const Workspaces ws(connections);
            singles.push_back(retrieveInSheets(ws, one, reference.rows, boxes));
            sayRun(singles.back(), oneName);
            checkSheet(ws, 0, reference, oneName);
        }

        const QString fourName = QStringLiteral("run %1, four sheets").arg(round);
        const Workspaces ws(connections);
        fours.push_back(retrieveInSheets(ws, four, reference.rows, boxes));
        const Run& run = fours.back();
        sayRun(run, fourName);
        // At once: every retrieval had started before any grid held all of its rows.
        if (run.overlapSeconds <= 0.0)
            throw BenchError(QStringLiteral("L1 %1: the retrievals did not overlap: a grid held "
                                            "every row %2 s before the last one started")
                                 .arg(fourName)
                                 .arg(-run.overlapSeconds, 0, 'f', 3));
        for (const int k : four)
            checkSheet(ws, k, reference, fourName);
    }
    const QString loadAfter = loadAverage();
    // What the section freed goes back to the system, so that W1 starts as it would without it.
    releaseFreedMemory();

    const auto runsOf = [](std::size_t count) {
        return count == 1 ? QStringLiteral("1 run") : QStringLiteral("median of %1").arg(count);
    };
    const QString n = runsOf(singles.size());
    const double oneSeconds = median(each(singles, [](const Run& r) { return r.seconds; }));
    const double fourSeconds = median(each(fours, [](const Run& r) { return r.seconds; }));
    const double fourAllIn = median(each(fours, [](const Run& r) { return r.allRowsIn; }));
    const double overlap = median(each(fours, [](const Run& r) { return r.overlapSeconds; }));
    const double oneStall = largest(each(singles, [](const Run& r) { return r.stallMs; }));
    const double fourStall = largest(each(fours, [](const Run& r) { return r.stallMs; }));
    const double oneGrowth = median(each(singles, [](const Run& r) { return r.peakGrowth; }));
    const double fourGrowth = median(each(fours, [](const Run& r) { return r.peakGrowth; }));
    const double ratio = fourGrowth / oneGrowth;

    report.add(QStringLiteral("L1 results: %1 retrievals of %2 rows (warm-up included), every "
                              "cell equal to the plain ODBC read's")
                   .arg(1 + 5 * singles.size())
                   .arg(reference.rows),
               QStringLiteral("all equal"), QStringLiteral("all equal"), true);
    report.add(QStringLiteral("L1 one sheet: click on Retrieve to its handler's return, %1").arg(n),
               sec(oneSeconds));
    report.add(
        QStringLiteral("L1 four sheets: first click to the last handler's return, %1").arg(n),
        sec(fourSeconds));
    report.add(QStringLiteral("L1 four sheets: first click to every row in every grid, %1").arg(n),
               sec(fourAllIn));
    report.add(QStringLiteral("L1 four sheets: all four retrieving at once (last start to the "
                              "first grid complete), %1")
                   .arg(n),
               sec(overlap), QStringLiteral("> 0 s"), overlap > 0.0);
    report.add(
        QStringLiteral("L1 longest event-loop stall, one sheet, longest of %1").arg(singles.size()),
        QString::number(oneStall, 'f', 1) + QStringLiteral(" ms"));
    report.add(
        QStringLiteral("L1 longest event-loop stall, four sheets, longest of %1").arg(fours.size()),
        QString::number(fourStall, 'f', 1) + QStringLiteral(" ms"),
        QStringLiteral("<= %1 ms").arg(kL1MaxStallMs, 0, 'f', 0), fourStall <= kL1MaxStallMs);
    report.add(QStringLiteral("L1 peak resident memory growth, one sheet, %1").arg(n),
               mibText(oneGrowth));
    report.add(QStringLiteral("L1 peak resident memory growth, four sheets, %1").arg(n),
               mibText(fourGrowth));
    report.add(QStringLiteral("L1 peak resident memory growth, four sheets / one sheet"),
               QString::number(ratio, 'f', 2) + u'x',
               QStringLiteral("<= %1x").arg(kL1MaxMemoryRatio, 0, 'f', 2),
               ratio <= kL1MaxMemoryRatio);
    report.add(
        QStringLiteral("L1 heap growth with the rows held, one sheet / four sheets, %1").arg(n),
        mibText(median(each(singles, [](const Run& r) { return r.heapGrowth; }))) +
            QStringLiteral(" / ") +
            mibText(median(each(fours, [](const Run& r) { return r.heapGrowth; }))));
    report.add(
        QStringLiteral("L1 CPU of the user-interface thread, one sheet / four sheets, %1").arg(n),
        QStringLiteral("%1 / %2 s")
            .arg(median(each(singles, [](const Run& r) { return r.uiCpu; })), 0, 'f', 2)
            .arg(median(each(fours, [](const Run& r) { return r.uiCpu; })), 0, 'f', 2));
    report.add(QStringLiteral("L1 CPU client + server, one sheet / four sheets, %1").arg(n),
               QStringLiteral("%1 + %2 / %3 + %4 s")
                   .arg(median(each(singles, [](const Run& r) { return r.clientCpu; })), 0, 'f', 2)
                   .arg(median(each(singles, [](const Run& r) { return r.serverCpu; })), 0, 'f', 2)
                   .arg(median(each(fours, [](const Run& r) { return r.clientCpu; })), 0, 'f', 2)
                   .arg(median(each(fours, [](const Run& r) { return r.serverCpu; })), 0, 'f', 2));
    report.add(QStringLiteral("load average (1 min) before L1 / after L1"),
               loadBefore + QStringLiteral(" / ") + loadAfter);
}

} // namespace bench
