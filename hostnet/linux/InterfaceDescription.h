#pragma once
// A description of a network interface that a person recognises: its name, and the device
// model where sysfs tells one (USB manufacturer and product, PCI names from pci.ids, or the
// driver's name).
#include <cstdint>
#include <string>
#include <vector>

namespace vornalix::hostnet {

class InterfaceDescription {
public:
    // sysfsRoot is where sysfs is mounted; pciIds lists pci.ids files to try, in order.
    explicit InterfaceDescription(std::string sysfsRoot = "/sys",
                                  std::vector<std::string> pciIds = {"/usr/share/misc/pci.ids",
                                                                     "/usr/share/hwdata/pci.ids"});

    // "name" or "name (model)". sysfs is only trusted when its ifindex for the name equals
    // index: in another network namespace the same name may be another device.
    std::string Describe(const std::string& name, std::uint32_t index) const;
    // The device model, or "" when sysfs tells none.
    std::string Model(const std::string& name) const;

private:
    std::string PciName(const std::string& vendorId, const std::string& deviceId) const;

    std::string sysfsRoot;
    std::vector<std::string> pciIds;
};

} // namespace vornalix::hostnet
