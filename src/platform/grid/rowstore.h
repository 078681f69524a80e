#pragma once

#include "platform/grid/chunked.h"

#include <QByteArray>
#include <QString>
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
class RowStore {
public:
    explicit RowStore(std::size_t columns = 0);

    std::size_t columnCount() const { return columns_.size(); }
    std::size_t rowCount() const { return rows_; }

    // A row is appended cell by cell, in column order, and then committed.
    void appendCell(std::size_t col, const char* data, std::size_t size);
    void appendNull(std::size_t col);
    void commitRow() { ++rows_; }
    // Appends `count` cells to column `col` at once, for the rows rowCount() onwards: cell(i,
    // data, size) gives the i-th, or returns false for NULL. Once every column has its cells,
    // commitRows(count) makes them rows. A block of rows read column by column goes in so, with
    // the null marks of 64 rows set together.
    template <typename Cell> void appendColumn(std::size_t col, std::size_t count, Cell&& cell);
    void commitRows(std::size_t count) { rows_ += count; }
    // Appends rows [first, end) of `other`, which has the same columns. When memory runs out it
    // throws std::bad_alloc and keeps the rows it had.
    void appendRowsFrom(const RowStore& other, std::size_t first, std::size_t end);
    // An arena may hold at most 4 GiB; true when `size` more bytes would not fit in `col`.
    bool full(std::size_t col, std::size_t size) const;

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
    // Bytes held by column `col`.
    std::size_t columnBytes(std::size_t col) const { return columns_[col].bytes.size(); }

    void truncate(std::size_t rows);
    void clear() { truncate(0); }
    // Drops every row but keeps the memory, so that rows appended next need no allocation.
    void reuse();
    // Frees the memory past the last row that reuse() kept.
    void releaseUnused();
    // Heap held by the arenas, offsets and bitmaps.
    std::size_t allocatedBytes() const;
    // The part of it that the rows fill (what reuse() keeps and nothing filled yet is not).
    std::size_t usedBytes() const;

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
    void markNull(Column& c, std::size_t row, bool null);
    // Cuts every column to its first `rows` cells, also a column that holds cells of a row
    // that was never committed.
    void cutColumns(std::size_t rows);
    void appendColumnsFrom(const RowStore& other, std::size_t first, std::size_t count);
    // Appends the null bits of rows [first, first + count) of `from` after row `at` - 1 of `to`.
    static void appendNullBits(Column& to, std::size_t at, const Column& from, std::size_t first,
                               std::size_t count);

    std::vector<Column> columns_;
    std::size_t rows_ = 0;
};

template <typename Cell>
void RowStore::appendColumn(std::size_t col, std::size_t count, Cell&& cell) {
    Column& c = columns_[col];
    std::size_t row = rows_;
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
                c.nulls.at(row / 64) = bits;
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
