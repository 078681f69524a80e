// The printer module: Qt Print Support's printer behind the runtime layer's print jobs.

#include "platform/print_device.h"

#include <QPrinter>
#include <QPrinterInfo>

extern "C" Q_DECL_EXPORT bool dorvane_has_default_printer() {
    return !QPrinterInfo::defaultPrinter().isNull();
}

extern "C" Q_DECL_EXPORT void dorvane_open_printer(const QString& docName, const QString& pdfFile,
                                                   std::unique_ptr<QPagedPaintDevice>* device) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(docName);
    if (!pdfFile.isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdfFile);
    }
    *device = std::move(printer);
}

extern "C" Q_DECL_EXPORT void dorvane_abort_printer(QPagedPaintDevice* device) {
    static_cast<QPrinter*>(device)->abort();
}
