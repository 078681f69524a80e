#pragma once

namespace platform {

// Windows stands for the Windows 95 family, WindowsNT for every Windows of the NT family (all
// current ones).
enum class OSType { Windows, WindowsNT, Linux, MacOS, Other };

struct EnvironmentInfo {
    OSType ostype = OSType::Other;
    // For Linux, the kernel's version; for Windows and macOS, the system's.
    int majorRevision = 0;
    int minorRevision = 0;
};

EnvironmentInfo GetEnvironment();

} // namespace platform
