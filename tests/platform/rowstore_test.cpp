#include "platform/grid/chunk_memory.h"
#include "platform/grid/chunked.h"
#include "platform/grid/griddata.h"
#include "platform/grid/rowstore.h"

#include <QStringList>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/mman.h>
#include <thread>

using namespace platform::grid;

TEST(ChunkedBuffer, KeepsEveryElementAcrossGrowingAndFullChunks) {
    ChunkedBuffer<int, 4, 3> buffer; // chunks of 4, 8, 16, then 32
    for (int i = 0; i < 1000; ++i)
        buffer.push_back(i);
    ASSERT_EQ(buffer.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(buffer[static_cast<std::size_t>(i)], i);

    std::vector<int> out(300);
    buffer.copyOut(2, 300, out.data());
    EXPECT_EQ(out.front(), 2);
    EXPECT_EQ(out.back(), 301);

    buffer.truncate(13);
    EXPECT_EQ(buffer.size(), 13u);
    EXPECT_EQ(buffer.allocatedBytes(), (4 + 8 + 16) * sizeof(int));
    buffer.push_back(-1);
    EXPECT_EQ(buffer[13], -1);
}

TEST(ChunkedBuffer, AppendSpansChunkBorders) {
    ChunkedBuffer<char, 4, 2> bytes;
    const std::string text = "abcdefghijklmnopqrstuvwxyz0123456789";
    bytes.append(text.data(), 3);
    bytes.append(text.data() + 3, text.size() - 3);
    std::string back(text.size(), '?');
    bytes.copyOut(0, text.size(), back.data());
    EXPECT_EQ(back, text);
}

// Past 12 KiB the chunks are mapped; the last one gives back what nothing filled, and grows
// again, its bytes kept, when more comes; when everything goes, so does every mapped byte.
TEST(ChunkedBuffer, AMappedLastChunkShrinksIntoASharedPackAndGrowsAgainKeepingItsBytes) {
    const std::size_t mappedBefore = mappedChunkBytes();
    {
        ChunkedBuffer<char, 4096, 2, kMappedChunkBytes> bytes;
        const auto byteAt = [](std::size_t i) {
            return static_cast<char>(i * 7 % 251);
        };
        const auto appendUpTo = [&](std::size_t size) {
            std::string piece;
            for (std::size_t i = bytes.size(); i < size; ++i)
                piece += byteAt(i);
            bytes.append(piece.data(), piece.size());
        };
        const auto intact = [&] {
            std::string back(bytes.size(), '\0');
            bytes.copyOut(0, back.size(), back.data());
            for (std::size_t i = 0; i < back.size(); ++i)
                if (back[i] != byteAt(i))
                    return false;
            return true;
        };
        appendUpTo(5'000'000); // 12 KiB, two mapped chunks and part of a third
        EXPECT_EQ(mappedChunkBytes() - mappedBefore, 3 * kMappedChunkBytes);
        // The part of the third chunk in use moves to a pack, and the chunk goes back whole;
        // the cut chunk of another buffer shares the pack.
        bytes.releaseUnused();
        EXPECT_EQ(bytes.allocatedBytes(), 5'000'000u);
        EXPECT_TRUE(intact());
        {
            ChunkedBuffer<char, 4096, 2, kMappedChunkBytes> other;
            const std::string piece(12288 + 100'000, 'o');
            other.append(piece.data(), piece.size());
            other.releaseUnused();
            EXPECT_EQ(mappedChunkBytes() - mappedBefore, 3 * kMappedChunkBytes);
            std::string back(piece.size(), '\0');
            other.copyOut(0, back.size(), back.data());
            EXPECT_EQ(back, piece);
            EXPECT_TRUE(intact());
        }

        appendUpTo(9'000'000);
        EXPECT_TRUE(intact());
        EXPECT_EQ(mappedChunkBytes() - mappedBefore, 5 * kMappedChunkBytes);
        bytes.truncate(100);
        EXPECT_EQ(mappedChunkBytes(), mappedBefore);
    }
    EXPECT_EQ(mappedChunkBytes(), mappedBefore);
}

// A whole chunk given back is kept for the next one, which then needs no fresh pages from the
// kernel, until releaseKeptChunks() gives the kept ones back.
TEST(ChunkMemory, AWholeChunkGivenBackIsTakenAgainUntilTheKeptOnesAreReleased) {
    releaseKeptChunks();
    void* first = nullptr;
    {
        ChunkMemory chunk(kMappedChunkBytes);
        first = chunk.data();
        static_cast<char*>(first)[0] = 'a';
    }
    ChunkMemory again(kMappedChunkBytes);
    EXPECT_EQ(again.data(), first);
    static_cast<char*>(again.data())[kMappedChunkBytes - 1] = 'z';
    EXPECT_EQ(static_cast<char*>(again.data())[kMappedChunkBytes - 1], 'z');
    { ChunkMemory kept(std::move(again)); }
    // Kept, the block is still mapped; released, it is not.
    unsigned char resident = 0;
    EXPECT_EQ(mincore(first, 4096, &resident), 0);
    releaseKeptChunks();
    EXPECT_EQ(mincore(first, 4096, &resident), -1);
}

TEST(RowStore, AValueThatStartsWithAByteOrderMarkKeepsIt) {
    RowStore store(1);
    const std::string marked = "\xEF\xBB\xBF\xEF\xBB\xBF"
                               "a";
    store.appendCell(0, marked.data(), marked.size());
    store.commitRow();
    EXPECT_EQ(store.text(0, 0), QString(2, QChar(0xFEFF)) + QStringLiteral("a"));
}

TEST(RowStore, KeepsNullApartFromEmptyAndTruncatesWhole) {
    RowStore store(2);
    for (int row = 0; row < 200; ++row) {
        const std::string a = "row " + std::to_string(row);
        store.appendCell(0, a.data(), a.size());
        if (row % 3 == 0)
            store.appendNull(1);
        else
            store.appendCell(1, "", 0);
        store.commitRow();
    }
    EXPECT_EQ(store.rowCount(), 200u);
    EXPECT_EQ(store.text(199, 0), QStringLiteral("row 199"));
    EXPECT_TRUE(store.isNull(99, 1));
    EXPECT_FALSE(store.isNull(100, 1));
    EXPECT_TRUE(store.text(100, 1).isEmpty());

    store.truncate(65);
    EXPECT_EQ(store.rowCount(), 65u);
    store.appendCell(0, "x", 1);
    store.appendCell(1, "y", 1);
    store.commitRow();
    EXPECT_FALSE(store.isNull(65, 1)) << "a truncated row's null bit must not leak into the next";
    EXPECT_EQ(store.text(65, 0), QStringLiteral("x"));
    EXPECT_EQ(store.text(64, 0), QStringLiteral("row 64"));
}

TEST(RowStore, RowsCommittedByOneThreadAreReadWhileItAppendsMore) {
    // The writer appends blocks of uneven sizes, so that null words and chunks hold rows of two
    // blocks, into a reused store whose earlier, longer values must not show through. The
    // reader checks every row as soon as it is committed.
    const auto cell = [](std::size_t row) {
        return "v" + std::to_string(row * 7919 % 100000);
    };
    const auto isNullAt = [](std::size_t row) {
        return row % 3 == 0 || row % 64 == 63;
    };
    constexpr std::size_t kRows = 100000;
    RowStore store(2);
    for (int row = 0; row < 400; ++row) {
        store.appendCell(0, "an earlier, longer value", 24);
        store.appendNull(1);
        store.commitRow();
    }
    store.reuse();
    std::thread writer([&] {
        std::string text;
        for (std::size_t done = 0, block = 1; done < kRows; ++block) {
            const std::size_t count = std::min(kRows - done, block * 37 % 1500 + 1);
            store.appendColumn(0, count, [&](std::size_t i, const char*& data, std::size_t& size) {
                if (isNullAt(done + i))
                    return false;
                text = cell(done + i);
                data = text.data();
                size = text.size();
                return true;
            });
            // Never NULL; every fifth value empty.
            store.appendColumn(1, count, [&](std::size_t i, const char*& data, std::size_t& size) {
                text = (done + i) % 5 == 0 ? std::string() : cell(done + i) + "!";
                data = text.data();
                size = text.size();
                return true;
            });
            store.commitRows(count);
            done += count;
        }
    });
    std::size_t wrong = 0;
    std::size_t firstWrong = kRows;
    for (std::size_t row = 0; row < kRows;) {
        for (const std::size_t committed = store.rowCount(); row < committed; ++row) {
            const std::string second = row % 5 == 0 ? std::string() : cell(row) + "!";
            const bool right = store.isNull(row, 0) == isNullAt(row) && !store.isNull(row, 1) &&
                               (isNullAt(row) || store.text(row, 0).toStdString() == cell(row)) &&
                               store.text(row, 1).toStdString() == second;
            if (!right && wrong++ == 0)
                firstWrong = row;
        }
    }
    writer.join();
    EXPECT_EQ(wrong, 0u) << "first wrong row " << firstWrong;

    // A row never committed goes with truncate(), also where the rows kept fill the store.
    store.appendCell(0, "uncommitted", 11);
    store.truncate(kRows);
    store.appendNull(0);
    store.appendCell(1, "last", 4);
    store.commitRow();
    ASSERT_EQ(store.rowCount(), kRows + 1);
    EXPECT_TRUE(store.isNull(kRows, 0));
    EXPECT_EQ(store.text(kRows, 1), QStringLiteral("last"));
    EXPECT_EQ(store.text(kRows - 1, 1).toStdString(), cell(kRows - 1) + "!");

    // Memory that reuse() kept and nothing filled goes with releaseUnused().
    const std::size_t full = store.allocatedBytes();
    store.reuse();
    store.appendCell(0, "x", 1);
    store.appendNull(1);
    store.commitRow();
    EXPECT_EQ(store.allocatedBytes(), full);
    store.releaseUnused();
    EXPECT_LT(store.allocatedBytes(), full);
    EXPECT_EQ(store.text(0, 0), QStringLiteral("x"));
    EXPECT_FALSE(store.isNull(0, 0));
}

TEST(RowStore, Utf16ConvertsToUtf8IncludingSurrogatePairs) {
    const QString text = QStringLiteral("O'Brien Zo\u00eb \u6771\u4eac \U0001F600");
    std::string out(static_cast<std::size_t>(text.size()) * 3, '\0');
    const std::size_t n = utf16ToUtf8(reinterpret_cast<const char16_t*>(text.utf16()),
                                      static_cast<std::size_t>(text.size()), out.data());
    EXPECT_EQ(QString::fromUtf8(out.data(), static_cast<qsizetype>(n)), text);

    const char16_t lone[] = {u'a', 0xD800, u'b'};
    const std::size_t m = utf16ToUtf8(lone, 3, out.data());
    EXPECT_EQ(QString::fromUtf8(out.data(), static_cast<qsizetype>(m)), QStringLiteral("a\uFFFDb"));
}

namespace {

GridDefinition twoColumns() {
    GridDefinition def;
    ColumnInfo n;
    n.name = QStringLiteral("n");
    n.kind = ColumnKind::Integer;
    ColumnInfo t;
    t.name = QStringLiteral("t");
    def.columns = {n, t};
    def.updateTable = QStringLiteral("db2inst1.t");
    return def;
}

// Fills `data` as a retrieval does, with rows of (n, t); null for NULL.
void retrieve(GridData& data, std::initializer_list<std::pair<const char*, const char*>> rows) {
    RowStore& store = data.beginRetrieval();
    for (const auto& [n, t] : rows) {
        n ? store.appendCell(0, n, std::strlen(n)) : store.appendNull(0);
        t ? store.appendCell(1, t, std::strlen(t)) : store.appendNull(1);
        store.commitRow();
    }
    data.showRetrieved(store.rowCount());
    data.endRetrieval();
}

QStringList strings(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* item : items)
        out << QString::fromUtf8(item);
    return out;
}

QStringList column(const GridData& data, int col) {
    QStringList out;
    for (long row = 0; row < data.rowCount(); ++row)
        out << (data.isNull(row, col) ? QStringLiteral("NULL") : data.text(row, col));
    return out;
}

} // namespace

TEST(GridData, SortsNumbersByValueTextByTextAndNullsFirst) {
    GridData data;
    data.setDefinition(twoColumns());
    retrieve(data, {{"10", "b"}, {nullptr, "a"}, {"9", nullptr}, {"-2.5", "B"}, {"100", "b"}});

    auto keys = parseSortText(QStringLiteral("#1 A"), data.definition());
    ASSERT_TRUE(keys);
    data.sort(*keys);
    EXPECT_EQ(column(data, 0), strings({"NULL", "-2.5", "9", "10", "100"}));

    keys = parseSortText(QStringLiteral("t A, n D"), data.definition());
    ASSERT_TRUE(keys);
    data.sort(*keys);
    EXPECT_EQ(column(data, 1), strings({"NULL", "B", "a", "b", "b"}));
    EXPECT_EQ(column(data, 0), strings({"9", "-2.5", "NULL", "100", "10"}));

    EXPECT_FALSE(parseSortText(QStringLiteral("#3 A"), data.definition()));
    EXPECT_FALSE(parseSortText(QStringLiteral("#1 X"), data.definition()));
    EXPECT_FALSE(parseSortText(QStringLiteral("nosuch A"), data.definition()));
}

TEST(GridData, TracksEditsInsertsAndDeletesForUpdate) {
    GridData data;
    data.setDefinition(twoColumns());
    retrieve(data, {{"1", "one"}, {"2", "two"}, {"3", "three"}});

    ASSERT_TRUE(data.setItem(1, 1, QStringLiteral("TWO")));
    EXPECT_EQ(data.text(1, 1), QStringLiteral("TWO"));
    EXPECT_EQ(data.original(data.storeRow(1), 1), QStringLiteral("two"));
    ASSERT_TRUE(data.setItem(0, 1, std::nullopt));
    EXPECT_TRUE(data.isNull(0, 1));
    // Setting a value back to what the database has is no change.
    ASSERT_TRUE(data.setItem(0, 1, QStringLiteral("one")));

    const long inserted = data.insertRow(0);
    EXPECT_EQ(inserted, 0);
    EXPECT_TRUE(data.isNull(0, 0));
    EXPECT_TRUE(data.isDefault(0, 0));
    ASSERT_TRUE(data.deleteRow(3)); // "three"
    EXPECT_EQ(column(data, 1), strings({"NULL", "one", "TWO"}));
    // A new row that nobody edited is not written.
    ASSERT_EQ(data.pendingChanges().size(), 2u);

    // Set explicitly to NULL, a cell of a new row is written as NULL; the other keeps its mark.
    ASSERT_TRUE(data.setItem(0, 1, std::nullopt));
    EXPECT_FALSE(data.isDefault(0, 1));
    const auto changes = data.pendingChanges();
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].kind, GridData::Change::Delete);
    EXPECT_EQ(changes[1].kind, GridData::Change::Insert);
    EXPECT_EQ(changes[2].kind, GridData::Change::Modify);
    EXPECT_TRUE(data.isModified(changes[1].storeRow, 1));
    EXPECT_FALSE(data.isModified(changes[1].storeRow, 0));

    data.acceptChanges();
    EXPECT_TRUE(data.pendingChanges().empty());
    EXPECT_EQ(data.original(data.storeRow(2), 1), QStringLiteral("TWO"));
    // Saved, the cell the server filled in keeps its mark until its value is known.
    EXPECT_TRUE(data.isDefault(0, 0));
    data.setSaved(data.storeRow(0), 0, QStringLiteral("7"));
    EXPECT_FALSE(data.isDefault(0, 0));
    EXPECT_EQ(data.text(0, 0), QStringLiteral("7"));
}
