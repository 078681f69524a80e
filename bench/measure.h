#pragma once

// Measuring helpers of the retrieval benchmark: clocks, CPU and memory figures, the settings of
// a run and the table of figures that it prints.

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <sql.h>
#include <stdexcept>
#include <sys/resource.h>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

constexpr long long kW1Rows = 1'000'000;
constexpr long long kW4Rows = 10'000'000;
// Rows per block of the plain ODBC loop: the grid's own block size.
constexpr SQLULEN kBlockRows = 1024;
// A measurement that takes longer than this is not repeated: the figure has failed already and
// the run would not end in reasonable time.
constexpr double kGiveUpSeconds = 5.0;

// The targets. Speed is judged as a ratio to a baseline measured in the same run; absolute times
// only where the goal is what a person perceives (a preview, a Stop, a click, a stall).
// Grid time over the faster of the two plain ODBC loops, shown grid and second retrieval alike.
constexpr double kW1MaxRatioToBestLoop = 1.05;
// The shown grid's processor time (the whole process) over the SQL_C_CHAR loop's, in every round.
constexpr double kW1MaxCpuRatio = 1.10;
constexpr double kW1MinSpeedUpOverQt = 2.3;
constexpr double kMaxHeapPerRow = 150.0;
constexpr double kW4MaxMs = 100.0;
constexpr double kW5FetchMaxMs = 100.0;
constexpr double kW5SleepMaxMs = 1000.0;
constexpr double kMaxStallMs = 50.0;
// The linked view's master click: its time, and its time over the plain loop's.
constexpr double kM1MaxMs = 50.0;
constexpr double kM1MaxRatio = 2.0;
// Start-up: the program's time to its logon window over a minimal Qt Widgets program's.
constexpr double kStartupMaxRatio = 1.3;
// L1, four SQL workspaces retrieving W1 at once: the longest event-loop stall, and the peak
// resident memory growth over that of one workspace retrieving alone.
constexpr double kL1MaxStallMs = 100.0;
constexpr double kL1MaxMemoryRatio = 4.0;
// E1, Save As of the W1 rows: CSV time over the plain write loop's, Excel time over the plain
// libxlsxwriter loop's, and the peak resident memory growth of an Excel Save As.
constexpr double kE1MaxCsvRatio = 2.0;
constexpr double kE1MaxExcelRatio = 1.3;
constexpr double kE1MaxExcelGrowthMiB = 32.0;

// U1, a Save of 1,000 edited rows: time with the guarded WHERE clause over the key-only one.
constexpr double kU1MaxRatio = 1.5;

class BenchError : public std::runtime_error {
public:
    explicit BenchError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

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
    bool m1 = true;
    bool load = true;
    bool saveas = true;
    bool saveguard = true;
    bool startup = true;
    bool sort = true;
    bool script = true;
    bool strict = false;
};

double secondsBetween(Clock::time_point from, Clock::time_point to);
void say(const QString& line);
double median(std::vector<double> values);
QString secondsList(const std::vector<double>& values, double scale, int decimals);
QString ms(double seconds);

// Two contenders timed in turns: one warm-up round, then `runs` rounds, each starting with the
// other one, so that neither always follows the other. `say` hears every round (0: the warm-up)
// with the seconds of both; what comes back leaves the warm-up out.
struct AlternatedTimes {
    std::vector<double> first;
    std::vector<double> second;
};
AlternatedTimes
alternateRounds(int runs, const std::function<double()>& first,
                const std::function<double()>& second,
                const std::function<void(const QString& round, double first, double second)>& say);
QString sec(double seconds);

[[noreturn]] void failOn(SQLSMALLINT handleType, SQLHANDLE handle, const QString& what);

// Heap in use, over every malloc arena (the worker's too) and mmapped blocks, and the grids'
// row chunks that are mapped apart from the heap.
std::size_t heapInUse();
// Gives what was freed back to the system: the heap's free memory (malloc_trim) and the row
// chunks kept for the next retrieval, so that memory figures start from what is in use.
void releaseFreedMemory();
double peakRssMiB();
double currentRssMiB();
// The peak resident memory since the last resetPeakRss() (VmHWM of /proc/self/status), and its
// reset (through /proc/self/clear_refs): false when the kernel does not allow it.
double peakRssSinceResetMiB();
bool resetPeakRss();

// CPU time of this process (every thread), or with RUSAGE_THREAD of the calling thread only.
double processCpuSeconds(int who = RUSAGE_SELF);
// CPU time of a local server process (the connection's backend); 0 when it cannot be read.
double serverCpuSeconds(long long pid);

// CPU time that every processor of the machine spent busy, and the part of it that the
// hypervisor took for other machines (steal), from /proc/stat.
struct MachineCpu {
    double busy = 0;
    double steal = 0;
};
MachineCpu machineCpu();

QString loadAverage();

// CPU used by this process (every thread) and by the server process for the connection.
// `main` is the part of `client` that the main (user-interface) thread used.
struct CpuMark {
    double client = 0;
    double server = 0;
    double main = 0;
};
CpuMark cpuNow(long long serverPid);
CpuMark cpuSince(const CpuMark& start, long long serverPid);

struct Figure {
    QString name;
    QString measured;
    QString target;
    std::optional<bool> pass;
};

class Report {
public:
    void add(const QString& name, const QString& measured, const QString& target = {},
             std::optional<bool> pass = std::nullopt);
    bool anyFailed() const;
    void print() const;

private:
    std::vector<Figure> figures_;
};

} // namespace bench
