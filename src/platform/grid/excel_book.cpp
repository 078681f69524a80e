#include "platform/grid/excel_book.h"

#include <QFileInfo>
#include <QLibrary>
#include <dlfcn.h>

namespace platform::grid {
namespace {
// The folder this library was loaded from: the module is installed beside it.
QString ownFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&excelModule), &info) == 0 || info.dli_fname == nullptr)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
}
} // namespace

OpenExcelBook excelModule(QString& error) {
    // Loaded once and kept for the rest of the run.
    static QLibrary module(ownFolder() + QStringLiteral("/libdorvane_xlsx"));
    static const auto open =
        reinterpret_cast<OpenExcelBook>(module.resolve("dorvane_open_excel_book"));
    if (open == nullptr)
        error = QStringLiteral("the Excel module cannot be loaded: %1").arg(module.errorString());
    return open;
}

} // namespace platform::grid
