#pragma once

#include "platform/grid/gridrows.h"

#include <QString>
#include <vector>

namespace platform::grid {

// What a grid puts on the clipboard: the same cells twice, so that a spreadsheet pastes them
// into cells and a text editor gets plain lines.
struct ClipboardText {
    // One line per row, the cells separated by tabs; NULL is empty text. A cell holding a tab, a
    // line break or a leading double quote is quoted ("..." with each quote doubled), as
    // spreadsheets read it.
    QString plain;
    // The same cells as an HTML table, headings as <th>, NULL as an empty cell.
    QString html;
};

// The cells of `rows` (display order, from 0) in every column of `grid`, after a line of
// headings when `headings` is set.
ClipboardText clipboardText(const GridRows& grid, const std::vector<long>& rows, bool headings);

// One cell, after its heading when `headings` is set.
ClipboardText clipboardCell(const GridRows& grid, long row, int column, bool headings);

} // namespace platform::grid
