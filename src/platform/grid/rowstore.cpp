#include "platform/grid/rowstore.h"

#include <limits>

namespace platform::grid {

RowStore::RowStore(std::size_t columns) : columns_(columns) {}

void RowStore::markNull(Column& c, std::size_t row, bool null) {
    const std::size_t word = row / 64;
    const std::uint64_t bit = std::uint64_t{1} << (row % 64);
    if (word >= c.nulls.size())
        c.nulls.push_back(0);
    if (null)
        c.nulls.at(word) |= bit;
}

void RowStore::appendCell(std::size_t col, const char* data, std::size_t size) {
    Column& c = columns_[col];
    c.bytes.append(data, size);
    c.ends.push_back(static_cast<std::uint32_t>(c.bytes.size()));
    markNull(c, rows_, false);
}

void RowStore::appendNull(std::size_t col) {
    Column& c = columns_[col];
    c.ends.push_back(static_cast<std::uint32_t>(c.bytes.size()));
    markNull(c, rows_, true);
}

bool RowStore::full(std::size_t col, std::size_t size) const {
    return columns_[col].bytes.size() + size > std::numeric_limits<std::uint32_t>::max();
}

void RowStore::appendRowsFrom(const RowStore& other, std::size_t first, std::size_t end) {
    if (first >= end)
        return;
    for (std::size_t col = 0; col < columns_.size(); ++col) {
        Column& to = columns_[col];
        const Column& from = other.columns_[col];
        const std::size_t fromBegin = other.begin(from, first);
        const std::size_t toBegin = to.bytes.size();
        from.bytes.forEachSpan(
            fromBegin, from.ends[end - 1] - fromBegin,
            [&to](const char* data, std::size_t n) { to.bytes.append(data, n); });
        for (std::size_t row = first; row < end; ++row) {
            to.ends.push_back(static_cast<std::uint32_t>(from.ends[row] - fromBegin + toBegin));
            markNull(to, rows_ + (row - first), other.isNull(row, col));
        }
    }
    rows_ += end - first;
}

bool RowStore::isNull(std::size_t row, std::size_t col) const {
    const Column& c = columns_[col];
    return ((c.nulls[row / 64] >> (row % 64)) & 1U) != 0;
}

QByteArray RowStore::bytes(std::size_t row, std::size_t col) const {
    const Column& c = columns_[col];
    const std::size_t start = begin(c, row);
    QByteArray out(static_cast<qsizetype>(c.ends[row] - start), Qt::Uninitialized);
    if (!out.isEmpty())
        c.bytes.copyOut(start, static_cast<std::size_t>(out.size()), out.data());
    return out;
}

QString RowStore::text(std::size_t row, std::size_t col) const {
    return QString::fromUtf8(bytes(row, col));
}

void RowStore::truncate(std::size_t rows) {
    if (rows >= rows_)
        return;
    for (Column& c : columns_) {
        c.bytes.truncate(rows == 0 ? 0 : c.ends[rows - 1]);
        c.ends.truncate(rows);
        c.nulls.truncate((rows + 63) / 64);
        if (rows % 64 != 0)
            c.nulls.at(rows / 64) &= (std::uint64_t{1} << (rows % 64)) - 1;
    }
    rows_ = rows;
}

std::size_t RowStore::allocatedBytes() const {
    std::size_t total = 0;
    for (const Column& c : columns_)
        total += c.bytes.allocatedBytes() + c.ends.allocatedBytes() + c.nulls.allocatedBytes();
    return total;
}

std::size_t utf16ToUtf8(const char16_t* text, std::size_t length, char* out) {
    char* o = out;
    for (std::size_t i = 0; i < length; ++i) {
        char32_t u = text[i];
        if (u < 0x80) {
            *o++ = static_cast<char>(u);
            continue;
        }
        if (u < 0x800) {
            *o++ = static_cast<char>(0xC0 | (u >> 6));
            *o++ = static_cast<char>(0x80 | (u & 0x3F));
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
            *o++ = static_cast<char>(0xF0 | (u >> 18));
            *o++ = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            *o++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (u & 0x3F));
            continue;
        }
        if (u >= 0xD800 && u <= 0xDFFF)
            u = 0xFFFD;
        *o++ = static_cast<char>(0xE0 | (u >> 12));
        *o++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        *o++ = static_cast<char>(0x80 | (u & 0x3F));
    }
    return static_cast<std::size_t>(o - out);
}

} // namespace platform::grid
