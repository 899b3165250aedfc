#pragma once
// The media-sense guard as the wizard uses it: the platform's registry, the application's message boxes
// and the restart prompt dialog, on the process's OsVersionWord.
#include "hostnet/MediaSenseGuard.h"
#include "wizard/emergency/DialogRestartPrompt.h"

#include <memory>

namespace vornalix::wizard {

// What the guard works on; a base, so that it exists before the guard.
struct PlatformMediaSenseParts {
    PlatformMediaSenseParts();
    ~PlatformMediaSenseParts();
    std::unique_ptr<hostnet::Registry> registry;
    DialogRestartPrompt restartPrompt;
};

class PlatformMediaSense : private PlatformMediaSenseParts, public hostnet::MediaSenseGuard {
public:
    PlatformMediaSense();
};

} // namespace vornalix::wizard
