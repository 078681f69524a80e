#include "platform/environment.h"

#include <QOperatingSystemVersion>
#include <QSysInfo>
#include <QVersionNumber>
#include <algorithm>

namespace platform {

EnvironmentInfo GetEnvironment() {
    EnvironmentInfo info;
    const QOperatingSystemVersion os = QOperatingSystemVersion::current();
    switch (os.type()) {
    case QOperatingSystemVersion::Windows:
        info.ostype = OSType::WindowsNT;
        break;
    case QOperatingSystemVersion::MacOS:
        info.ostype = OSType::MacOS;
        break;
    default:
        info.ostype = QSysInfo::kernelType() == u"linux" ? OSType::Linux : OSType::Other;
        break;
    }
    if (os.type() != QOperatingSystemVersion::Unknown) {
        info.majorRevision = std::max(os.majorVersion(), 0);
        info.minorRevision = std::max(os.minorVersion(), 0);
    } else {
        // Qt knows no product version here; the kernel's is the nearest thing to one.
        const QVersionNumber kernel = QVersionNumber::fromString(QSysInfo::kernelVersion());
        info.majorRevision = kernel.majorVersion();
        info.minorRevision = kernel.minorVersion();
    }
    return info;
}

} // namespace platform
