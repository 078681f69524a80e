#include "platform/grid/row_order.h"

#include <QCollatorSortKey>
#include <algorithm>
#include <optional>

namespace platform::grid {
namespace {

// One key's values, decoded once per row: a number, a collation key, or a text.
struct KeyValues {
    explicit KeyValues(std::size_t rows) : nulls(rows, false) {}
    std::vector<bool> nulls;
    std::vector<double> numbers;
    std::vector<std::optional<QCollatorSortKey>> collated;
    std::vector<QString> texts;

    int compare(std::uint32_t a, std::uint32_t b) const {
        if (nulls[a] || nulls[b])
            return nulls[a] == nulls[b] ? 0 : (nulls[a] ? -1 : 1);
        if (!numbers.empty())
            return numbers[a] < numbers[b] ? -1 : (numbers[b] < numbers[a] ? 1 : 0);
        if (!collated.empty())
            return collated[a]->compare(*collated[b]);
        return texts[a].compare(texts[b]);
    }
};

KeyValues decode(const GridData& rows, const std::vector<std::uint32_t>& order, int col,
                 const QCollator* collator, std::size_t storeRows) {
    KeyValues values(storeRows);
    const ColumnKind kind = rows.column(col).kind;
    const bool numeric = isNumeric(kind);
    const bool collate = collator != nullptr && kind == ColumnKind::Text;
    if (numeric)
        values.numbers.resize(storeRows);
    else if (collate)
        values.collated.resize(storeRows);
    else
        values.texts.resize(storeRows);
    for (const std::uint32_t r : order) {
        if (numeric) {
            values.nulls[r] = !rows.currentNumber(r, col, values.numbers[r]);
            continue;
        }
        const CellValue value = rows.current(r, col);
        if (!value) {
            values.nulls[r] = true;
            continue;
        }
        if (collate)
            values.collated[r].emplace(collator->sortKey(*value));
        else
            values.texts[r] = *value;
    }
    return values;
}

// One number column, the sort of a heading click: each row's number beside it in one array, so
// that the sort reads memory in order; NULLs apart, first when ascending.
std::vector<std::uint32_t> sortedByNumber(const GridData& rows, std::vector<std::uint32_t> order,
                                          const SortKey& key) {
    std::vector<std::pair<double, std::uint32_t>> keyed;
    keyed.reserve(order.size());
    std::vector<std::uint32_t> nulls;
    for (const std::uint32_t r : order) {
        double value = 0;
        if (rows.currentNumber(r, key.column, value))
            keyed.emplace_back(value, r);
        else
            nulls.push_back(r);
    }
    if (key.ascending)
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    else
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return b.first < a.first; });
    order.clear();
    if (key.ascending)
        order.insert(order.end(), nulls.begin(), nulls.end());
    for (const auto& [value, r] : keyed)
        order.push_back(r);
    if (!key.ascending)
        order.insert(order.end(), nulls.begin(), nulls.end());
    return order;
}

} // namespace

std::vector<std::uint32_t> sortedOrder(const GridData& rows, const std::vector<SortKey>& keys,
                                       const QCollator* collator, const std::atomic<bool>* cancel) {
    std::vector<std::uint32_t> order = rows.displayOrder();
    if (keys.empty())
        return order;
    if (keys.size() == 1 && isNumeric(rows.column(keys.front().column).kind))
        return sortedByNumber(rows, std::move(order), keys.front());
    std::size_t storeRows = 0;
    for (const std::uint32_t r : order)
        storeRows = std::max<std::size_t>(storeRows, r + std::size_t{1});
    std::vector<KeyValues> values;
    values.reserve(keys.size());
    for (const SortKey& key : keys) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
            throw OrderCancelled();
        values.push_back(decode(rows, order, key.column, collator, storeRows));
    }
    std::size_t compared = 0;
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        // A cancel is noticed within a few milliseconds, even in the middle of the sort.
        constexpr std::size_t checkEvery = 1U << 16;
        if (cancel != nullptr && ++compared % checkEvery == 0 &&
            cancel->load(std::memory_order_relaxed))
            throw OrderCancelled();
        for (std::size_t k = 0; k < keys.size(); ++k) {
            const int c = values[k].compare(a, b);
            if (c != 0)
                return keys[k].ascending ? c < 0 : c > 0;
        }
        return false;
    });
    return order;
}

std::vector<std::uint32_t> arrivalOrder(const GridData& rows) {
    std::vector<std::uint32_t> order = rows.displayOrder();
    std::sort(order.begin(), order.end());
    return order;
}

} // namespace platform::grid
