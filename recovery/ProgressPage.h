#pragma once
// What a transfer session shows on the emergency transfer page. The page implements it and may run each call
// on its own thread (a call may then block until that thread has run it). Sessions hold it by shared pointer
// and may outlive the page's window: a page that has closed drops their calls. Texts are handed over by value.
#include "common/ProgressBar.h"

#include <string>

namespace vornalix::recovery {

// How the firmware transfer ended.
enum class TransferOutcome {
    Succeeded,
    Failed,
    // Every block went out, but the requester never acknowledged the last one: whether it has the whole image
    // only the gateway can tell.
    SentNotConfirmed,
};

class ProgressPage : public common::ProgressBar {
public:
    virtual ~ProgressPage() = default;

    virtual void SetTitleText(const std::string& text) = 0;  // the title band
    virtual void SetStatusText(const std::string& text) = 0; // static 1011
    virtual void SetPeerText(const std::string& text) = 0;   // static 1014
    // Repaints the title band (the whole page, without erasing).
    virtual void InvalidateTitle() = 0;
    // Posts the command 1008 (UPDATE): the page copies its texts into its controls on its own thread.
    virtual void PostUpdate() = 0;

    // Disables Back (1034) and Cancel (2).
    virtual void DisableBackAndCancel() = 0;
    // The firmware transfer has ended (called once per server): stop both servers, then close the page with the
    // result that belongs to `outcome`.
    virtual void FinishTransfer(TransferOutcome outcome) = 0;
};

} // namespace vornalix::recovery
