#pragma once
// What the upload worker needs of the progress page. Every call comes from the worker thread;
// the page re-posts them to its own thread. PostStatus must not block; the progress calls may.

namespace vornalix::web {

class UploadStatusSink {
public:
    virtual ~UploadStatusSink() = default;
    // One of the UploadStatus codes; Failed or Succeeded is the last call of a run.
    virtual void PostStatus(int code) = 0;
    // The progress bar (control 1005).
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetStep(int step) = 0;
    virtual void SetPos(int position) = 0;
    // The Cancel button (control 2); the worker disables it when the upload starts.
    virtual void EnableCancel(bool enable) = 0;
};

} // namespace vornalix::web
