#pragma once

#include "platform/grid/chunk_memory.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace platform::grid {

// The chunks of a buffer, each at an address that never changes while chunks are added: one
// thread may look up the chunks that hold published elements while another adds chunks after
// them (a vector would move them all when it grows). Chunk i lives in group g = log2(i + 1),
// the groups doubling in size.
template <typename C> class ChunkTable {
public:
    ChunkTable() = default;
    ChunkTable(ChunkTable&& other) noexcept
        : groups_(std::move(other.groups_)), size_(std::exchange(other.size_, 0)) {}
    ChunkTable& operator=(ChunkTable&& other) noexcept {
        groups_ = std::move(other.groups_);
        size_ = std::exchange(other.size_, 0);
        return *this;
    }

    std::size_t size() const { return size_; }
    C& operator[](std::size_t index) const {
        const Slot at = slot(index);
        return groups_[at.group][at.index];
    }
    C& back() const { return (*this)[size_ - 1]; }

    template <typename... Args> void emplace_back(Args&&... args) {
        const Slot at = slot(size_);
        if (!groups_[at.group])
            groups_[at.group] = std::make_unique<C[]>(std::size_t{1} << at.group);
        groups_[at.group][at.index] = C(std::forward<Args>(args)...);
        ++size_;
    }
    // Keeps the first `count` chunks and frees the others.
    void cut(std::size_t count) {
        while (size_ > count)
            (*this)[--size_] = C();
        if (size_ == 0)
            groups_ = {};
    }

private:
    struct Slot {
        std::size_t group;
        std::size_t index;
    };
    static Slot slot(std::size_t index) {
        const std::size_t g = static_cast<std::size_t>(std::bit_width(index + 1)) - 1;
        return {g, index + 1 - (std::size_t{1} << g)};
    }

    std::array<std::unique_ptr<C[]>, 40> groups_{};
    std::size_t size_ = 0;
};

// An append-only sequence stored in chunks: growing never copies what is stored and never
// leaves more than one partly used chunk. Chunks start small (a grid of five rows stays small)
// and double `Doublings` times; every chunk after those has `LastChunk` elements (by default
// the next doubling; chunks of 2 MiB and more are mapped, see chunk_memory.h).
template <typename T, std::size_t FirstChunk = 256, std::size_t Doublings = 8,
          std::size_t LastChunk = (FirstChunk << Doublings)>
class ChunkedBuffer {
public:
    static_assert(Doublings > 0 && LastChunk >= (FirstChunk << (Doublings - 1)));
    static constexpr std::size_t kFirst = FirstChunk;
    static constexpr std::size_t kLast = LastChunk;
    // Elements held by the chunks that grow before they reach the full size.
    static constexpr std::size_t kGrowing = FirstChunk * ((std::size_t{1} << Doublings) - 1);

    ChunkedBuffer() = default;
    ChunkedBuffer(ChunkedBuffer&& other) noexcept
        : chunks_(std::move(other.chunks_)), size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)), next_(std::exchange(other.next_, nullptr)),
          end_(std::exchange(other.end_, nullptr)) {}
    ChunkedBuffer& operator=(ChunkedBuffer&& other) noexcept {
        if (this == &other)
            return *this;
        chunks_ = std::move(other.chunks_);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        next_ = std::exchange(other.next_, nullptr);
        end_ = std::exchange(other.end_, nullptr);
        return *this;
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    void push_back(T value) {
        if (next_ == end_)
            advance();
        *next_++ = value;
        ++size_;
    }

    void append(const T* data, std::size_t count) {
        appendSpans(count, [&data](T* out, std::size_t n) {
            std::memcpy(out, data, n * sizeof(T));
            data += n;
        });
    }

    // Appends `count` elements that f(out, n) writes, in contiguous pieces.
    template <typename F> void appendSpans(std::size_t count, F&& f) {
        while (count > 0) {
            if (next_ == end_)
                advance();
            const std::size_t n = std::min(static_cast<std::size_t>(end_ - next_), count);
            f(next_, n);
            next_ += n;
            size_ += n;
            count -= n;
        }
    }

    T operator[](std::size_t index) const {
        const Position at = position(index);
        return chunks_[at.chunk][at.offset];
    }
    T& at(std::size_t index) { return locate(index); }
    const T& ref(std::size_t index) const { return locate(index); }

    // Copies `count` elements from `begin` to `out`, across chunk borders.
    void copyOut(std::size_t begin, std::size_t count, T* out) const {
        while (count > 0) {
            const Position at = position(begin);
            const std::size_t n = std::min(chunkSize(at.chunk) - at.offset, count);
            std::memcpy(out, chunks_[at.chunk].get() + at.offset, n * sizeof(T));
            out += n;
            begin += n;
            count -= n;
        }
    }

    // [begin, begin + count) where it lies in one chunk; null where it spans two.
    const T* contiguous(std::size_t begin, std::size_t count) const {
        const Position at = position(begin);
        if (count > chunkSize(at.chunk) - at.offset)
            return nullptr;
        return chunks_[at.chunk].get() + at.offset;
    }

    // Calls f(pointer, n) for the contiguous pieces of [begin, begin + count).
    template <typename F> void forEachSpan(std::size_t begin, std::size_t count, F&& f) const {
        while (count > 0) {
            const Position at = position(begin);
            const std::size_t n = std::min(chunkSize(at.chunk) - at.offset, count);
            f(chunks_[at.chunk].get() + at.offset, n);
            begin += n;
            count -= n;
        }
    }

    // Keeps the first `count` elements and frees the chunks no longer needed.
    void truncate(std::size_t count) {
        if (count >= size_)
            return;
        size_ = count;
        releaseUnused();
    }

    void clear() { truncate(0); }

    // Empties the buffer but keeps its chunks, to be filled again without allocating.
    void reuse() {
        size_ = 0;
        next_ = end_ = nullptr;
    }

    // Frees the chunks past the last element (those that reuse() kept and nothing filled), and
    // the pages of a mapped last chunk that nothing filled.
    void releaseUnused() {
        next_ = end_ = nullptr;
        if (size_ == 0) {
            chunks_.cut(0);
        } else {
            const Position last = position(size_ - 1);
            chunks_.cut(last.chunk + 1);
            chunks_.back().shrink(last.offset + 1);
        }
        capacity_ = 0;
        for (std::size_t i = 0; i < chunks_.size(); ++i)
            capacity_ += chunks_[i].count();
    }

    std::size_t allocatedBytes() const { return capacity_ * sizeof(T); }

private:
    struct Position {
        std::size_t chunk;
        std::size_t offset;
    };

    static std::size_t chunkSize(std::size_t chunk) {
        return chunk < Doublings ? FirstChunk << chunk : kLast;
    }

    static Position position(std::size_t index) {
        if (index < kGrowing) {
            // Chunk i starts at FirstChunk * (2^i - 1).
            std::size_t chunk = 0;
            std::size_t start = 0;
            while (index >= start + (FirstChunk << chunk)) {
                start += FirstChunk << chunk;
                ++chunk;
            }
            return {chunk, index - start};
        }
        const std::size_t rest = index - kGrowing;
        return {Doublings + rest / kLast, rest % kLast};
    }

    T& locate(std::size_t index) const {
        const Position at = position(index);
        return chunks_[at.chunk][at.offset];
    }

    // Points next_ and end_ at the room after the last element, adding a chunk when there is
    // none and growing a last chunk that releaseUnused() cut short.
    void advance() {
        const Position at = position(size_);
        const std::size_t full = chunkSize(at.chunk);
        if (at.chunk == chunks_.size()) {
            chunks_.emplace_back(full);
            capacity_ += full;
        }
        Chunk<T>& chunk = chunks_[at.chunk];
        if (chunk.count() < full) {
            const std::size_t before = chunk.count();
            // A chunk that holds no element any more is replaced rather than grown, which would
            // copy what it held.
            if (at.offset == 0)
                chunk = Chunk<T>(full);
            else
                chunk.grow(full);
            capacity_ = capacity_ - before + chunk.count();
        }
        next_ = chunk.get() + at.offset;
        end_ = chunk.get() + full;
    }

    ChunkTable<Chunk<T>> chunks_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    // Where the next element goes, and the end of its chunk; both null until the next append
    // finds them.
    T* next_ = nullptr;
    T* end_ = nullptr;
};

} // namespace platform::grid
