#pragma once

#include <QPagedPaintDevice>
#include <QString>
#include <memory>

namespace platform {

// The printer module (libdorvane_printer, see module.h) holds what needs Qt Print Support, which
// then loads only when something is printed. Its functions:

// "dorvane_has_default_printer": whether the system has a default printer.
using HasDefaultPrinter = bool (*)();

// "dorvane_open_printer": a printer at high resolution for a document named `docName`: the
// default printer, or, when `pdfFile` is not empty, that PDF file.
using OpenPrinter = void (*)(const QString& docName, const QString& pdfFile,
                             std::unique_ptr<QPagedPaintDevice>* device);

// "dorvane_abort_printer": abandons the print run of a printer that dorvane_open_printer made,
// before its painter ends, so that nothing of it is printed.
using AbortPrinter = void (*)(QPagedPaintDevice* device);

} // namespace platform
