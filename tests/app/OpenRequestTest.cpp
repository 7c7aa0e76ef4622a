#include <gtest/gtest.h>

#include <QComboBox>
#include <QLocalSocket>
#include <QTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/AppFixture.h"
#include "app/OpenRequest.h"
#include "data/DataFixtures.h"
#include "data/Fileformat.h"
#include "platform/gui/QtServices.h"

using appfixture::MainWindowTest;

namespace {

// Connects to `name` and writes the pieces one by one, each reaching the server on its own.
void SendInPieces(const QString& name, const std::vector<QByteArray>& pieces)
{
    QLocalSocket client;
    client.connectToServer(name);
    ASSERT_TRUE(client.waitForConnected(2000));
    for (const QByteArray& piece : pieces) {
        client.write(piece);
        client.flush();
        QTest::qWait(30);
    }
    client.disconnectFromServer();
    QTest::qWait(30);
}

// Leaves a socket file at `path` that nobody listens on, as a program that ended abnormally.
void LeaveStaleSocket(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

}  // namespace

TEST(OpenRequest, ARequestIsCompleteOnceItsTextHasArrived)
{
    struct Case {
        QByteArray received;
        bool closed;
        TOpenRequestState state;
    };
    const Case cases[] = {
        {"0x83F0", false, TOpenRequestState::Request},
        {" 0x83F0\r\n", false, TOpenRequestState::Request},
        {"0x83F0", true, TOpenRequestState::Request},
        {"", false, TOpenRequestState::Incomplete},
        {"0x8", false, TOpenRequestState::Incomplete},
        {"0x8", true, TOpenRequestState::Refused},
        {"0x8\n", false, TOpenRequestState::Refused},
        {"", true, TOpenRequestState::Refused},
        {"0x83F1", false, TOpenRequestState::Refused},
        {"0x83F0 0x83F0", false, TOpenRequestState::Refused},
        {QByteArray(100, ' '), false, TOpenRequestState::Refused},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JudgeOpenRequest(c.received, c.closed), c.state) << c.received.toStdString() << c.closed;
}

// A second program leaves the first one's socket alone; a socket that nobody answers on
// is taken over; requests arrive whole however they are cut.
TEST(OpenRequest, OnlyAStaleSocketIsTakenOver)
{
    testsupport::ScratchDir dir;
    const QString name = QString::fromStdString(dir.File("requests"));
    int first = 0, second = 0;
    TOpenRequestServer running(nullptr, [&] { ++first; });
    ASSERT_TRUE(running.Listen(name));
    TOpenRequestServer late(nullptr, [&] { ++second; });
    EXPECT_FALSE(late.Listen(name));
    EXPECT_FALSE(late.IsListening());
    SendInPieces(name, {"0x8", "3F", "0\n"});
    SendInPieces(name, {"hello\n"});
    SendInPieces(name, {"0x83F0"});
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 0);

    const std::string stalePath = dir.File("stale");
    LeaveStaleSocket(stalePath);
    TOpenRequestServer heir(nullptr, [&] { ++second; });
    ASSERT_TRUE(heir.Listen(QString::fromStdString(stalePath)));
    SendInPieces(QString::fromStdString(stalePath), {"0x83F0\n"});
    EXPECT_EQ(second, 1);
}

TEST_F(MainWindowTest, ASecondProgramLeavesTheOpenRequestSocketWorking)
{
    auto data = datafixtures::SmallFileSet();
    ChannelSet channels{0};
    const std::string path = dir.File("remote.spm");
    ASSERT_EQ(SaveWithFormat(FileFormats[1].get(), path, data.get(), &channels), fmtOk);
    ASSERT_TRUE(platform::WriteRegistryString("SOFTWARE\\SPM\\Viewer", "FileName", path));
    const QString name = QString::fromStdString(FileOpenRequestSocketName());
    TOpenRequestServer second(nullptr, [] {});
    EXPECT_FALSE(second.Listen(name));
    SendInPieces(name, {"0x83", "F0"});
    for (int i = 0; i < 100 && main->cbObjectFile->count() == 0; ++i)
        QTest::qWait(20);
    ASSERT_EQ(main->cbObjectFile->count(), 1);
    EXPECT_EQ(main->cbObjectFile->itemText(0).toStdString(), "remote.spm");
}
