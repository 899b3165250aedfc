#include "TftpFixture.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace vornalix::recovery::test {

void TftpFixture::SetUp() {
    VORNALIX_REQUIRE_PRIVATE_NETWORK();
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-'); // parameterised names hold a slash
    folder = std::filesystem::temp_directory_path() / ("vx-tftp-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "fw");
}

void TftpFixture::TearDown() {
    if (server) {
        server->Stop();
        EXPECT_TRUE(server->WaitForSessions(std::chrono::seconds(30)));
        server.reset();
    }
    std::filesystem::remove_all(folder);
}

void TftpFixture::Start(TftpTimings timings, const std::string& firmwareName) {
    if (!std::filesystem::exists(folder / "fw" / firmwareName))
        WriteFile(firmwareName, RandomBytes(100));
    server = std::make_unique<TftpServer>(Address("127.0.0.1"), (folder / "fw" / firmwareName).string(), sharedPage,
                                          timings);
    const ListenStatus status = server->Start();
    ASSERT_TRUE(status.listening) << status.reason;
}

void TftpFixture::WriteFile(const std::string& name, const Bytes& content) const {
    std::ofstream(folder / "fw" / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
}

Bytes TftpFixture::ReadFile(const std::string& name) const {
    std::ifstream in(folder / "fw" / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace vornalix::recovery::test
