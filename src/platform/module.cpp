#include "platform/module.h"

#include <QFileInfo>
#include <QLibrary>
#include <QMutex>
#include <QMutexLocker>
#include <dlfcn.h>
#include <map>
#include <memory>

namespace platform {
namespace {
// The folder this library was loaded from: the modules are installed beside it.
QString ownFolder() {
    Dl_info info{};
    const auto self = reinterpret_cast<void*>(
        static_cast<QFunctionPointer (*)(const QString&, const char*, QString&)>(&moduleFunction));
    if (dladdr(self, &info) == 0 || info.dli_fname == nullptr)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
}
} // namespace

QFunctionPointer moduleFunction(const QString& module, const char* function, QString& error) {
    static QMutex mutex;
    static std::map<QString, std::unique_ptr<QLibrary>> loaded;
    const QMutexLocker lock(&mutex);
    std::unique_ptr<QLibrary>& library = loaded[module];
    if (!library)
        library = std::make_unique<QLibrary>(ownFolder() + QStringLiteral("/lib") + module);
    const QFunctionPointer found = library->resolve(function);
    if (found == nullptr)
        error = QStringLiteral("the module %1 cannot be loaded: %2")
                    .arg(module, library->errorString());
    return found;
}

} // namespace platform
