#pragma once
// Stages the upload worker reports to the progress page.

namespace vornalix::web {

enum UploadStatus : int {
    Uploading = 100,
    Failed = 101,
    Programming = 102,
    Restarting = 103,
    CheckingRestart = 104,
    Succeeded = 105,
};

} // namespace vornalix::web
