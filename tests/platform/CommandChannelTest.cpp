// The command channel over a real local socket, with real clients.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalSocket>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "platform/Platform.h"
#include "platform/qt/Windows.h"
#include "tests/support/TempDrive.h"

using platform::ChannelClaim;
using platform::ClaimCommandChannel;
using Lines = std::vector<std::string>;

namespace {

// Runs the event loop until done() holds or five seconds have passed.
bool RunUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 5000) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

class Client {
  public:
    explicit Client(const std::string& path) {
        socket_.connectToServer(QString::fromStdString(path));
        connected_ = socket_.waitForConnected(1000);
    }
    bool connected() const { return connected_; }
    void Write(const std::string& bytes) {
        socket_.write(bytes.data(), qint64(bytes.size()));
        socket_.waitForBytesWritten(1000);
    }
    void Leave() { socket_.disconnectFromServer(); }

  private:
    QLocalSocket socket_;
    bool connected_ = false;
};

// A socket file nobody listens on any more, as a killed program leaves it.
bool MakeStaleSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return bound;
}

}  // namespace

TEST(CommandChannel, EachLineFromEveryClientArrivesWholeAndInOrder) {
    testing_support::TempFolder folder;
    std::string path = folder.host() + "/pagelift.command";
    auto claimed = ClaimCommandChannel(path);
    ASSERT_EQ(claimed.claim, ChannelClaim::Owned);
    ASSERT_TRUE(claimed.channel);
    struct stat info;
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "only its user may reach it";

    Lines lines;
    claimed.channel->SetReceiver([&](const std::string& line) { lines.push_back(line); });
    Client first(path);
    ASSERT_TRUE(first.connected());
    first.Write("Convert\r\n\nEx");
    ASSERT_TRUE(RunUntil([&] { return lines.size() == 1; }));

    Client second(path);
    ASSERT_TRUE(second.connected());
    second.Write("转换\n" + std::string(17000, 'x') + "\nOpen");
    second.Leave();
    ASSERT_TRUE(RunUntil([&] { return lines.size() == 3; }));

    first.Write("it\nlast without a line end");
    first.Leave();
    ASSERT_TRUE(RunUntil([&] { return lines.size() == 5; }));
    EXPECT_EQ(lines, (Lines{"Convert", "转换", "Open", "Exit", "last without a line end"}));
}

TEST(CommandChannel, SecondClaimFindsTheRunningInstanceAtOnce) {
    testing_support::TempFolder folder;
    std::string path = folder.host() + "/pagelift.command";
    {
        auto first = ClaimCommandChannel(path);
        ASSERT_EQ(first.claim, ChannelClaim::Owned);
        QElapsedTimer clock;
        clock.start();
        auto second = ClaimCommandChannel(path);
        EXPECT_EQ(second.claim, ChannelClaim::OtherInstanceRunning);
        EXPECT_FALSE(second.channel);
        EXPECT_LT(clock.elapsed(), 1000);
    }
    EXPECT_FALSE(std::filesystem::exists(path)) << "the socket goes with its channel";
    EXPECT_EQ(ClaimCommandChannel(path).claim, ChannelClaim::Owned);
}

TEST(CommandChannel, StaleSocketIsTakenOverButNoOtherFile) {
    testing_support::TempFolder folder;
    std::string stale = folder.host() + "/stale.command";
    ASSERT_TRUE(MakeStaleSocket(stale));
    auto claimed = ClaimCommandChannel(stale);
    ASSERT_EQ(claimed.claim, ChannelClaim::Owned);
    Lines lines;
    claimed.channel->SetReceiver([&](const std::string& line) { lines.push_back(line); });
    Client client(stale);
    ASSERT_TRUE(client.connected());
    client.Write("Exit\n");
    ASSERT_TRUE(RunUntil([&] { return lines.size() == 1; }));
    EXPECT_EQ(lines[0], "Exit");

    std::string plain = folder.WriteFile("plain.command", "a file of someone");
    EXPECT_EQ(ClaimCommandChannel(plain).claim, ChannelClaim::Failed);
    EXPECT_TRUE(std::filesystem::is_regular_file(plain));

    std::string planted = folder.host() + "/planted.command";
    ASSERT_TRUE(MakeStaleSocket(planted));
    if (chown(planted.c_str(), 65534, 65534) != 0) GTEST_SKIP() << "needs to run as root";
    EXPECT_EQ(ClaimCommandChannel(planted).claim, ChannelClaim::Failed);
    EXPECT_TRUE(std::filesystem::is_socket(planted)) << "another user's socket is left alone";
}

TEST(CommandChannel, SocketLivesInTheRuntimeFolderOrElseInTmpByUser) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    std::string savedValue = saved != nullptr ? saved : "";
    std::string inTmp = "/tmp/pagelift-" + std::to_string(getuid()) + ".command";

    setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
    EXPECT_EQ(platform::CommandSocketPath("pagelift"), "/run/user/1000/pagelift.command");
    setenv("XDG_RUNTIME_DIR", "", 1);
    EXPECT_EQ(platform::CommandSocketPath("pagelift"), inTmp);
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(platform::CommandSocketPath("pagelift"), inTmp);

    if (saved != nullptr) setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
}

// A later start hands its files over as addresses that carry any name in one line, and only
// to a socket of this user.
TEST(CommandChannel, FilesHandedOverArriveWholeAndOnlyAtThisUsersSocket) {
    testing_support::TempFolder folder;
    const std::string path = folder.host() + "/pagelift.command";
    auto claimed = ClaimCommandChannel(path);
    ASSERT_EQ(claimed.claim, ChannelClaim::Owned);
    Lines lines;
    claimed.channel->SetReceiver([&](const std::string& line) { lines.push_back(line); });
    const std::string name = platform::ToWindowsPath(folder.host() + "/two\nlines \xFF%.pdf");
    const std::string address = platform::FileAddress(name);
    EXPECT_EQ(address.find_first_of("\n "), std::string::npos) << address;
    ASSERT_TRUE(platform::SendCommandLines(path, {address, "menuConvert"}));
    ASSERT_TRUE(RunUntil([&] { return lines.size() == 2; }));
    EXPECT_EQ(platform::FileOfAddress(lines[0]), name);
    EXPECT_EQ(lines[1], "menuConvert");
    EXPECT_FALSE(platform::FileOfAddress("menuConvert"));
    EXPECT_FALSE(platform::FileOfAddress("file://elsewhere/a.pdf")) << "not this machine's";

    EXPECT_FALSE(platform::SendCommandLines(folder.WriteFile("plain.command", "x"), {"A"}));
    if (chown(path.c_str(), 65534, 65534) != 0) GTEST_SKIP() << "needs to run as root";
    EXPECT_FALSE(platform::SendCommandLines(path, {address}));
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
    EXPECT_EQ(lines.size(), 2u) << "nothing reaches another user's socket";
}
