#pragma once

#include "platform/environment.h"

#include <QString>

namespace platform {

// Where a system lists its ODBC data sources: the configuration file, and the header line of the
// section in it whose lines read name "=" description.
struct OdbcDataSourceListing {
    // Empty on a system that has no such file.
    QString file;
    QString header;
};

// The listing for the system that `environment` describes:
// - Windows 95 family with major revision 4: "c:\windows\odbc.ini", "[ODBC 32 bit Data Sources]";
// - Windows NT family: "c:\winnt\odbc.ini", "[ODBC 32 bit Data Sources]";
// - Linux: unixODBC's user file, "[ODBC Data Sources]": $ODBCINI when set, otherwise
//   ~/.odbc.ini when there is one, otherwise the system file /etc/odbc.ini;
// - any other system: none.
OdbcDataSourceListing OdbcDataSources(const EnvironmentInfo& environment);

} // namespace platform
