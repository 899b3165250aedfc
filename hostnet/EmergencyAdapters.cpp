#include "hostnet/EmergencyAdapters.h"

#include "res/Resources.h"

namespace vornalix::hostnet {

std::string ShortageAdvice(AdapterShortage shortage) {
    switch (shortage) {
    case AdapterShortage::NoAdapter:
        return res::LoadString(res::StringId::NoEthernetAdapterAdvice);
    case AdapterShortage::NoConnectedAdapter:
        return res::LoadString(res::StringId::NoConnectedAdapterAdvice);
    case AdapterShortage::None:
        break;
    }
    return {};
}

} // namespace vornalix::hostnet
