#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

namespace platform::grid {

// Where the chunks of the row arenas live. Chunks of kMappedChunkBytes and more are mapped
// straight from the system, aligned so that the kernel may back them with huge pages: a
// million rows then fault in a few hundred pages instead of tens of thousands, and a fault is
// the dearest thing a retrieval does per byte. Smaller chunks (small grids, the first chunks of
// every column) come from the heap.
inline constexpr std::size_t kMappedChunkBytes = std::size_t{2} << 20;

// Bytes of mapped chunks held by the whole program now (the heap's own figures miss them).
std::size_t mappedChunkBytes();

// Whole chunks given back are kept (up to 256 MiB, their pages free for the kernel to take back
// when it runs short) for the next retrieval, which then needs no fresh pages; this gives them
// back to the system at once, as malloc_trim does for the heap.
void releaseKeptChunks();

struct TailPack;

// A block of chunk memory: move-only, given back when it goes. Throws std::bad_alloc when the
// system has no memory for it.
class ChunkMemory {
public:
    ChunkMemory() = default;
    explicit ChunkMemory(std::size_t bytes);
    ChunkMemory(ChunkMemory&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), bytes_(std::exchange(other.bytes_, 0)),
          mapped_(std::exchange(other.mapped_, false)), pack_(std::move(other.pack_)) {}
    ChunkMemory& operator=(ChunkMemory&& other) noexcept;
    ChunkMemory(const ChunkMemory&) = delete;
    ChunkMemory& operator=(const ChunkMemory&) = delete;
    ~ChunkMemory() { free(); }

    void* data() const { return data_; }
    std::size_t bytes() const { return bytes_; }
    // Keeps only the first `keep` bytes of a mapped block (a heap block stays as it is); bytes()
    // then counts what is left. They move into a block shared with other shrunk blocks, so
    // that the mapped block goes back whole to the blocks kept for reuse: the pages of a block
    // cut short would go back to the system, and the next retrieval would need fresh ones,
    // which the kernel has to clear. Where that takes memory that is not there, the pages past
    // `keep` are given back instead.
    void shrink(std::size_t keep) noexcept;
    // Makes the block `bytes` long again after a shrink, keeping its content; it may move.
    void grow(std::size_t bytes);

private:
    void free() noexcept;

    void* data_ = nullptr;
    std::size_t bytes_ = 0;
    bool mapped_ = false;
    // The shared block that data_ lies in, for a block that a shrink moved.
    std::shared_ptr<TailPack> pack_;
};

// One chunk of `T`, as ChunkedBuffer keeps it.
template <typename T> class Chunk {
    static_assert(std::is_trivially_copyable_v<T>, "chunks hold plain values");

public:
    Chunk() = default;
    explicit Chunk(std::size_t count) : memory_(count * sizeof(T)) {}
    T* get() const { return static_cast<T*>(memory_.data()); }
    T& operator[](std::size_t index) const { return get()[index]; }
    std::size_t count() const { return memory_.bytes() / sizeof(T); }
    void shrink(std::size_t keep) noexcept { memory_.shrink(keep * sizeof(T)); }
    void grow(std::size_t count) { memory_.grow(count * sizeof(T)); }

private:
    ChunkMemory memory_;
};

} // namespace platform::grid
