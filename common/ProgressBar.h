#pragma once
// A progress bar a worker drives (control 1005 on both progress pages), with the Windows progress control's
// PBM_SETRANGE, PBM_SETSTEP and PBM_SETPOS semantics (see ProgressBarState). The page may run each call on
// its own thread; a call may then block until that thread has run it.
namespace vornalix::common {

class ProgressBar {
public:
    virtual ~ProgressBar() = default;
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressStep(int step) = 0;
    virtual void SetProgressPos(int position) = 0;
};

} // namespace vornalix::common
