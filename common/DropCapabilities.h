#pragma once
// A front end holds no privilege: what it parses comes from the network, and Qt loads plugins its caller names.

namespace vornalix::common {

// Unless the process runs as root: clears every capability (effective, permitted, inheritable and ambient) and,
// when it was started set-user-ID or set-group-ID, goes back to the real user and group for good. Leaves
// no_new_privs alone, so pkexec still works. Call it first in main(), before anything else runs.
void DropCapabilities();

} // namespace vornalix::common
