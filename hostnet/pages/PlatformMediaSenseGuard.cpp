#include "hostnet/pages/PlatformMediaSenseGuard.h"

#include "hostnet/Platform.h"
#include "ui/GuiPrompt.h"

namespace vornalix::hostnet {

PlatformMediaSenseGuard::PlatformMediaSenseGuard()
    : registry(CreateRegistry()), guard(*registry, ui::AppPrompt(), restartPrompt, OsVersionWord()) {}

PlatformMediaSenseGuard::~PlatformMediaSenseGuard() = default;

} // namespace vornalix::hostnet
