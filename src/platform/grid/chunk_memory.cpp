#include "platform/grid/chunk_memory.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <unistd.h>
#include <vector>

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

// Maps a block as mapAligned() does and counts it.
void* mapCounted(std::size_t bytes) {
    void* block = mapAligned(bytes);
    mappedBytes += bytes;
    return block;
}

// Gives a mapped block back: a whole chunk to the pool, anything else to the system.
void unmapCounted(void* block, std::size_t bytes) noexcept {
    if (bytes != kMappedChunkBytes || !pool().keep(block))
        munmap(block, bytes);
    mappedBytes -= bytes;
}

} // namespace

// A mapped chunk that holds the kept parts of shrunk chunks one after another; it goes back when
// the last of them goes.
struct TailPack {
    TailPack() : base(static_cast<char*>(mapCounted(kMappedChunkBytes))) {}
    ~TailPack() { unmapCounted(base, kMappedChunkBytes); }
    TailPack(const TailPack&) = delete;
    TailPack& operator=(const TailPack&) = delete;

    char* const base;
    std::size_t used = 0; // guarded by the packer's mutex
};

namespace {

// Hands out room in the packs: in the one with the least room that is enough (the kept parts
// are of any size up to a chunk, and a pack that only the last part filled would leave much of
// itself unused), or in a new one.
class TailPacker {
public:
    // Room for `bytes` (less than a chunk); throws std::bad_alloc.
    std::pair<std::shared_ptr<TailPack>, void*> take(std::size_t bytes) {
        constexpr std::size_t align = 64;
        bytes = (bytes + align - 1) / align * align;
        std::lock_guard lock(mutex_);
        std::shared_ptr<TailPack> best;
        for (auto it = open_.begin(); it != open_.end();) {
            std::shared_ptr<TailPack> pack = it->lock();
            // A pack that all its parts have left is gone; one almost full is not looked at again.
            if (!pack || kMappedChunkBytes - pack->used < kSmallestRoom) {
                it = open_.erase(it);
                continue;
            }
            if (kMappedChunkBytes - pack->used >= bytes && (!best || pack->used > best->used))
                best = std::move(pack);
            ++it;
        }
        if (!best) {
            open_.reserve(open_.size() + 1);
            best = std::make_shared<TailPack>();
            open_.push_back(best);
        }
        void* room = best->base + best->used;
        best->used += bytes;
        return {std::move(best), room};
    }

private:
    static constexpr std::size_t kSmallestRoom = 4096;
    std::mutex mutex_;
    std::vector<std::weak_ptr<TailPack>> open_;
};

TailPacker& packer() {
    static TailPacker packs;
    return packs;
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
        data_ = mapCounted(bytes);
        mapped_ = true;
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
        pack_ = std::move(other.pack_);
    }
    return *this;
}

void ChunkMemory::free() noexcept {
    if (data_ == nullptr)
        return;
    if (pack_)
        pack_.reset();
    else if (mapped_)
        unmapCounted(data_, bytes_);
    else
        std::free(data_);
    data_ = nullptr;
    bytes_ = 0;
    mapped_ = false;
}

void ChunkMemory::shrink(std::size_t keep) noexcept {
    if (!mapped_)
        return;
    keep = std::max<std::size_t>(keep, 1);
    if (bytes_ == kMappedChunkBytes && keep < bytes_) {
        try {
            auto [pack, room] = packer().take(keep);
            std::memcpy(room, data_, keep);
            unmapCounted(data_, bytes_);
            data_ = room;
            bytes_ = keep;
            mapped_ = false;
            pack_ = std::move(pack);
            return;
        } catch (const std::bad_alloc&) {
        }
    }
    keep = roundUpToPage(keep);
    if (keep >= bytes_)
        return;
    munmap(static_cast<char*>(data_) + keep, bytes_ - keep);
    mappedBytes -= bytes_ - keep;
    bytes_ = keep;
}

void ChunkMemory::grow(std::size_t bytes) {
    // Only a mapped block shrinks, so only a mapped or a packed block is ever short of its size.
    if (bytes <= bytes_ || (!mapped_ && !pack_))
        return;
    if (pack_) {
        ChunkMemory whole(bytes);
        std::memcpy(whole.data(), data_, bytes_);
        *this = std::move(whole);
        return;
    }
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
