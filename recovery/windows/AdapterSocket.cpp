#include "recovery/AdapterSocket.h"

namespace vornalix::recovery {

in_addr_t BroadcastBindAddress(in_addr_t adapterAddress) {
    // Bound to the adapter's address, a socket also receives the broadcasts that arrive on that adapter.
    return adapterAddress;
}

bool BindToDevice(common::SocketHandle, const std::string&) {
    return true;
}

bool EnableBroadcastOnAdapter(common::SocketHandle socket) {
    return common::SetSocketOption(socket, SOL_SOCKET, SO_BROADCAST, 1);
}

long ReceiveOnAdapter(common::SocketHandle socket, void* buffer, std::size_t size, sockaddr_in& sender, int&) {
    return common::ReceiveDatagram(socket, buffer, size, &sender);
}

long SendFromAdapter(common::SocketHandle socket, const void* data, std::size_t size, const sockaddr_in& to, int flags,
                     int, in_addr_t) {
    return common::SendDatagram(socket, data, size, to, flags);
}

} // namespace vornalix::recovery
