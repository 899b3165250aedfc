#include "recovery/pages/PlatformMediaSenseControl.h"

namespace vornalix::recovery {

int PlatformMediaSenseControl::DisableMediaSenseNt5() {
    return guard.DisableMediaSenseNt5();
}
int PlatformMediaSenseControl::DisableMediaSenseMe() {
    return guard.DisableMediaSenseMe();
}
int PlatformMediaSenseControl::RestoreMediaSenseNt5() {
    return guard.RestoreMediaSenseNt5();
}
int PlatformMediaSenseControl::RestoreMediaSenseMe() {
    return guard.RestoreMediaSenseMe();
}

} // namespace vornalix::recovery
