#include "platform/grid/chunk_memory.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <unistd.h>

namespace platform::grid {

namespace {

std::atomic<std::size_t> mappedBytes{0};

// Whole chunks given back, kept for the next ones: the kernel zeroes every page it hands out
// anew, which for a million rows costs a tenth of a second, and a grid that retrieves again
// would pay it again. They are marked MADV_FREE, so the kernel may still take their pages back
// when it runs short; nothing is read from a chunk before it is written.
class ChunkPool {
public:
    void* take() {
        std::lock_guard lock(mutex_);
        return count_ == 0 ? nullptr : free_[--count_];
    }
    // False when the pool is full and the block must go back to the system.
    bool keep(void* block) {
        std::lock_guard lock(mutex_);
        if (count_ == free_.size())
            return false;
        madvise(block, kMappedChunkBytes, MADV_FREE);
        free_[count_++] = block;
        return true;
    }
    // Unmaps every kept block (when mapping anew fails, the address space they hold may be
    // what is missing).
    bool drain() {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < count_; ++i)
            munmap(free_[i], kMappedChunkBytes);
        const bool any = count_ > 0;
        count_ = 0;
        return any;
    }

private:
    std::mutex mutex_;
    std::array<void*, 128> free_{};
    std::size_t count_ = 0;
};
// Nothing to run at exit: chunks freed by other static objects' destructors still find it.
static_assert(std::is_trivially_destructible_v<ChunkPool>);

ChunkPool& pool() {
    static ChunkPool chunks;
    return chunks;
}

std::size_t pageSize() {
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t roundUpToPage(std::size_t bytes) {
    const std::size_t page = pageSize();
    return (bytes + page - 1) / page * page;
}

// Maps `bytes` (a multiple of the page size) at an address aligned to kMappedChunkBytes: a
// larger mapping, trimmed at both ends.
void* mapAligned(std::size_t bytes) {
    if (bytes == kMappedChunkBytes) {
        if (void* kept = pool().take())
            return kept;
    }
    const std::size_t span = bytes + kMappedChunkBytes;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED && pool().drain())
        raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned =
        (start + kMappedChunkBytes - 1) / kMappedChunkBytes * kMappedChunkBytes;
    if (aligned > start)
        munmap(raw, aligned - start);
    const std::uintptr_t end = start + span;
    if (end > aligned + bytes)
        munmap(reinterpret_cast<void*>(aligned + bytes), end - aligned - bytes);
    void* block = reinterpret_cast<void*>(aligned);
    // Only advice: without huge pages the block works as well, only faults in more often.
    madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

} // namespace

void releaseKeptChunks() {
    pool().drain();
}

std::size_t mappedChunkBytes() {
    return mappedBytes.load(std::memory_order_relaxed);
}

ChunkMemory::ChunkMemory(std::size_t bytes) {
    if (bytes >= kMappedChunkBytes) {
        bytes = roundUpToPage(bytes);
        data_ = mapAligned(bytes);
        mapped_ = true;
        mappedBytes += bytes;
    } else {
        data_ = std::malloc(bytes == 0 ? 1 : bytes);
        if (data_ == nullptr)
            throw std::bad_alloc();
    }
    bytes_ = bytes;
}

ChunkMemory& ChunkMemory::operator=(ChunkMemory&& other) noexcept {
    if (this != &other) {
        free();
        data_ = std::exchange(other.data_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
        mapped_ = std::exchange(other.mapped_, false);
    }
    return *this;
}

void ChunkMemory::free() noexcept {
    if (data_ == nullptr)
        return;
    if (mapped_) {
        if (bytes_ != kMappedChunkBytes || !pool().keep(data_))
            munmap(data_, bytes_);
        mappedBytes -= bytes_;
    } else {
        std::free(data_);
    }
    data_ = nullptr;
    bytes_ = 0;
}

void ChunkMemory::shrink(std::size_t keep) noexcept {
    if (!mapped_)
        return;
    // A block keeps at least a page, so that it never has to be mapped anew to grow.
    keep = roundUpToPage(keep == 0 ? 1 : keep);
    if (keep >= bytes_)
        return;
    munmap(static_cast<char*>(data_) + keep, bytes_ - keep);
    mappedBytes -= bytes_ - keep;
    bytes_ = keep;
}

void ChunkMemory::grow(std::size_t bytes) {
    // Only a mapped block shrinks, so only a mapped block is ever short of its size.
    if (bytes <= bytes_ || !mapped_)
        return;
    bytes = roundUpToPage(bytes);
    void* moved = mremap(data_, bytes_, bytes, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED)
        throw std::bad_alloc();
    madvise(moved, bytes, MADV_HUGEPAGE);
    mappedBytes += bytes - bytes_;
    data_ = moved;
    bytes_ = bytes;
}

} // namespace platform::grid
