#include "platform/odbc/datasources.h"

#include "platform/odbc/handles.h"
#include "platform/odbc/wide.h"

#include <algorithm>
#include <sqlucode.h>

namespace platform::odbc {

QStringList dataSourceNames() {
    QStringList names;
    const std::shared_ptr<EnvironmentHandle> environment = sharedEnvironment();
    if (!environment)
        return names;
    SQLWCHAR name[SQL_MAX_DSN_LENGTH + 1];
    SQLWCHAR description[512];
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT descriptionLength = 0;
        const SQLRETURN rc =
            SQLDataSourcesW(environment->get(), direction, name, SQL_MAX_DSN_LENGTH + 1,
                            &nameLength, description, 512, &descriptionLength);
        if (!SQL_SUCCEEDED(rc))
            break;
        const QString dsn = fromWide(name, std::min<SQLSMALLINT>(nameLength, SQL_MAX_DSN_LENGTH));
        if (!dsn.isEmpty() && !names.contains(dsn))
            names << dsn;
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

} // namespace platform::odbc
