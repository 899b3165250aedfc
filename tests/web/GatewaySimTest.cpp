// The simulator against a real peer: the Debian curl tool posting the firmware form.
#include "GatewaySim.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace vornalix::web::test {
namespace {

class GatewaySimWithCurl : public testing::Test {
protected:
    void SetUp() override {
        if (std::system("curl --version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "curl is not installed";
    }
    // Posts file as the form field name; returns the HTTP status curl saw.
    int Post(const GatewaySim& sim, const std::string& field, const std::string& file) {
        std::string out = sim.Folder() + "/status";
        std::string command = "curl -s -o /dev/null --noproxy '*' -w '%{http_code}' -F '" + field + "=@" + file + "' " +
                              sim.Url("/post-query") + " >" + out;
        if (std::system(command.c_str()) != 0)
            return -1;
        return std::atoi(ReadAll(out).c_str());
    }
};

TEST_F(GatewaySimWithCurl, StoresTheImageOfAFirmwareForm) {
    GatewaySim sim;
    std::string image(300000, '\0');
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i % 253);
    // Boundary-like text inside the image must not end it.
    image.replace(1000, 8, "\r\n------");
    std::string path = sim.WriteFile("fw.bin", image);
    EXPECT_EQ(Post(sim, "FirmwareDownload", path), 200);
    EXPECT_EQ(sim.Image(), image);
}

TEST_F(GatewaySimWithCurl, RefusesOtherFieldsAndUnpaddedLegacyImages) {
    GatewaySim sim({"--hardware", "1.01", "--software", "R1.10 WEB Aug. 27, 2001"});
    std::string padded = sim.WriteFile("padded.bin", std::string(0xD0000, 'x'));
    std::string shortImage = sim.WriteFile("short.bin", std::string(600000, 'x'));
    EXPECT_EQ(Post(sim, "Other", padded), 400);
    EXPECT_EQ(Post(sim, "FirmwareDownload", shortImage), 400);
    EXPECT_EQ(Post(sim, "FirmwareDownload", padded), 200);
}

} // namespace
} // namespace vornalix::web::test
