#pragma once

// A grid's rows leaving the program: Save As (the file dialog, the writing and its progress)
// and printing. Both hold the rows while they run the event loop.

class QString;

namespace platform {
class PrintJob;
}

namespace platform::grid {

class DataWindow;
enum class ExportFormat;

// Asks for a file and format, then writes every row. Choosing the file is part of Save As: the
// rows are held from the dialog on, and Stop or a closing sheet cancels it. Returns 1, or -1
// when cancelled or failed (after showing why).
int saveRowsAs(DataWindow& grid);
int saveRowsAs(DataWindow& grid, const QString& path, ExportFormat format);

// Prints the grid's rows into `job`, after what the job already holds.
int PrintDataWindow(PrintJob& job, DataWindow& grid);

} // namespace platform::grid
