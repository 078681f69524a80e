#include "platform/grid/rowstore.h"

#include <charconv>
#include <cstring>

#include <algorithm>
#include <limits>

namespace platform::grid {

RowStore::RowStore(std::size_t columns) : columns_(columns) {}

RowStore::RowStore(RowStore&& other) noexcept
    : columns_(std::move(other.columns_)), rows_(other.rows_.exchange(0)),
      allocated_(other.allocated_.exchange(0)), used_(other.used_.exchange(0)) {}

RowStore& RowStore::operator=(RowStore&& other) noexcept {
    if (this != &other) {
        columns_ = std::move(other.columns_);
        other.columns_.clear();
        rows_ = other.rows_.exchange(0);
        allocated_ = other.allocated_.exchange(0);
        used_ = other.used_.exchange(0);
    }
    return *this;
}

void RowStore::markNull(Column& c, std::size_t row, bool null) {
    const std::size_t word = row / 64;
    const std::uint64_t bit = std::uint64_t{1} << (row % 64);
    if (word >= c.nulls.size())
        c.nulls.push_back(0);
    if (null)
        storeWord(c.nulls.at(word), c.nulls[word] | bit);
}

void RowStore::appendCell(std::size_t col, const char* data, std::size_t size) {
    Column& c = columns_[col];
    c.bytes.append(data, size);
    c.ends.push_back(static_cast<std::uint32_t>(c.bytes.size()));
    markNull(c, rows_.load(std::memory_order_relaxed), false);
}

void RowStore::appendNull(std::size_t col) {
    Column& c = columns_[col];
    c.ends.push_back(static_cast<std::uint32_t>(c.bytes.size()));
    markNull(c, rows_.load(std::memory_order_relaxed), true);
}

void RowStore::commitRows(std::size_t count) {
    account();
    rows_.store(rows_.load(std::memory_order_relaxed) + count, std::memory_order_release);
}

bool RowStore::overfull(std::size_t col) const {
    return columns_[col].bytes.size() > std::numeric_limits<std::uint32_t>::max();
}

bool RowStore::isNull(std::size_t row, std::size_t col) const {
    const Column& c = columns_[col];
    return ((loadWord(c.nulls.ref(row / 64)) >> (row % 64)) & 1U) != 0;
}

QByteArray RowStore::bytes(std::size_t row, std::size_t col) const {
    const Column& c = columns_[col];
    const std::size_t start = begin(c, row);
    QByteArray out(static_cast<qsizetype>(c.ends[row] - start), Qt::Uninitialized);
    if (!out.isEmpty())
        c.bytes.copyOut(start, static_cast<std::size_t>(out.size()), out.data());
    return out;
}

std::string_view RowStore::view(std::size_t row, std::size_t col, std::string& scratch) const {
    const Column& c = columns_[col];
    const std::size_t start = begin(c, row);
    const std::size_t size = c.ends[row] - start;
    if (size == 0)
        return {};
    if (const char* in = c.bytes.contiguous(start, size))
        return {in, size};
    scratch.resize(size);
    c.bytes.copyOut(start, size, scratch.data());
    return scratch;
}

bool isUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        // Eight bytes of ASCII at a time.
        std::uint64_t word = 0;
        if (end - p >= 8 && (std::memcpy(&word, p, 8), (word & 0x8080808080808080ULL) == 0)) {
            p += 8;
            continue;
        }
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int extra = 0;
        std::uint32_t code = 0;
        std::uint32_t least = 0;
        if ((lead & 0xE0) == 0xC0) {
            extra = 1, code = lead & 0x1Fu, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, code = lead & 0x0Fu, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, code = lead & 0x07u, least = 0x10000;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[k] & 0x3Fu);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

QString textOfCell(const QByteArray& utf8) {
    if (utf8.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(QByteArray("x") + utf8).mid(1);
    return QString::fromUtf8(utf8);
}

QString RowStore::text(std::size_t row, std::size_t col) const {
    // Most cells are short: read into the stack, so that the text is the one allocation.
    constexpr std::size_t shortCell = 256;
    const Column& c = columns_[col];
    const std::size_t start = begin(c, row);
    const std::size_t size = c.ends[row] - start;
    if (size > shortCell)
        return textOfCell(bytes(row, col));
    char buffer[shortCell];
    if (size > 0)
        c.bytes.copyOut(start, size, buffer);
    if (size >= 3 && std::memcmp(buffer, "\xEF\xBB\xBF", 3) == 0)
        return textOfCell(QByteArray(buffer, static_cast<qsizetype>(size)));
    return QString::fromUtf8(buffer, static_cast<qsizetype>(size));
}

double RowStore::number(std::size_t row, std::size_t col) const {
    constexpr std::size_t longestNumber = 64;
    const Column& c = columns_[col];
    const std::size_t start = begin(c, row);
    const std::size_t size = c.ends[row] - start;
    if (size == 0 || size > longestNumber)
        return text(row, col).toDouble();
    char buffer[longestNumber];
    c.bytes.copyOut(start, size, buffer);
    double value = 0;
    const auto [end, error] = std::from_chars(buffer, buffer + size, value);
    // What from_chars does not read (a leading "+", blanks) is read as text.
    if (error != std::errc() || end != buffer + size)
        return text(row, col).toDouble();
    return value;
}

std::size_t RowStore::cellSize(std::size_t row, std::size_t col) const {
    const Column& c = columns_[col];
    return c.ends[row] - begin(c, row);
}

QByteArray RowStore::head(std::size_t row, std::size_t col, std::size_t limit) const {
    const Column& c = columns_[col];
    const std::size_t start = begin(c, row);
    QByteArray out(static_cast<qsizetype>(std::min<std::size_t>(c.ends[row] - start, limit)),
                   Qt::Uninitialized);
    if (!out.isEmpty())
        c.bytes.copyOut(start, static_cast<std::size_t>(out.size()), out.data());
    return out;
}

void RowStore::truncate(std::size_t rows) {
    const std::size_t committed = rows_.load(std::memory_order_relaxed);
    if (rows > committed)
        return;
    // Cut also where no committed row goes: a column may hold cells of a row that was never
    // committed.
    for (Column& c : columns_) {
        c.bytes.truncate(rows == 0 ? 0 : c.ends[rows - 1]);
        c.ends.truncate(rows);
        c.nulls.truncate((rows + 63) / 64);
        if (rows % 64 != 0)
            c.nulls.at(rows / 64) &= (std::uint64_t{1} << (rows % 64)) - 1;
    }
    rows_ = rows;
    account();
}

void RowStore::reuse() {
    for (Column& c : columns_) {
        c.bytes.reuse();
        c.ends.reuse();
        c.nulls.reuse();
    }
    rows_ = 0;
    account();
}

void RowStore::releaseUnused() {
    for (Column& c : columns_) {
        c.bytes.releaseUnused();
        c.ends.releaseUnused();
        c.nulls.releaseUnused();
    }
    account();
}

void RowStore::account() {
    allocated_.store(allocatedBytesNow(), std::memory_order_relaxed);
    used_.store(usedBytesNow(), std::memory_order_relaxed);
}

std::size_t RowStore::allocatedBytesNow() const {
    std::size_t total = 0;
    for (const Column& c : columns_)
        total += c.bytes.allocatedBytes() + c.ends.allocatedBytes() + c.nulls.allocatedBytes();
    return total;
}

std::size_t RowStore::usedBytesNow() const {
    std::size_t total = 0;
    for (const Column& c : columns_)
        total += c.bytes.size() + c.ends.size() * sizeof(std::uint32_t) +
                 c.nulls.size() * sizeof(std::uint64_t);
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
