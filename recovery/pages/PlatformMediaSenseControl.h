#pragma once
// The platform's media-sense guard (registry, message boxes, restart prompt) behind MediaSenseControl.
#include "hostnet/pages/PlatformMediaSenseGuard.h"
#include "recovery/pages/MediaSenseControl.h"

namespace vornalix::recovery {

class PlatformMediaSenseControl : public MediaSenseControl {
public:
    int DisableMediaSenseNt5() override;
    int DisableMediaSenseMe() override;
    int RestoreMediaSenseNt5() override;
    int RestoreMediaSenseMe() override;

private:
    hostnet::PlatformMediaSenseGuard guard;
};

} // namespace vornalix::recovery
