#pragma once

#include "platform/odbc/transaction.h"

#include <QString>
#include <memory>

namespace app {

// The application object: owns the global connection slots and opens the frame.
class dorvane_app {
public:
    dorvane_app();
    ~dorvane_app();
    dorvane_app(const dorvane_app&) = delete;
    dorvane_app& operator=(const dorvane_app&) = delete;

    // Standard global objects: the message object, SQLCA, the error object.
    void create();
    // Name, version, the slots SQLCA1 to SQLCA3, then the frame. Stops at a step that fails.
    void open(const QString& commandline);
    // Destroys SQLCA, the error object and the message object; SQLCA1 to SQLCA3 stay for the
    // rest of the run.
    void destroy();

private:
    std::unique_ptr<platform::Transaction> sqlca_;
    std::unique_ptr<platform::Transaction> sqlca1_;
    std::unique_ptr<platform::Transaction> sqlca2_;
    std::unique_ptr<platform::Transaction> sqlca3_;
};

} // namespace app
