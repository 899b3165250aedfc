#include "web/GatewayUrl.h"

#include <gtest/gtest.h>

namespace vornalix::web {
namespace {

struct Accepted {
    const char* text;
    const char* host;
    std::uint16_t port;
    const char* path;
};

class GatewayUrlAccepted : public testing::TestWithParam<Accepted> {};

TEST_P(GatewayUrlAccepted, SplitsHostPortAndPath) {
    const Accepted& c = GetParam();
    auto url = GatewayUrl::Parse(c.text);
    ASSERT_TRUE(url) << c.text;
    EXPECT_TRUE(url->IsHttp());
    EXPECT_EQ(url->host, c.host);
    EXPECT_EQ(url->port, c.port);
    EXPECT_EQ(url->path, c.path);
}

INSTANTIATE_TEST_SUITE_P(HttpUrls, GatewayUrlAccepted,
                         testing::Values(Accepted{"http://192.168.1.1/", "192.168.1.1", 80, "/"},
                                         Accepted{"http://192.168.1.1:8080/", "192.168.1.1", 8080, "/"},
                                         Accepted{"HTTP://Gateway.local", "Gateway.local", 80, "/"},
                                         Accepted{"http://gw-1:65535/cgi/x.htm?a=b", "gw-1", 65535, "/cgi/x.htm?a=b"}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

class GatewayUrlRefused : public testing::TestWithParam<const char*> {};

TEST_P(GatewayUrlRefused, IsNotAnHttpUrl) {
    auto url = GatewayUrl::Parse(GetParam());
    EXPECT_FALSE(url && url->IsHttp()) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Texts, GatewayUrlRefused,
                         testing::Values("https://192.168.1.1/", "ftp://192.168.1.1/", "192.168.1.1", "192.168.1.1:80/",
                                         "", "http://", "http:///", "http://:80/", "http://host:0/",
                                         "http://host:65536/", "http://host:8o/", "http://user@host/", "http://[::1]/",
                                         "http://host/a b", "http:192.168.1.1"),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(GatewayUrl, OtherSchemesStillNameHostAndPort) {
    auto url = GatewayUrl::Parse("https://192.168.1.1/");
    ASSERT_TRUE(url);
    EXPECT_FALSE(url->IsHttp());
    EXPECT_EQ(url->host, "192.168.1.1");
    EXPECT_EQ(url->port, 443);
}

} // namespace
} // namespace vornalix::web
