#include "common/DropCapabilities.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>

namespace vornalix::common {

// A process that cannot give its privilege up must not run on: each failure aborts.
void DropCapabilities() {
    uid_t realUser = 0, effectiveUser = 0, savedUser = 0;
    gid_t realGroup = 0, effectiveGroup = 0, savedGroup = 0;
    if (getresuid(&realUser, &effectiveUser, &savedUser) != 0 ||
        getresgid(&realGroup, &effectiveGroup, &savedGroup) != 0)
        std::abort();
    if (realUser == 0 && effectiveUser == 0)
        return;
    // Set-ID: the real ids everywhere, saved ones included, so that none can be taken back. Leaving user 0
    // this way also empties the permitted set.
    if (realUser != 0 && (effectiveUser != realUser || savedUser != realUser || effectiveGroup != realGroup ||
                          savedGroup != realGroup)) {
        if (setresgid(realGroup, realGroup, realGroup) != 0 || setresuid(realUser, realUser, realUser) != 0)
            std::abort();
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[2]{};
    if (syscall(SYS_capset, &header, none) != 0)
        std::abort();
    // Emptying the permitted set empties the ambient one too; kernels without ambient capabilities say EINVAL.
    prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
}

} // namespace vornalix::common
