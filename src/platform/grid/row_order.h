#pragma once

#include "platform/grid/griddata.h"

#include <QCollator>
#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace platform::grid {

// Orders of a grid's rows, computed without changing them: pure, and safe on a worker while
// nothing changes the rows. Each is the stored rows in their new display order, for
// GridData::setOrder().

// Thrown when `cancel` turns true while an order is computed.
struct OrderCancelled : std::exception {};

// The display rows sorted by `keys`, stably: numbers by value, text columns in `collator`'s
// order (by character codes without one), dates, times and everything else by their text, whose
// ISO form sorts as time does. NULLs come first when ascending, last when descending.
std::vector<std::uint32_t> sortedOrder(const GridData& rows, const std::vector<SortKey>& keys,
                                       const QCollator* collator,
                                       const std::atomic<bool>* cancel = nullptr);

// The display rows in the order they came in: retrieved rows as the server sent them, then rows
// inserted since, in the order of their insertion.
std::vector<std::uint32_t> arrivalOrder(const GridData& rows);

} // namespace platform::grid
