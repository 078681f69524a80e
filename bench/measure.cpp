#include "measure.h"

#include "platform/grid/chunk_memory.h"
#include "platform/odbc/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace bench {

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

QString ms(double seconds) {
    return QString::number(seconds * 1000.0, 'f', 1) + QStringLiteral(" ms");
}

QString sec(double seconds) {
    return QString::number(seconds, 'f', 3) + QStringLiteral(" s");
}

void failOn(SQLSMALLINT handleType, SQLHANDLE handle, const QString& what) {
    throw BenchError(
        what + QStringLiteral(": ") +
        platform::odbc::formatDiagnostics(platform::odbc::diagnostics(handleType, handle)));
}

std::size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd + platform::grid::mappedChunkBytes();
}

void releaseFreedMemory() {
    malloc_trim(0);
    platform::grid::releaseKeptChunks();
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

double peakRssSinceResetMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0; // in kB
    }
    return 0.0;
}

bool resetPeakRss() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return clear.good();
}

double processCpuSeconds(int who) {
    struct rusage usage {};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

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

CpuMark cpuNow(long long serverPid) {
    return {processCpuSeconds(), serverCpuSeconds(serverPid), processCpuSeconds(RUSAGE_THREAD)};
}

CpuMark cpuSince(const CpuMark& start, long long serverPid) {
    const CpuMark now = cpuNow(serverPid);
    return {now.client - start.client, now.server - start.server, now.main - start.main};
}

void Report::add(const QString& name, const QString& measured, const QString& target,
                 std::optional<bool> pass) {
    figures_.push_back({name, measured, target, pass});
}

bool Report::anyFailed() const {
    return std::any_of(figures_.begin(), figures_.end(),
                       [](const Figure& f) { return f.pass.has_value() && !*f.pass; });
}

void Report::print() const {
    qsizetype nameWidth = 6;
    qsizetype measuredWidth = 8;
    qsizetype targetWidth = 6;
    for (const Figure& f : figures_) {
        nameWidth = std::max(nameWidth, qsizetype(f.name.size()));
        measuredWidth = std::max(measuredWidth, qsizetype(f.measured.size()));
        targetWidth = std::max(targetWidth, qsizetype(f.target.size()));
    }
    const auto line = [&](const QString& a, const QString& b, const QString& c, const QString& d) {
        say(a.leftJustified(nameWidth) + QStringLiteral("  ") + b.rightJustified(measuredWidth) +
            QStringLiteral("  ") + c.leftJustified(targetWidth) + QStringLiteral("  ") + d);
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

AlternatedTimes alternateRounds(int runs, const std::function<double()>& first,
                                const std::function<double()>& second,
                                const std::function<void(const QString&, double, double)>& say) {
    AlternatedTimes times;
    for (int round = 0; round <= runs; ++round) {
        double firstSeconds = 0;
        double secondSeconds = 0;
        for (int k = 0; k < 2; ++k) {
            if ((k + round) % 2 == 0)
                firstSeconds = first();
            else
                secondSeconds = second();
        }
        say(round == 0 ? QStringLiteral("warm-up") : QStringLiteral("run %1").arg(round),
            firstSeconds, secondSeconds);
        if (round > 0) {
            times.first.push_back(firstSeconds);
            times.second.push_back(secondSeconds);
        }
    }
    return times;
}

} // namespace bench
