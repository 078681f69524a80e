#pragma once

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <utility>

namespace platform::odbc {

// One ODBC handle of kind `Type`, freed when it goes. Move-only.
template <SQLSMALLINT Type> class Handle {
public:
    Handle() noexcept = default;
    explicit Handle(SQLHANDLE handle) noexcept : handle_(handle) {}
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }

    // Allocates a handle under `parent` (SQL_NULL_HANDLE for an environment).
    static SQLRETURN allocate(SQLHANDLE parent, Handle& out) noexcept {
        SQLHANDLE handle = nullptr;
        const SQLRETURN rc = SQLAllocHandle(Type, parent, &handle);
        if (SQL_SUCCEEDED(rc))
            out = Handle(handle);
        return rc;
    }

    void reset() noexcept {
        if (handle_ != nullptr)
            SQLFreeHandle(Type, handle_);
        handle_ = nullptr;
    }
    SQLHANDLE get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

private:
    SQLHANDLE handle_ = nullptr;
};

using EnvironmentHandle = Handle<SQL_HANDLE_ENV>;
using ConnectionHandle = Handle<SQL_HANDLE_DBC>;
using StatementHandle = Handle<SQL_HANDLE_STMT>;

// The process's ODBC environment (ODBC 3), shared by every connection; it lives as long as the
// last connection that holds it. Null when the driver manager could not make one.
std::shared_ptr<EnvironmentHandle> sharedEnvironment();

} // namespace platform::odbc
