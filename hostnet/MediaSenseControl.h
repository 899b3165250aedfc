#pragma once
// The media-sense guard's four operations as the emergency path calls them: the firmware and adapter page
// disables media sensing when it opens, the emergency flow restores it after a confirmed update. Results are
// those of MediaSenseGuard.
namespace vornalix::hostnet {

class MediaSenseControl {
public:
    virtual ~MediaSenseControl() = default;
    virtual int DisableMediaSenseNt5() = 0;
    virtual int DisableMediaSenseMe() = 0;
    virtual int RestoreMediaSenseNt5() = 0;
    virtual int RestoreMediaSenseMe() = 0;
};

} // namespace vornalix::hostnet
