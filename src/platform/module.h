#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// A function of one of the runtime layer's modules: libraries installed beside this one and
// loaded the first time they are needed (and kept for the rest of the run), so that what they
// link loads only then. `module` is the library's name without prefix and suffix
// ("dorvane_xlsx"). Returns nullptr, with `error` set, when the module or the function cannot be
// loaded.
QFunctionPointer moduleFunction(const QString& module, const char* function, QString& error);

template <typename Function>
Function moduleFunction(const QString& module, const char* function, QString& error) {
    return reinterpret_cast<Function>(moduleFunction(module, function, error));
}

} // namespace platform
