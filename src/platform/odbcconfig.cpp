#include "platform/odbcconfig.h"

#include <QDir>
#include <QFileInfo>
#include <array>

namespace platform {
namespace {

QString windows95File() {
    return QStringLiteral("c:\\windows\\odbc.ini");
}

QString windowsNtFile() {
    return QStringLiteral("c:\\winnt\\odbc.ini");
}

QString unixOdbcFile() {
    const QString chosen = qEnvironmentVariable("ODBCINI");
    if (!chosen.isEmpty())
        return chosen;
    const QString user = QDir::home().filePath(QStringLiteral(".odbc.ini"));
    if (QFileInfo(user).isFile())
        return user;
    return QStringLiteral("/etc/odbc.ini");
}

constexpr int anyRevision = -1;

struct Row {
    OSType ostype;
    int majorRevision;
    QString (*file)();
    const char16_t* header;
};

// Searched in order; the first row that fits the system wins.
const std::array rows{
    Row{OSType::Windows, 4, windows95File, u"[ODBC 32 bit Data Sources]"},
    Row{OSType::WindowsNT, anyRevision, windowsNtFile, u"[ODBC 32 bit Data Sources]"},
    Row{OSType::Linux, anyRevision, unixOdbcFile, u"[ODBC Data Sources]"},
};

} // namespace

OdbcDataSourceListing OdbcDataSources(const EnvironmentInfo& environment) {
    for (const Row& row : rows) {
        if (row.ostype == environment.ostype &&
            (row.majorRevision == anyRevision || row.majorRevision == environment.majorRevision))
            return {row.file(), QString::fromUtf16(row.header)};
    }
    return {};
}

} // namespace platform
