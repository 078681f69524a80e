#pragma once

#include <QString>
#include <cstdint>
#include <limits>
#include <optional>

namespace platform {

// A size of memory as a user writes it: a number of bytes, whole or with a fraction, and an
// optional unit K, M, G or T (powers of 1024; "k", "MB", "MiB" alike), as in "512M", "2G",
// "1.5G" or "1048576". nullopt for anything else, for zero and for sizes past 2^64.
std::optional<std::uint64_t> parseMemorySize(const QString& text);

// "900 bytes", "512.0 MiB", "2.0 GiB".
QString formatMemorySize(std::uint64_t bytes);

// The limit a cgroup's memory file states (memory.max, memory.limit_in_bytes): nullopt for
// "max", for text that is no number, and for values so large that they mean no limit.
std::optional<std::uint64_t> parseCgroupLimit(const QString& text);

// The memory file of the process's own cgroup, given the text of /proc/self/cgroup: under
// `root`, for a v1 memory controller ("n:...memory...:/path") memory/path/memory.limit_in_bytes,
// else for cgroup v2 ("0::/path") path/memory.max. Empty when the text names neither.
QString cgroupMemoryFile(const QString& procSelfCgroup,
                         const QString& root = QStringLiteral("/sys/fs/cgroup"));

// What bounds the memory of the process; nullopt where there is no such bound or it is unknown.
struct MemoryBounds {
    std::optional<std::uint64_t> addressSpace; // RLIMIT_AS
    std::optional<std::uint64_t> cgroup;
    std::optional<std::uint64_t> physical;
};

// The bounds that apply to this process.
MemoryBounds memoryBoundsOfProcess();

// The smallest of the known bounds; nullopt when none is known.
std::optional<std::uint64_t> smallestBound(const MemoryBounds& bounds);

// The memory the rows of the grids may hold unless the user says otherwise: half of the smallest
// bound, or kNoRowMemoryLimit when none is known.
inline constexpr std::uint64_t kNoRowMemoryLimit = std::numeric_limits<std::uint64_t>::max();
std::uint64_t defaultRowMemory(const MemoryBounds& bounds);

// The limit on the memory that the rows of all grids hold together: the one set by
// setRowMemoryLimit() (the program's --row-memory), else DORVANE_ROW_MEMORY when it is a size,
// else defaultRowMemory() of this process. Chosen on first use; safe from any thread.
std::uint64_t rowMemoryLimit();
// Sets the limit (kNoRowMemoryLimit: none); 0 lets the next rowMemoryLimit() choose it afresh.
void setRowMemoryLimit(std::uint64_t bytes);

} // namespace platform
