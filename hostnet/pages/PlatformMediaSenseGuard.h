#pragma once
// The media-sense guard as the wizard's pages use it: the platform's registry, the
// application's message boxes and the restart prompt dialog, on the process's OsVersionWord.
#include "hostnet/MediaSenseGuard.h"
#include "hostnet/pages/DialogRestartPrompt.h"

#include <memory>

namespace vornalix::hostnet {

class PlatformMediaSenseGuard {
public:
    PlatformMediaSenseGuard();
    ~PlatformMediaSenseGuard();

    int DisableMediaSenseNt5() { return guard.DisableMediaSenseNt5(); }
    int DisableMediaSenseMe() { return guard.DisableMediaSenseMe(); }
    int RestoreMediaSenseNt5() { return guard.RestoreMediaSenseNt5(); }
    int RestoreMediaSenseMe() { return guard.RestoreMediaSenseMe(); }

private:
    std::unique_ptr<Registry> registry;
    DialogRestartPrompt restartPrompt;
    MediaSenseGuard guard;
};

} // namespace vornalix::hostnet
