#pragma once

#include "platform/grid/gridrows.h"
#include "platform/printjob.h"

namespace platform::grid {

// A grid printed as a table after whatever the job printed before it: headings on each page
// it covers, one line per row, as many pages as the rows need. The rows are read when the job
// is laid out (PrintClose), so they must outlive the job.
class GridPrintBlock final : public PrintBlock {
public:
    // `topMargin` is in the grid's layout units and keeps every page of the grid that far
    // below the top of the printable area.
    explicit GridPrintBlock(const GridRows& rows, int topMargin = 0);

    void print(PrintCanvas& canvas) override;
    long units() const override { return rows_.rowCount(); }

    // How many rows of the first ~200 size the columns.
    static constexpr long sampleRows = 200;

private:
    const GridRows& rows_;
    int topMargin_;
};

} // namespace platform::grid
