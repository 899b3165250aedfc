#include "wizard/emergency/PlatformMediaSense.h"

#include "hostnet/Platform.h"
#include "ui/GuiPrompt.h"

namespace vornalix::wizard {

PlatformMediaSenseParts::PlatformMediaSenseParts() : registry(hostnet::CreateRegistry()) {}
PlatformMediaSenseParts::~PlatformMediaSenseParts() = default;

PlatformMediaSense::PlatformMediaSense()
    : hostnet::MediaSenseGuard(*PlatformMediaSenseParts::registry, ui::AppPrompt(),
                               PlatformMediaSenseParts::restartPrompt, hostnet::OsVersionWord()) {}

} // namespace vornalix::wizard
