#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testsupport {

// Root reads every folder whatever its permissions, through two capabilities; this thread
// gives them up while it lives, so that a folder without permissions is unreadable for it too.
class WithoutReadingPastPermissions {
public:
    WithoutReadingPastPermissions() {
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutReadingPastPermissions() {
        if (dropped_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    WithoutReadingPastPermissions(const WithoutReadingPastPermissions&) = delete;
    WithoutReadingPastPermissions& operator=(const WithoutReadingPastPermissions&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

} // namespace testsupport
