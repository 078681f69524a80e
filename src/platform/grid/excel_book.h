#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace platform::grid {

// One worksheet of an Excel workbook being written. It is made by the Excel module
// (libdorvane_xlsx), which is loaded the first time a grid is saved as Excel: the module brings
// in libxlsxwriter and what that links, which a session that never writes Excel does not need
// to load at start-up.
class ExcelBook {
public:
    virtual ~ExcelBook() = default;

    // Each returns false after a failure, which error() then describes. Rows count from 0 (the
    // heading's row), columns from 0; text is NUL-terminated UTF-8.
    virtual bool heading(int column, const char* text) = 0;
    virtual bool text(long row, int column, const char* text) = 0;
    virtual bool number(long row, int column, double value) = 0;
    // A cell holding empty text (a blank cell would read as NULL).
    virtual bool emptyText(long row, int column) = 0;
    // Writes the workbook's file. A book destroyed without it writes nothing.
    virtual bool close() = 0;
    virtual QString error() const = 0;
};

// What the module exports, under the name "dorvane_open_excel_book": opens a workbook at `path`
// (in the file system's encoding) with one worksheet whose heading row is frozen. With
// `constantMemory`, rows go to disk as they are written and must come in order. `book` stays
// empty when the workbook cannot be made.
using OpenExcelBook = void (*)(const QByteArray& path, bool constantMemory,
                               std::unique_ptr<ExcelBook>* book);

} // namespace platform::grid
