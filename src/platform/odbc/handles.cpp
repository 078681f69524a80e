#include "platform/odbc/handles.h"

#include <mutex>

namespace platform::odbc {

std::shared_ptr<EnvironmentHandle> sharedEnvironment() {
    static std::mutex mutex;
    static std::weak_ptr<EnvironmentHandle> current;
    std::lock_guard lock(mutex);
    if (auto env = current.lock())
        return env;
    auto env = std::make_shared<EnvironmentHandle>();
    if (!SQL_SUCCEEDED(EnvironmentHandle::allocate(SQL_NULL_HANDLE, *env)))
        return nullptr;
    SQLSetEnvAttr(env->get(), SQL_ATTR_ODBC_VERSION,
                  reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0);
    current = env;
    return env;
}

} // namespace platform::odbc
