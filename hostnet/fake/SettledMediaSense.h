#pragma once
// Media sensing that needs no change: every step reports that nothing had to be done, so the adapter page opens
// without questions.
#include "hostnet/MediaSenseControl.h"

namespace vornalix::hostnet {

class SettledMediaSense : public MediaSenseControl {
public:
    int DisableMediaSenseNt5() override { return 1; }
    int DisableMediaSenseMe() override { return 1; }
    int RestoreMediaSenseNt5() override { return 1; }
    int RestoreMediaSenseMe() override { return 1; }
};

} // namespace vornalix::hostnet
