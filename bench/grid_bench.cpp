// Retrieval benchmark: the grid against a plain ODBC block loop and Qt's own QSqlQuery, on
// tables that the program builds in the database it is pointed at. bench/README.md says how to
// run it and what each figure means. The last line printed is the W1 ratio to the plain loop.

#include "platform/grid/datawindow.h"
#include "platform/grid/describe.h"
#include "platform/messagebox.h"
#include "platform/odbc/diagnostics.h"
#include "platform/odbc/handles.h"
#include "platform/odbc/transaction.h"
#include "platform/odbc/wide.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <type_traits>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using platform::Transaction;
using platform::grid::DataWindow;
using platform::odbc::StatementHandle;
using platform::odbc::wide;
using platform::odbc::wideLength;

constexpr long long kW1Rows = 1'000'000;
constexpr long long kW4Rows = 10'000'000;
// Rows per block of the plain ODBC loop: the grid's own block size.
constexpr SQLULEN kBlockRows = 1024;
// A measurement that takes longer than this is not repeated: the figure has failed already and
// the run would not end in reasonable time.
constexpr double kGiveUpSeconds = 5.0;

// The targets.
constexpr double kW1MaxRatioToOdbc = 1.2;
constexpr double kW1MinSpeedUpOverQt = 2.5;
constexpr double kMaxHeapPerRow = 150.0;
constexpr double kW4MaxMs = 100.0;
constexpr double kW5FetchMaxMs = 100.0;
constexpr double kW5SleepMaxMs = 1000.0;
constexpr double kMaxStallMs = 50.0;

class BenchError : public std::runtime_error {
public:
    explicit BenchError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

void say(const QString& line) {
    std::fputs(qPrintable(line), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

QString secondsList(const std::vector<double>& values, double scale, int decimals) {
    QStringList parts;
    for (const double v : values)
        parts << QString::number(v * scale, 'f', decimals);
    return parts.join(QStringLiteral(" "));
}

[[noreturn]] void failOn(SQLSMALLINT handleType, SQLHANDLE handle, const QString& what) {
    throw BenchError(
        what + QStringLiteral(": ") +
        platform::odbc::formatDiagnostics(platform::odbc::diagnostics(handleType, handle)));
}

// Heap in use, over every malloc arena (the worker's too) and mmapped blocks.
std::size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

double peakRssMiB() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double currentRssMiB() {
    std::ifstream statm("/proc/self/statm");
    long long size = 0;
    long long resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// CPU time of this process (every thread), or with RUSAGE_THREAD of the calling thread only.
double processCpuSeconds(int who = RUSAGE_SELF) {
    struct rusage usage {};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU time of a local server process (the connection's backend); 0 when it cannot be read.
double serverCpuSeconds(long long pid) {
    if (pid <= 0)
        return 0.0;
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(file, stat);
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return 0.0;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    double ticks = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n)
        if (n >= 14)
            ticks += std::stod(field);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// CPU time that every processor of the machine spent busy, and the part of it that the
// hypervisor took for other machines (steal), from /proc/stat.
struct MachineCpu {
    double busy = 0;
    double steal = 0;
};

MachineCpu machineCpu() {
    std::ifstream file("/proc/stat");
    std::string name;
    double user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    file >> name >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    return {(user + nice + system + irq + softirq + steal) / tick, steal / tick};
}

QString loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string oneMinute;
    file >> oneMinute;
    return QString::fromStdString(oneMinute);
}

// CPU used by this process (every thread) and by the server process for the connection.
// `main` is the part of `client` that the main (user-interface) thread used.
struct CpuMark {
    double client = 0;
    double server = 0;
    double main = 0;
};

CpuMark cpuNow(long long serverPid) {
    return {processCpuSeconds(), serverCpuSeconds(serverPid), processCpuSeconds(RUSAGE_THREAD)};
}

CpuMark cpuSince(const CpuMark& start, long long serverPid) {
    const CpuMark now = cpuNow(serverPid);
    return {now.client - start.client, now.server - start.server, now.main - start.main};
}

struct Settings {
    QString dsn;
    QString user;
    QString password;
    int runs = 5;
    long long w1Limit = 0;
    QStringList w1Contenders;
    bool w1 = true;
    bool w4 = true;
    bool w5 = true;
    bool strict = false;
};

// --- database set-up

std::unique_ptr<Transaction> connectSlot(const Settings& settings, const QString& name) {
    auto slot = std::make_unique<Transaction>(name);
    slot->DBMS = QStringLiteral("ODBC");
    slot->DBParm =
        QStringLiteral("DSN=%1;UID=%2;PWD=%3'").arg(settings.dsn, settings.user, settings.password);
    slot->Connect();
    if (slot->SQLCode != 0)
        throw BenchError(
            QStringLiteral("Cannot connect to %1: %2").arg(settings.dsn, slot->SQLErrText));
    return slot;
}

void execute(SQLHDBC connection, const QString& sql) {
    StatementHandle stmt;
    if (!SQL_SUCCEEDED(StatementHandle::allocate(connection, stmt)))
        failOn(SQL_HANDLE_DBC, connection, sql);
    const SQLRETURN rc = SQLExecDirectW(stmt.get(), wide(sql), wideLength(sql));
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
        failOn(SQL_HANDLE_STMT, stmt.get(), sql);
}

// The first column of the first row as a number; nullopt when the statement fails (a table that
// is not there yet) or gives no row.
std::optional<long long> queryNumber(SQLHDBC connection, const QString& sql) {
    StatementHandle stmt;
    if (!SQL_SUCCEEDED(StatementHandle::allocate(connection, stmt)))
        return std::nullopt;
    if (!SQL_SUCCEEDED(SQLExecDirectW(stmt.get(), wide(sql), wideLength(sql))) ||
        !SQL_SUCCEEDED(SQLFetch(stmt.get())))
        return std::nullopt;
    SQLBIGINT value = 0;
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(SQLGetData(stmt.get(), 1, SQL_C_SBIGINT, &value, 0, &indicator)) ||
        indicator == SQL_NULL_DATA)
        return std::nullopt;
    return static_cast<long long>(value);
}

// Makes `table` hold `rows` rows of `columns` (a select list over g = 1 .. rows), unless it
// already does. The table's comment records what it was made from, so that a table left by an
// earlier version of this program is made anew.
void ensureTable(SQLHDBC connection, const QString& table, long long rows, const QString& columns) {
    const QString tag =
        QString::fromLatin1(QCryptographicHash::hash((columns + QString::number(rows)).toUtf8(),
                                                     QCryptographicHash::Sha1)
                                .toHex());
    const auto present = queryNumber(
        connection, QStringLiteral("select case when obj_description('%1'::regclass, 'pg_class') "
                                   "= '%2' then (select count(*) from %1) else -1 end")
                        .arg(table, tag));
    if (present && *present == rows) {
        say(QStringLiteral("%1: present, %2 rows").arg(table).arg(rows));
        return;
    }
    say(QStringLiteral("%1: building %2 rows ...").arg(table).arg(rows));
    const auto start = Clock::now();
    execute(connection, QStringLiteral("drop table if exists ") + table);
    execute(connection, QStringLiteral("create table ") + table + QStringLiteral(" as select ") +
                            columns + QStringLiteral(" from generate_series(1, ") +
                            QString::number(rows) + QStringLiteral(") as g"));
    // Sets the hint bits and the visibility map now, so that no timed read writes pages.
    execute(connection, QStringLiteral("comment on table %1 is '%2'").arg(table, tag));
    execute(connection, QStringLiteral("vacuum analyze ") + table);
    say(QStringLiteral("%1: built in %2 s")
            .arg(table)
            .arg(secondsBetween(start, Clock::now()), 0, 'f', 1));
}

void prepareTables(const Settings& settings) {
    auto setup = connectSlot(settings, QStringLiteral("SETUP"));
    // Each statement commits on its own; VACUUM cannot run inside a transaction.
    SQLSetConnectAttrW(setup->handle(), SQL_ATTR_AUTOCOMMIT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)), 0);
    execute(setup->handle(), QStringLiteral("create schema if not exists bench"));

    // Eight columns; each of them is NULL in one row of 20, no two in the same row, so 5% of
    // the cells are NULL. The text of a row is about 107 bytes.
    ensureTable(
        setup->handle(), QStringLiteral("bench.w1"), kW1Rows,
        QStringLiteral(
            "case when g % 20 <> 0 then g end::integer as n, "
            "case when g % 20 <> 3 then (g::bigint * 2654435761) % 1000000000000 end "
            "as big, "
            "case when g % 20 <> 6 then ((g::bigint * 7919) % 10000000 / 100.0) end"
            "::decimal(15,2) as amount, "
            "case when g % 20 <> 9 then g::double precision / 7 end as ratio, "
            "case when g % 20 <> 12 then date '2000-01-01' + g % 9000 end as day, "
            "case when g % 20 <> 15 then timestamp '2000-01-01 00:00:00' + "
            "g * interval '37.001 seconds' end as stamp, "
            "case when g % 20 <> 17 then 'C' || lpad(to_hex(g::bigint * 16777619 % 268435456), "
            "7, '0') end::varchar(10) as code, "
            "case when g % 20 <> 19 then 'item ' || g || ' ' || "
            "left(md5(g::text), 13 + g % 12) end::varchar(40) as label"));
    ensureTable(setup->handle(), QStringLiteral("bench.w4"), kW4Rows,
                QStringLiteral("g::integer as id, (g % 1000)::integer as v, "
                               "('r' || g)::varchar(12) as t"));
}

QString w1Select() {
    return QStringLiteral("select n, big, amount, ratio, day, stamp, code, label from bench.w1");
}

QString w4Select() {
    return QStringLiteral("select id, v, t from bench.w4");
}

// --- the plain ODBC loop

struct LoopResult {
    long long rows = 0;
    long long nulls = 0;
    unsigned long long textBytes = 0;
    std::uint64_t checksum = 0;
};

// Reads every cell of `sql` through a column-bound block cursor, as `Unit` text (char16_t:
// SQL_C_WCHAR, char: SQL_C_CHAR), summing every code unit so that nothing is skipped.
template <typename Unit> LoopResult blockLoop(SQLHDBC connection, const QString& sql) {
    constexpr SQLSMALLINT cType = sizeof(Unit) == 1 ? SQL_C_CHAR : SQL_C_WCHAR;
    StatementHandle stmt;
    if (!SQL_SUCCEEDED(StatementHandle::allocate(connection, stmt)))
        failOn(SQL_HANDLE_DBC, connection, sql);
    SQLHSTMT h = stmt.get();
    SQLULEN fetched = 0;
    SQLSetStmtAttrW(h, SQL_ATTR_ROW_BIND_TYPE,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_BIND_BY_COLUMN)), 0);
    SQLSetStmtAttrW(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kBlockRows), 0);
    SQLSetStmtAttrW(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    if (!SQL_SUCCEEDED(SQLExecDirectW(h, wide(sql), wideLength(sql))))
        failOn(SQL_HANDLE_STMT, h, sql);

    SQLSMALLINT count = 0;
    SQLNumResultCols(h, &count);
    struct Bound {
        std::vector<Unit> cells;
        std::vector<SQLLEN> indicators;
        std::size_t width = 0; // units per cell, terminator included
    };
    std::vector<Bound> columns(static_cast<std::size_t>(count));
    for (SQLSMALLINT i = 0; i < count; ++i) {
        SQLWCHAR name[256];
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT decimals = 0;
        SQLSMALLINT nullable = 0;
        SQLDescribeColW(h, static_cast<SQLUSMALLINT>(i + 1), name, 256, &nameLength, &type, &size,
                        &decimals, &nullable);
        const bool text =
            type == SQL_CHAR || type == SQL_VARCHAR || type == SQL_WCHAR || type == SQL_WVARCHAR;
        // Narrow text is UTF-8 here: up to 4 bytes a character.
        const std::size_t chars =
            text ? size * (sizeof(Unit) == 1 ? 4 : 1) + 1 : std::max<std::size_t>(size + 8, 48);
        Bound& b = columns[static_cast<std::size_t>(i)];
        b.width = chars;
        b.cells.resize(chars * kBlockRows);
        b.indicators.resize(kBlockRows);
        if (!SQL_SUCCEEDED(SQLBindCol(h, static_cast<SQLUSMALLINT>(i + 1), cType, b.cells.data(),
                                      static_cast<SQLLEN>(chars * sizeof(Unit)),
                                      b.indicators.data())))
            failOn(SQL_HANDLE_STMT, h, sql);
    }

    LoopResult result;
    for (;;) {
        const SQLRETURN rc = SQLFetch(h);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc))
            failOn(SQL_HANDLE_STMT, h, sql);
        for (SQLULEN row = 0; row < fetched; ++row) {
            for (const Bound& b : columns) {
                const SQLLEN indicator = b.indicators[row];
                if (indicator == SQL_NULL_DATA) {
                    ++result.nulls;
                    continue;
                }
                const std::size_t units = static_cast<std::size_t>(indicator) / sizeof(Unit);
                const Unit* cell = b.cells.data() + row * b.width;
                std::uint64_t sum = 0;
                for (std::size_t u = 0; u < units; ++u)
                    sum += static_cast<std::make_unsigned_t<Unit>>(cell[u]);
                result.checksum += sum;
                result.textBytes += static_cast<unsigned long long>(indicator);
            }
        }
        result.rows += static_cast<long long>(fetched);
    }
    SQLFreeStmt(h, SQL_CLOSE);
    return result;
}

// --- Qt's own loop

struct QtLoopResult {
    long long rows = 0;
    long long nulls = 0;
};

QtLoopResult qtLoop(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw BenchError(QStringLiteral("QSqlQuery: ") + query.lastError().text());
    const int columns = query.record().count();
    QtLoopResult result;
    while (query.next()) {
        ++result.rows;
        for (int c = 0; c < columns; ++c) {
            const QVariant value = query.value(c);
            if (value.isNull())
                ++result.nulls;
        }
    }
    query.finish();
    return result;
}

// The name of the QSqlDatabase connection; the connection is removed when the name goes, after
// every QSqlDatabase object that uses it.
struct QtConnectionName {
    const QString name = QStringLiteral("dorvane_bench");
    QtConnectionName() = default;
    QtConnectionName(const QtConnectionName&) = delete;
    QtConnectionName& operator=(const QtConnectionName&) = delete;
    ~QtConnectionName() {
        if (QSqlDatabase::contains(name))
            QSqlDatabase::removeDatabase(name);
    }
};

// --- the grid

// Answers every message box with its default button, and keeps the texts, so that an error the
// grid reports shows up in the results instead of waiting for a click.
class ReportingMessageBoxes final : public platform::MessageBoxService {
public:
    ReportingMessageBoxes() : previous_(platform::setMessageBoxService(this)) {}
    ~ReportingMessageBoxes() override { platform::setMessageBoxService(previous_); }
    ReportingMessageBoxes(const ReportingMessageBoxes&) = delete;
    ReportingMessageBoxes& operator=(const ReportingMessageBoxes&) = delete;

    int ask(const platform::MessageBoxRequest& request) override {
        texts_ << request.title + QStringLiteral(": ") + request.text;
        return request.defaultButton;
    }
    // The texts shown since the last call.
    QStringList take() { return std::exchange(texts_, {}); }

private:
    platform::MessageBoxService* previous_;
    QStringList texts_;
};

// A 1 ms timer that records the longest gap between its ticks: how long the event loop was
// kept from handling input.
class StallProbe {
public:
    StallProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { tick(); });
    }
    void start() {
        longest_ = {};
        start_ = last_ = longestEnd_ = Clock::now();
        timer_.start();
    }
    // The gap up to now counts too: what a caller did after its last tick.
    double stopMs() {
        tick();
        timer_.stop();
        return std::chrono::duration<double, std::milli>(longest_).count();
    }
    // Where the longest gap ended, from start().
    double longestEndSeconds() const { return secondsBetween(start_, longestEnd_); }

private:
    void tick() {
        const auto now = Clock::now();
        if (now - last_ > longest_) {
            longest_ = now - last_;
            longestEnd_ = now;
        }
        last_ = now;
    }

    QTimer timer_;
    Clock::time_point start_;
    Clock::time_point last_;
    Clock::time_point longestEnd_;
    Clock::duration longest_{};
};

struct GridRun {
    double seconds = 0;
    long rows = 0;
    long handlerCalls = 0;
    double stallMs = 0;
    double stallEndSeconds = 0;
    // Paint events of the grid's cell area during the call.
    long paints = 0;
    // Time to handle what the retrieval left queued (view updates), after Retrieve returned.
    double afterSeconds = 0;
};

// Counts the paint events of one widget.
class PaintCounter : public QObject {
public:
    long count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

class GridBench {
public:
    // A visible grid is shown (offscreen) and paints as it would on a screen.
    GridBench(Transaction& slot, ReportingMessageBoxes& boxes, bool visible = true)
        : slot_(slot), boxes_(boxes) {
        grid_.resize(1000, 700);
        if (visible)
            grid_.show();
        grid_.view()->viewport()->installEventFilter(&paints_);
        QCoreApplication::processEvents();
    }

    DataWindow& grid() { return grid_; }

    void build(const QString& sql) {
        QString errors;
        const QString syntax =
            platform::grid::SyntaxFromSQL(slot_, sql, QStringLiteral("style(type=grid)"), errors);
        if (!errors.isEmpty() || grid_.Create(syntax, errors) != 1)
            throw BenchError(
                QStringLiteral("The grid cannot be built for \"%1\": %2").arg(sql, errors));
        grid_.SetTransObject(&slot_);
    }

    // Drops the rows of the last retrieval, outside any timing.
    void clear() {
        grid_.Reset();
        slot_.Rollback();
        QCoreApplication::processEvents();
    }

    // Retrieves with `handler` as RetrieveRow; the probe runs for the whole call.
    GridRun retrieve(std::function<long(long)> handler) {
        GridRun run;
        grid_.setRetrieveRowHandler([&run, &handler](long row) -> long {
            ++run.handlerCalls;
            return handler(row);
        });
        paints_.count = 0;
        probe_.start();
        const auto start = Clock::now();
        run.rows = grid_.Retrieve();
        const auto end = Clock::now();
        QCoreApplication::processEvents();
        run.afterSeconds = secondsBetween(end, Clock::now());
        run.stallMs = probe_.stopMs();
        run.stallEndSeconds = probe_.longestEndSeconds();
        run.seconds = secondsBetween(start, end);
        run.paints = paints_.count;
        grid_.setRetrieveRowHandler({});
        const QStringList shown = boxes_.take();
        if (!shown.isEmpty() || run.rows < 0)
            throw BenchError(QStringLiteral("The grid reported: ") +
                             shown.join(QStringLiteral("\n")));
        return run;
    }

    // What painting the visible cells once costs: the median of `times` repaints.
    double paintSeconds(int times) {
        std::vector<double> each;
        for (int i = 0; i < times; ++i) {
            const auto start = Clock::now();
            grid_.view()->viewport()->repaint();
            each.push_back(secondsBetween(start, Clock::now()));
        }
        return median(each);
    }

private:
    Transaction& slot_;
    ReportingMessageBoxes& boxes_;
    DataWindow grid_;
    StallProbe probe_;
    PaintCounter paints_;
};

// --- the report

struct Figure {
    QString name;
    QString measured;
    QString target;
    std::optional<bool> pass;
};

class Report {
public:
    void add(const QString& name, const QString& measured, const QString& target = {},
             std::optional<bool> pass = std::nullopt) {
        figures_.push_back({name, measured, target, pass});
    }
    bool anyFailed() const {
        return std::any_of(figures_.begin(), figures_.end(),
                           [](const Figure& f) { return f.pass.has_value() && !*f.pass; });
    }
    void print() const {
        qsizetype nameWidth = 6;
        qsizetype measuredWidth = 8;
        qsizetype targetWidth = 6;
        for (const Figure& f : figures_) {
            nameWidth = std::max(nameWidth, f.name.size());
            measuredWidth = std::max(measuredWidth, f.measured.size());
            targetWidth = std::max(targetWidth, f.target.size());
        }
        const auto line = [&](const QString& a, const QString& b, const QString& c,
                              const QString& d) {
            say(a.leftJustified(nameWidth) + QStringLiteral("  ") +
                b.rightJustified(measuredWidth) + QStringLiteral("  ") +
                c.leftJustified(targetWidth) + QStringLiteral("  ") + d);
        };
        say(QString());
        line(QStringLiteral("figure"), QStringLiteral("measured"), QStringLiteral("target"),
             QStringLiteral("result"));
        line(QString(nameWidth, u'-'), QString(measuredWidth, u'-'), QString(targetWidth, u'-'),
             QStringLiteral("------"));
        for (const Figure& f : figures_)
            line(f.name, f.measured, f.target,
                 f.pass ? (*f.pass ? QStringLiteral("PASS") : QStringLiteral("FAIL")) : QString());
        say(QString());
    }

private:
    std::vector<Figure> figures_;
};

QString ms(double seconds) {
    return QString::number(seconds * 1000.0, 'f', 1) + QStringLiteral(" ms");
}

QString sec(double seconds) {
    return QString::number(seconds, 'f', 3) + QStringLiteral(" s");
}

// --- the workloads

struct W1Outcome {
    std::optional<double> ratio;
};

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
        // Each round starts with the next contender, so that none always runs after another.
        for (qsizetype k = 0; k < order.size(); ++k) {
            const QString& who = order[(k + round) % order.size()];
            double seconds = 0;
            CpuMark cpu;
            if (who == u"grid" || who == u"grid-hidden") {
                GridBench& target = who == u"grid" ? bench : *hidden;
                target.clear();
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
                        .arg(cpu.client, 0, 'f', 2)
                        .arg(cpu.main, 0, 'f', 2)
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
    for (const QString& who : {QStringLiteral("grid"), QStringLiteral("grid-hidden")})
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
    const bool haveGrid = times.count(QStringLiteral("grid")) > 0;
    const double grid = haveGrid ? median(times[QStringLiteral("grid")]) : 0.0;
    if (haveGrid && times.count(QStringLiteral("odbc-wchar"))) {
        outcome.ratio = grid / median(times[QStringLiteral("odbc-wchar")]);
        report.add(QStringLiteral("W1 ratio grid / plain ODBC (SQL_C_WCHAR)"),
                   QString::number(*outcome.ratio, 'f', 2) + u'x',
                   QStringLiteral("<= %1x").arg(kW1MaxRatioToOdbc, 0, 'f', 2),
                   *outcome.ratio <= kW1MaxRatioToOdbc);
    }
    if (times.count(QStringLiteral("grid-hidden")) && times.count(QStringLiteral("odbc-wchar")))
        report.add(QStringLiteral("W1 ratio grid never shown / plain ODBC (SQL_C_WCHAR), for "
                                  "information"),
                   QString::number(median(times[QStringLiteral("grid-hidden")]) /
                                       median(times[QStringLiteral("odbc-wchar")]),
                                   'f', 2) +
                       u'x');
    if (haveGrid && times.count(QStringLiteral("odbc-char")))
        report.add(QStringLiteral("W1 ratio grid / plain ODBC (SQL_C_CHAR), for information"),
                   QString::number(grid / median(times[QStringLiteral("odbc-char")]), 'f', 2) +
                       u'x');
    if (haveGrid && times.count(QStringLiteral("qsql"))) {
        const double speedUp = median(times[QStringLiteral("qsql")]) / grid;
        report.add(QStringLiteral("W1 speed-up of the grid over QSqlQuery"),
                   QString::number(speedUp, 'f', 2) + u'x',
                   QStringLiteral(">= %1x").arg(kW1MinSpeedUpOverQt, 0, 'f', 2),
                   speedUp >= kW1MinSpeedUpOverQt);
    }
    if (textBytes > 0)
        report.add(QStringLiteral("W1 text per row as the driver sends it (SQL_C_CHAR)"),
                   QString::number(static_cast<double>(textBytes) / static_cast<double>(expected),
                                   'f', 1) +
                       QStringLiteral(" B"));

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
        malloc_trim(0);
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
        report.add(QStringLiteral("W1 heap per stored row (mallinfo2 after - before)"),
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

void benchW4(const Settings& settings, GridBench& bench, Report& report) {
    const auto measure = [&](const QString& sql, const QString& name, bool judged) {
        bench.build(sql);
        std::vector<double> times;
        double stall = 0;
        for (int round = 0; round <= settings.runs; ++round) {
            bench.clear();
            const GridRun run = bench.retrieve([](long row) -> long { return row == 5 ? 1 : 0; });
            if (run.rows != 5)
                throw BenchError(QStringLiteral("W4 kept %1 rows, not 5").arg(run.rows));
            if (round > 0) {
                times.push_back(run.seconds);
                stall = std::max(stall, run.stallMs);
            }
        }
        bench.clear();
        say(QStringLiteral("%1 runs (ms): %2").arg(name, secondsList(times, 1000.0, 2)));
        if (judged) {
            report.add(name + QStringLiteral(", median of %1").arg(settings.runs),
                       ms(median(times)), QStringLiteral("< %1 ms").arg(kW4MaxMs, 0, 'f', 0),
                       median(times) < kW4MaxMs);
            report.add(name + QStringLiteral(", slowest"),
                       ms(*std::max_element(times.begin(), times.end())));
        } else {
            report.add(name + QStringLiteral(", median of %1").arg(settings.runs),
                       ms(median(times)));
        }
        return stall;
    };
    const double stall =
        measure(w4Select(), QStringLiteral("W4 Retrieve() to fifth row, 10,000,000 rows"), true);
    measure(w1Select(), QStringLiteral("W4 the same on the 1,000,000-row table, for comparison"),
            false);
    report.add(QStringLiteral("W4 longest event-loop stall"),
               QString::number(stall, 'f', 1) + QStringLiteral(" ms"),
               QStringLiteral("<= %1 ms").arg(kMaxStallMs, 0, 'f', 0), stall <= kMaxStallMs);
}

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

std::optional<double> runBench(const Settings& settings, Report& report) {
    prepareTables(settings);
    ReportingMessageBoxes boxes;
    auto slot = connectSlot(settings, QStringLiteral("SQLCA"));
    GridBench bench(*slot, boxes);
    std::optional<double> ratio;
    if (settings.w1)
        ratio = benchW1(settings, *slot, boxes, bench, report).ratio;
    if (settings.w4)
        benchW4(settings, bench, report);
    if (settings.w5)
        benchW5(settings, bench, report);
    report.add(QStringLiteral("peak resident memory, whole run (ru_maxrss)"),
               QString::number(peakRssMiB(), 'f', 1) + QStringLiteral(" MiB"));
    return ratio;
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
    const QCommandLineOption only(QStringLiteral("only"),
                                  QStringLiteral("Workloads to run, of w1,w4,w5 (default all)."),
                                  QStringLiteral("list"), QStringLiteral("w1,w4,w5"));
    const QCommandLineOption contenders(
        QStringLiteral("w1"),
        QStringLiteral("W1 contenders, of grid,odbc-wchar,odbc-char,qsql,grid-hidden (default "
                       "all)."),
        QStringLiteral("list"), QStringLiteral("grid,odbc-wchar,odbc-char,qsql,grid-hidden"));
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
    settings.strict = parser.isSet(strict);

    Report report;
    std::optional<double> ratio;
    int status = 0;
    try {
        ratio = runBench(settings, report);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dorvane_bench: %s\n", error.what());
        status = 1;
    }
    report.print();
    if (status == 0 && settings.strict && report.anyFailed())
        status = 2;
    say(ratio ? QStringLiteral("w1_ratio_vs_odbc=%1").arg(*ratio, 0, 'f', 2)
              : QStringLiteral("w1_ratio_vs_odbc=n/a"));
    return status;
}
