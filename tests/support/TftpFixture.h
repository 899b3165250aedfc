#pragma once
// A TFTP server on 127.0.0.1 in the test's own network namespace, serving a fresh temporary folder, with a
// recording page. Short silence (1 s × 2) unless a test sets other timings before Start.
#include "recovery/TftpServer.h"

#include "PrivateNetwork.h"
#include "RecordingPage.h"
#include "UdpPeer.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace vornalix::recovery::test {

class TftpFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the server (serving the folder of `firmwareName`) and starts it.
    void Start(TftpTimings timings = {1, 2, std::chrono::microseconds(1000)},
               const std::string& firmwareName = "Image.bin");
    void WriteFile(const std::string& name, const Bytes& content) const;
    Bytes ReadFile(const std::string& name) const;

    std::filesystem::path folder;
    // The server's sessions share the page; `page` is the fixture's view of it.
    std::shared_ptr<RecordingPage> sharedPage = std::make_shared<RecordingPage>();
    RecordingPage& page = *sharedPage;
    std::unique_ptr<TftpServer> server;
};

} // namespace vornalix::recovery::test
