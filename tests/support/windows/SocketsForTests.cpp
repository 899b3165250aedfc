// Windows Sockets for the whole run of a test program, started before any test.
#include "common/Socket.h"

namespace {

const vornalix::common::SocketsStarted sockets;

} // namespace
