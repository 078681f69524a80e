#pragma once

#include "platform/grid/column.h"

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace platform::grid {

// Read access to a grid's rows in display order, as exports and printing see them.
// Rows and columns count from 0 here.
class GridRows {
public:
    virtual ~GridRows() = default;
    virtual long rowCount() const = 0;
    virtual int columnCount() const = 0;
    virtual const ColumnInfo& column(int col) const = 0;
    virtual bool isNull(long row, int col) const = 0;
    // The cell as text: numbers, dates and times in the driver's text form ("1234.50",
    // "2024-03-01", "2024-03-01 12:30:00"); binary cells as upper-case hex without prefix.
    // Empty for NULL (ask isNull to tell NULL from empty text).
    virtual QString text(long row, int col) const = 0;
    // The raw bytes of a binary cell (empty for other kinds and for NULL).
    virtual QByteArray bytes(long row, int col) const = 0;
    // The cell's bytes as the grid holds them (UTF-8 as the driver sent it, not checked), where
    // they can be had without making text of them; false where text() must be asked. The view
    // holds until the rows or `scratch` change.
    virtual bool storedUtf8(long, int, std::string&, std::string_view&) const { return false; }
};

} // namespace platform::grid
