#pragma once
// Whether the system drops an adapter's address when its link goes down ("media sensing"), as the media-sense
// guard tests it before it offers to turn it off, reading the registry only: nothing is written and no prompt
// is shown.
#include "hostnet/Registry.h"

#include <cstdint>

namespace vornalix::app {

// True on a version-5 system whose TCP/IP parameters do not hold DisableDHCPMediaSense 1, and on Windows Me
// when a network transport holds it with other than "1"; false on every other system.
bool MediaSensingOn(hostnet::Registry& registry, std::uint16_t osVersionWord);

} // namespace vornalix::app
