#include "platform/memorylimit.h"

#include <QFile>
#include <atomic>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

namespace {

// Cgroups write a limit near 2^63 where there is none (v1: the largest multiple of the page
// size); no machine has that much memory.
constexpr std::uint64_t kNoCgroupLimitFrom = std::uint64_t{1} << 60;

std::optional<std::uint64_t> unitFactor(const QString& unit) {
    const QString u = unit.toLower();
    if (u.isEmpty() || u == QLatin1String("b"))
        return 1;
    const int power = QStringLiteral("kmgt").indexOf(u[0]);
    const QString rest = u.mid(1);
    if (power < 0 || !(rest.isEmpty() || rest == QLatin1String("b") || rest == QLatin1String("ib")))
        return std::nullopt;
    return std::uint64_t{1} << (10 * (power + 1));
}

std::optional<QString> readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(file.read(64 * 1024));
}

} // namespace

std::optional<std::uint64_t> parseMemorySize(const QString& written) {
    const QString text = written.trimmed();
    int at = 0;
    std::uint64_t whole = 0;
    bool digits = false;
    for (; at < text.size() && text[at].isDigit(); ++at) {
        const auto digit = static_cast<std::uint64_t>(text[at].digitValue());
        if (__builtin_mul_overflow(whole, std::uint64_t{10}, &whole) ||
            __builtin_add_overflow(whole, digit, &whole))
            return std::nullopt;
        digits = true;
    }
    // A fraction of up to nine digits counts; more would be finer than a byte anyway.
    std::uint64_t fraction = 0;
    std::uint64_t scale = 1;
    if (at < text.size() && text[at] == QLatin1Char('.')) {
        ++at;
        for (; at < text.size() && text[at].isDigit(); ++at) {
            if (scale < 1000000000) {
                fraction = fraction * 10 + static_cast<std::uint64_t>(text[at].digitValue());
                scale *= 10;
            }
            digits = true;
        }
    }
    if (!digits)
        return std::nullopt;
    const auto factor = unitFactor(text.mid(at).trimmed());
    if (!factor)
        return std::nullopt;
    std::uint64_t bytes = 0;
    if (__builtin_mul_overflow(whole, *factor, &bytes))
        return std::nullopt;
    // fraction * factor / scale, in two parts that cannot overflow (fraction < scale <= 10^9).
    const std::uint64_t part = *factor / scale * fraction + *factor % scale * fraction / scale;
    if (__builtin_add_overflow(bytes, part, &bytes) || bytes == 0)
        return std::nullopt;
    return bytes;
}

QString formatMemorySize(std::uint64_t bytes) {
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(static_cast<qulonglong>(bytes));
    static const char* const units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = static_cast<double>(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 5) {
        value /= 1024;
        ++unit;
    }
    return QString::number(value, 'f', 1) + QLatin1Char(' ') + QLatin1String(units[unit]);
}

std::optional<std::uint64_t> parseCgroupLimit(const QString& text) {
    bool ok = false;
    const std::uint64_t value = text.trimmed().toULongLong(&ok);
    if (!ok || value >= kNoCgroupLimitFrom)
        return std::nullopt;
    return value;
}

QString cgroupMemoryFile(const QString& procSelfCgroup, const QString& root) {
    // A memory controller on a v1 hierarchy is the one in force (on a hybrid system the v2
    // hierarchy beside it has none).
    QString v2;
    for (const QString& line : procSelfCgroup.split(QLatin1Char('\n'))) {
        // hierarchy-ID:controller-list:path; the path may itself hold colons.
        const int first = line.indexOf(QLatin1Char(':'));
        const int second = first < 0 ? -1 : line.indexOf(QLatin1Char(':'), first + 1);
        if (second < 0)
            continue;
        const QString controllers = line.mid(first + 1, second - first - 1);
        QString path = line.mid(second + 1).trimmed();
        if (path.endsWith(QLatin1Char('/')))
            path.chop(1);
        if (line.left(first) == QLatin1String("0") && controllers.isEmpty()) {
            v2 = root + path + QStringLiteral("/memory.max");
            continue;
        }
        for (const QString& controller : controllers.split(QLatin1Char(','))) {
            if (controller == QLatin1String("memory"))
                return root + QStringLiteral("/memory") + path +
                       QStringLiteral("/memory.limit_in_bytes");
        }
    }
    return v2;
}

MemoryBounds memoryBoundsOfProcess() {
    MemoryBounds bounds;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        bounds.addressSpace = static_cast<std::uint64_t>(limit.rlim_cur);
    if (const auto groups = readSmallFile(QStringLiteral("/proc/self/cgroup"))) {
        const QString file = cgroupMemoryFile(*groups);
        if (!file.isEmpty()) {
            if (const auto text = readSmallFile(file))
                bounds.cgroup = parseCgroupLimit(*text);
        }
    }
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        bounds.physical = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    return bounds;
}

std::optional<std::uint64_t> smallestBound(const MemoryBounds& bounds) {
    std::optional<std::uint64_t> smallest;
    for (const auto& bound : {bounds.addressSpace, bounds.cgroup, bounds.physical}) {
        if (bound && (!smallest || *bound < *smallest))
            smallest = bound;
    }
    return smallest;
}

std::uint64_t defaultRowMemory(const MemoryBounds& bounds) {
    const auto smallest = smallestBound(bounds);
    return smallest ? *smallest / 2 : kNoRowMemoryLimit;
}

namespace {

// 0 until a limit has been chosen.
std::atomic<std::uint64_t> chosenRowMemory{0};

} // namespace

std::uint64_t rowMemoryLimit() {
    std::uint64_t limit = chosenRowMemory.load(std::memory_order_relaxed);
    if (limit != 0)
        return limit;
    const auto fromEnvironment = parseMemorySize(qEnvironmentVariable("DORVANE_ROW_MEMORY"));
    limit = fromEnvironment ? *fromEnvironment : defaultRowMemory(memoryBoundsOfProcess());
    // A limit set meanwhile wins over the one chosen here.
    std::uint64_t unset = 0;
    chosenRowMemory.compare_exchange_strong(unset, limit, std::memory_order_relaxed);
    return chosenRowMemory.load(std::memory_order_relaxed);
}

void setRowMemoryLimit(std::uint64_t bytes) {
    chosenRowMemory.store(bytes, std::memory_order_relaxed);
}

} // namespace platform
