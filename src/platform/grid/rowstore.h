#pragma once

#include "platform/grid/chunked.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::grid {

// The text of a cell's UTF-8 bytes. Unlike QString::fromUtf8, which takes a byte-order mark at
// the start for a mark of the encoding and drops it, it keeps a U+FEFF that a value starts with.
QString textOfCell(const QByteArray& utf8);

// Rows stored by column: per column, one byte arena (UTF-8 text, or raw bytes for binary
// columns), the end offset of every cell and a null bitmap. No object is made per cell; text
// becomes a QString only when it is read.
//
// One thread may append rows while others read the rows committed before: a chunk never moves
// while rows are appended after it, a null word that holds committed rows is written and read
// as an atomic, and commitRows() publishes the rows it commits (rowCount() reads with acquire).
// Readers then look only at rows below the rowCount() they read; everything else (truncate,
// reuse, a new RowStore) happens while no thread appends.
class RowStore {
public:
    explicit RowStore(std::size_t columns = 0);
    RowStore(RowStore&& other) noexcept;
    RowStore& operator=(RowStore&& other) noexcept;

    std::size_t columnCount() const { return columns_.size(); }
    std::size_t rowCount() const { return rows_.load(std::memory_order_acquire); }

    // A row is appended cell by cell, in column order, and then committed.
    void appendCell(std::size_t col, const char* data, std::size_t size);
    void appendNull(std::size_t col);
    void commitRow() { commitRows(1); }
    // Appends `count` cells to column `col` at once, for the rows rowCount() onwards: cell(i,
    // data, size) gives the i-th, or returns false for NULL. Once every column has its cells,
    // commitRows(count) makes them rows. A block of rows read column by column goes in so, with
    // the null marks of 64 rows set together.
    template <typename Cell> void appendColumn(std::size_t col, std::size_t count, Cell&& cell);
    void commitRows(std::size_t count);
    // An arena may hold at most 4 GiB; true when column `col` holds more than that, counting
    // cells not committed yet.
    bool overfull(std::size_t col) const;

    bool isNull(std::size_t row, std::size_t col) const;
    QByteArray bytes(std::size_t row, std::size_t col) const;
    // The cell's bytes where they lie, or copied to `scratch` where they span two chunks; valid
    // until the store or `scratch` changes.
    std::string_view view(std::size_t row, std::size_t col, std::string& scratch) const;
    QString text(std::size_t row, std::size_t col) const;
    // The cell's text read as a number, without making a string of it (0 when it is none).
    double number(std::size_t row, std::size_t col) const;
    // The length of a cell in bytes, and its first `limit` bytes: what a view shows of a cell
    // of many megabytes, without copying the rest.
    std::size_t cellSize(std::size_t row, std::size_t col) const;
    QByteArray head(std::size_t row, std::size_t col, std::size_t limit) const;

    // Keeps the first `rows` rows, and drops cells appended after the last committed row.
    void truncate(std::size_t rows);
    void clear() { truncate(0); }
    // Drops every row but keeps the memory, so that rows appended next need no allocation.
    void reuse();
    // Frees the memory past the last row that reuse() kept.
    void releaseUnused();
    // Heap held by the arenas, offsets and bitmaps, as of the last commit or change (any thread
    // may ask).
    std::size_t allocatedBytes() const { return allocated_.load(std::memory_order_relaxed); }
    // The part of it that the rows fill (what reuse() keeps and nothing filled yet is not).
    std::size_t usedBytes() const { return used_.load(std::memory_order_relaxed); }
    // The two figures as they stand now, counting cells not committed yet: for the thread that
    // appends.
    std::size_t allocatedBytesNow() const;
    std::size_t usedBytesNow() const;

private:
    // Past their growing chunks, the text and the offsets go in chunks of 2 MiB, which the
    // kernel may back with huge pages.
    struct Column {
        ChunkedBuffer<char, 4096, 6, kMappedChunkBytes> bytes;
        ChunkedBuffer<std::uint32_t, 256, 8, kMappedChunkBytes / sizeof(std::uint32_t)> ends;
        ChunkedBuffer<std::uint64_t, 16, 6> nulls;
    };
    std::size_t begin(const Column& c, std::size_t row) const {
        return row == 0 ? 0 : c.ends[row - 1];
    }
    // A null word may hold committed rows while the appending thread adds the marks of the
    // rows after them.
    static std::uint64_t loadWord(const std::uint64_t& word) {
        return __atomic_load_n(&word, __ATOMIC_RELAXED);
    }
    static void storeWord(std::uint64_t& word, std::uint64_t bits) {
        __atomic_store_n(&word, bits, __ATOMIC_RELAXED);
    }
    void markNull(Column& c, std::size_t row, bool null);
    void account();

    std::vector<Column> columns_;
    std::atomic<std::size_t> rows_{0};
    std::atomic<std::size_t> allocated_{0};
    std::atomic<std::size_t> used_{0};
};

template <typename Cell>
void RowStore::appendColumn(std::size_t col, std::size_t count, Cell&& cell) {
    Column& c = columns_[col];
    std::size_t row = rows_.load(std::memory_order_relaxed);
    std::uint64_t bits = row % 64 == 0 || c.nulls.empty() ? 0 : c.nulls[row / 64];
    for (std::size_t i = 0; i < count; ++i, ++row) {
        const char* data = nullptr;
        std::size_t size = 0;
        if (cell(i, data, size))
            c.bytes.append(data, size);
        else
            bits |= std::uint64_t{1} << (row % 64);
        c.ends.push_back(static_cast<std::uint32_t>(c.bytes.size()));
        if (row % 64 == 63 || i + 1 == count) {
            if (row / 64 < c.nulls.size())
                storeWord(c.nulls.at(row / 64), bits);
            else
                c.nulls.push_back(bits);
            bits = 0;
        }
    }
}

// True when `bytes` are well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF).
bool isUtf8(std::string_view bytes);

// Appends the UTF-8 form of `length` UTF-16 units to `out` (unpaired surrogates become U+FFFD).
// Returns the number of bytes written; `out` must have room for 3 bytes per unit.
std::size_t utf16ToUtf8(const char16_t* text, std::size_t length, char* out);

} // namespace platform::grid
