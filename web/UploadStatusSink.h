#pragma once
// What the upload worker needs of the progress page. Every call comes from the worker thread;
// the page re-posts them to its own thread. PostStatus must not block; the progress calls may.
#include "common/ProgressBar.h"

namespace vornalix::web {

class UploadStatusSink : public common::ProgressBar {
public:
    virtual ~UploadStatusSink() = default;
    // One of the UploadStatus codes; Failed or Succeeded is the last call of a run.
    virtual void PostStatus(int code) = 0;
    // The Cancel button (control 2); the worker disables it when the upload starts.
    virtual void EnableCancel(bool enable) = 0;
};

} // namespace vornalix::web
