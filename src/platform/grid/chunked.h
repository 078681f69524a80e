#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

namespace platform::grid {

// An append-only sequence stored in chunks: growing never copies what is stored and never
// leaves more than one partly used chunk. Chunks start small (a grid of five rows stays small)
// and double up to a fixed size.
template <typename T, std::size_t FirstChunk = 256, std::size_t Doublings = 8> class ChunkedBuffer {
public:
    static constexpr std::size_t kFirst = FirstChunk;
    static constexpr std::size_t kLast = FirstChunk << Doublings;
    // Elements held by the chunks that grow before they reach the full size.
    static constexpr std::size_t kGrowing = FirstChunk * ((std::size_t{1} << Doublings) - 1);

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    void push_back(T value) {
        if (size_ == capacity_)
            grow();
        locate(size_) = value;
        ++size_;
    }

    void append(const T* data, std::size_t count) {
        while (count > 0) {
            if (size_ == capacity_)
                grow();
            const Position at = position(size_);
            const std::size_t room = chunkSize(at.chunk) - at.offset;
            const std::size_t n = std::min(room, count);
            std::memcpy(chunks_[at.chunk].get() + at.offset, data, n * sizeof(T));
            data += n;
            count -= n;
            size_ += n;
        }
    }

    T operator[](std::size_t index) const {
        const Position at = position(index);
        return chunks_[at.chunk][at.offset];
    }
    T& at(std::size_t index) { return locate(index); }

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
        const std::size_t keep = count == 0 ? 0 : position(count - 1).chunk + 1;
        chunks_.resize(keep);
        capacity_ = 0;
        for (std::size_t i = 0; i < keep; ++i)
            capacity_ += chunkSize(i);
    }

    void clear() { truncate(0); }

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

    T& locate(std::size_t index) {
        const Position at = position(index);
        return chunks_[at.chunk][at.offset];
    }

    void grow() {
        const std::size_t size = chunkSize(chunks_.size());
        chunks_.push_back(std::make_unique_for_overwrite<T[]>(size));
        capacity_ += size;
    }

    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace platform::grid
