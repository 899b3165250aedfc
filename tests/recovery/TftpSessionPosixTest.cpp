// What only POSIX systems have: the umask of received files, and ports below 1024 without root.
#include "recovery/BootReplyServer.h"
#include "recovery/TftpTransfer.h"

#include "support/TftpFixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vornalix::recovery;
using namespace vornalix::recovery::test;
using std::chrono::milliseconds;

namespace {

class TftpSessionPosixTest : public TftpFixture {};

} // namespace

TEST_F(TftpSessionPosixTest, ReceivedFilesFollowTheUmask) {
    const mode_t umaskBefore = umask(027);
    Start();
    const UdpPeer client;
    client.SendTo(Request(2, "small.bin"), 69);
    const auto ack0 = client.Receive();
    ASSERT_TRUE(ack0);
    client.SendTo(DataPacket(1, Text("abc")), ack0->from);
    EXPECT_TRUE(client.Receive());
    EXPECT_TRUE(server->WaitForSessions(milliseconds(500)));
    umask(umaskBefore);
    EXPECT_EQ(std::filesystem::status(folder / "fw" / "small.bin").permissions(), std::filesystem::perms(0640));
}

TEST_F(TftpSessionPosixTest, MissingPermissionIsReported) {
    const pid_t child = fork();
    if (child == 0) {
        // Without root, ports below 1024 are not ours.
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        const auto quiet = std::make_shared<RecordingPage>();
        TftpServer unprivileged(Address("127.0.0.1"), "/tmp/x.bin", quiet);
        const ListenStatus status = unprivileged.Start();
        BootReplyServer boot(Address("127.0.0.1"), "/tmp/x.bin");
        const ListenStatus bootStatus = boot.Start();
        if (status.failure != ListenFailure::PermissionDenied || bootStatus.failure != ListenFailure::PermissionDenied)
            _exit(4);
        // The user is told that the port needs an administrator, not the kernel's words.
        const std::string text = ListenFailureText(status, "TFTP", 69, "127.0.0.1");
        _exit(text.find("administrator") != std::string::npos && text.find("Permission denied") == std::string::npos
                  ? 0
                  : 5);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
