#pragma once
// What a server socket on one adapter needs beyond the common socket calls: binding to the adapter's device,
// the adapter each datagram arrived on, and sends from one adapter and address (POSIX: SO_BINDTODEVICE and
// IP_PKTINFO). On Windows a socket bound to the adapter's address stands for all three: it receives what arrives
// on that adapter, its broadcasts included, and its sends leave from there.
#include "common/Socket.h"

#include <cstddef>
#include <string>

namespace vornalix::recovery {

// The address a broadcast service on the adapter holding `adapterAddress` binds: the wildcard address (with the
// device binding) on POSIX, the adapter's address on Windows.
in_addr_t BroadcastBindAddress(in_addr_t adapterAddress);
// Restricts the socket to the device `device`; true where the system has nothing to restrict.
bool BindToDevice(common::SocketHandle socket, const std::string& device);
// Broadcasts allowed and, where the system tells it, each datagram's arrival adapter recorded.
bool EnableBroadcastOnAdapter(common::SocketHandle socket);
// ReceiveDatagram, and the index of the adapter the datagram arrived on into `arrivedOn` (left as it is where the
// system does not tell).
long ReceiveOnAdapter(common::SocketHandle socket, void* buffer, std::size_t size, sockaddr_in& sender, int& arrivedOn);
// SendDatagram leaving from adapter `interfaceIndex` with source `sourceAddress` (on Windows: the socket's own).
long SendFromAdapter(common::SocketHandle socket, const void* data, std::size_t size, const sockaddr_in& to, int flags,
                     int interfaceIndex, in_addr_t sourceAddress);

} // namespace vornalix::recovery
