#include "app/library.h"

#include "browse/w_db2.h"
#include "connect/w_logon.h"
#include "connect/w_sqlca.h"
#include "multitable/w_monitor.h"
#include "multitable/w_tbl_sel.h"
#include "platform/registry.h"
#include "shell/w_frame.h"
#include "shell/w_splash.h"
#include "sqlpad/w_sqlpad.h"

namespace app {

void registerLibraryClasses() {
    platform::ClassRegistry& registry = platform::ClassRegistry::instance();
    registry.add<w_frame>(QStringLiteral("w_frame"));
    registry.add<w_splash>(QStringLiteral("w_splash"));
    registry.add<w_logon>(QStringLiteral("w_logon"));
    registry.add<w_sqlca>(QStringLiteral("w_sqlca"));
    registry.add<w_sqlpad>(QStringLiteral("w_sqlpad"));
    registry.add<w_db2>(QStringLiteral("w_db2"));
    registry.add<w_tbl_sel>(QStringLiteral("w_tbl_sel"));
    registry.add<w_monitor>(QStringLiteral("w_monitor"));
}

} // namespace app
