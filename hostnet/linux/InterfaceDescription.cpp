#include "hostnet/linux/InterfaceDescription.h"

#include <filesystem>
#include <fstream>

namespace vornalix::hostnet {

namespace {

// The first line of a small sysfs file, trimmed; "" when it cannot be read.
std::string ReadLine(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line))
        return {};
    const auto first = line.find_first_not_of(" \t\r");
    const auto last = line.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
}

// "0x8086" → "8086".
std::string HexId(const std::string& text) {
    std::string id = text.rfind("0x", 0) == 0 ? text.substr(2) : text;
    for (auto& c : id)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return id;
}

} // namespace

InterfaceDescription::InterfaceDescription(std::string sysfsRoot, std::vector<std::string> pciIds)
    : sysfsRoot(std::move(sysfsRoot)), pciIds(std::move(pciIds)) {}

std::string InterfaceDescription::Describe(const std::string& name, std::uint32_t index) const {
    const std::filesystem::path netDir = std::filesystem::path(sysfsRoot) / "class" / "net" / name;
    if (ReadLine(netDir / "ifindex") != std::to_string(index))
        return name;
    const std::string model = Model(name);
    return model.empty() ? name : name + " (" + model + ")";
}

std::string InterfaceDescription::Model(const std::string& name) const {
    namespace fs = std::filesystem;
    const fs::path device = fs::path(sysfsRoot) / "class" / "net" / name / "device";
    std::error_code error;
    if (!fs::exists(device, error))
        return {};
    // USB: the interface's parent device names itself.
    const std::string product = ReadLine(device / ".." / "product");
    if (!product.empty()) {
        const std::string manufacturer = ReadLine(device / ".." / "manufacturer");
        return manufacturer.empty() ? product : manufacturer + " " + product;
    }
    // PCI: vendor and device numbers, named by pci.ids where it is installed.
    const std::string vendor = ReadLine(device / "vendor");
    const std::string deviceId = ReadLine(device / "device");
    if (!vendor.empty() && !deviceId.empty()) {
        const std::string pciName = PciName(HexId(vendor), HexId(deviceId));
        if (!pciName.empty())
            return pciName;
    }
    const fs::path driver = fs::read_symlink(device / "driver", error);
    if (!error)
        return driver.filename().string();
    return {};
}

std::string InterfaceDescription::PciName(const std::string& vendorId, const std::string& deviceId) const {
    for (const auto& path : pciIds) {
        std::ifstream file(path);
        if (!file)
            continue;
        std::string line;
        std::string vendorName;
        bool inVendor = false;
        while (std::getline(file, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            if (line[0] != '\t') {
                if (inVendor)
                    break;
                if (line.size() > 6 && line.compare(0, 4, vendorId) == 0 && line[4] == ' ') {
                    inVendor = true;
                    vendorName = line.substr(6);
                }
            } else if (inVendor && line.size() > 7 && line[1] != '\t' && line.compare(1, 4, deviceId) == 0 &&
                       line[5] == ' ') {
                return vendorName + " " + line.substr(7);
            }
        }
        if (inVendor)
            return vendorName;
    }
    return {};
}

} // namespace vornalix::hostnet
