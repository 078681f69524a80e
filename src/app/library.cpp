#include "app/library.h"

#include "browse/w_db2.h"
#include "connect/w_logon.h"
#include "connect/w_sqlca.h"
#include "multitable/w_monitor.h"
#include "multitable/w_tbl_sel.h"
#include "platform/message.h"
#include "platform/module.h"
#include "platform/registry.h"
#include "shell/w_frame.h"
#include "shell/w_splash.h"

#include <memory>

namespace app {

namespace {

// The SQL workspace lives in a library of its own, with the editor component that only it uses,
// loaded when the first workspace opens.
std::unique_ptr<QWidget> newSqlWorkspace() {
    using Create = void (*)(std::unique_ptr<QWidget>*);
    QString error;
    const auto create = platform::moduleFunction<Create>(QStringLiteral("dorvane_sqlpad"),
                                                         "dorvane_new_w_sqlpad", error);
    if (create == nullptr) {
        platform::RuntimeError(2, QStringLiteral("Cannot open the SQL workspace: %1.").arg(error));
        return nullptr;
    }
    std::unique_ptr<QWidget> window;
    create(&window);
    return window;
}

} // namespace

void registerLibraryClasses() {
    platform::ClassRegistry& registry = platform::ClassRegistry::instance();
    registry.add<w_frame>(QStringLiteral("w_frame"));
    registry.add<w_splash>(QStringLiteral("w_splash"));
    registry.add<w_logon>(QStringLiteral("w_logon"));
    registry.add<w_sqlca>(QStringLiteral("w_sqlca"));
    registry.add(QStringLiteral("w_sqlpad"), &newSqlWorkspace);
    registry.add<w_db2>(QStringLiteral("w_db2"));
    registry.add<w_tbl_sel>(QStringLiteral("w_tbl_sel"));
    registry.add<w_monitor>(QStringLiteral("w_monitor"));
}

} // namespace app
