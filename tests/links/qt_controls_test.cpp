#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <tuple>
#include <vector>

#include "links/drains.h"
#include "links/port_names.h"
#include "links/qt_serial_control.h"
#include "links/qt_socket_control.h"

namespace tvx::links {
namespace {

constexpr int kTimeoutMs = 10000;

// Runs the event loop until done() holds; false after a generous timeout.
bool WaitFor(const std::function<bool()>& done) {
  for (QDeadlineTimer deadline(kTimeoutMs); !done();) {
    if (deadline.hasExpired()) return false;
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

std::string Pattern(size_t size, int step = 1) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * step);
  return bytes;
}

// All 256 byte values as one piece, in uneven pieces and one byte at a time.
std::vector<std::vector<std::string>> PieceSplits() {
  std::vector<std::vector<std::string>> splits;
  for (const size_t size : {256, 100, 1}) {
    auto& pieces = splits.emplace_back();
    for (size_t at = 0; at < 256; at += size) pieces.push_back(Pattern(256).substr(at, size));
  }
  return splits;
}

// Reads on a thread, so the control may block or run its loop meanwhile; stops at `count`
// bytes, at end of data (the far side closed) or after the timeout.
std::future<std::string> ReadInBackground(int fd, size_t count) {
  return std::async(std::launch::async, [fd, count] {
    std::string got;
    char buffer[65536];
    for (QDeadlineTimer deadline(kTimeoutMs); got.size() < count && !deadline.hasExpired();) {
      pollfd ready{fd, POLLIN, 0};
      if (::poll(&ready, 1, 50) <= 0) continue;
      const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - got.size()));
      if (n <= 0) break;
      got.append(buffer, static_cast<size_t>(n));
    }
    return got;
  });
}

std::string Await(std::future<std::string>& result) {
  EXPECT_TRUE(WaitFor(
      [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  return result.get();
}

// The control opens a pty slave by name; the test plays the far end on the master.
class SerialTest : public ::testing::Test {
 protected:
  static constexpr int kPort = 3;

  void SetUp() override {
    NewFarEnd();
    control_->SetCommPort(kPort);
  }
  void TearDown() override {
    control_.reset();
    CloseFarEnd();
  }
  void NewFarEnd() {
    int slave = -1;
    char name[256];
    ASSERT_EQ(::openpty(&master_, &slave, name, nullptr, nullptr), 0);
    ::close(slave);
    names_.Set(kPort, name);
  }
  void CloseFarEnd() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  PortNames names_;
  std::unique_ptr<QtSerialControl> control_ = std::make_unique<QtSerialControl>(names_);
  int master_ = -1;
};

TEST_F(SerialTest, EveryByteValueArrivesInOrderWhateverThePieces) {
  for (const auto& pieces : PieceSplits()) {
    ASSERT_TRUE(control_->SetPortOpen(true));
    auto received = ReadInBackground(master_, 256);
    for (const auto& piece : pieces) EXPECT_TRUE(control_->Output(piece));
    EXPECT_EQ(Await(received), Pattern(256)) << pieces.size() << " pieces";
    ASSERT_TRUE(control_->SetPortOpen(false));
    EXPECT_FALSE(control_->Output("x"));
  }
}

TEST_F(SerialTest, OpenAppliesTheSettingsText) {
  // A pty forces 8 bits without parity, so only speed, odd parity and stop bits show on it.
  const std::tuple<const char*, speed_t, tcflag_t> cases[] = {
      {"9600,N,8,1", B9600, 0}, {"19200,E,7,2", B19200, CSTOPB}, {"2400,o,8,1", B2400, PARODD}};
  for (const auto& [settings, speed, flags] : cases) {
    control_->SetSettings(settings);
    ASSERT_TRUE(control_->SetPortOpen(true)) << settings;
    termios line{};
    ASSERT_EQ(::tcgetattr(master_, &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), speed) << settings;
    EXPECT_EQ(line.c_cflag & (PARODD | CSTOPB | CRTSCTS), flags) << settings;
    EXPECT_TRUE(control_->SetPortOpen(false));
  }
}

TEST_F(SerialTest, OpenFailsOnAnythingButAFreeTerminal) {
  QTemporaryFile regular_file;
  ASSERT_TRUE(regular_file.open());
  names_.Set(1, regular_file.fileName().toStdString());
  names_.Set(2, "/dev/null");
  names_.Set(4, "/nonexistent/tvx-port");
  for (const int port : {1, 2, 4, 5}) {
    control_->SetCommPort(port);
    EXPECT_FALSE(control_->SetPortOpen(true)) << port;
    EXPECT_FALSE(control_->PortOpen()) << port;
  }
  control_->SetCommPort(kPort);
  for (const char* settings : {"9600,N,8", "9600,X,8,1", "fast,N,8,1"}) {
    control_->SetSettings(settings);
    EXPECT_FALSE(control_->SetPortOpen(true)) << settings;
  }
}

TEST_F(SerialTest, HeldPortIsBusyUntilReleased) {
  QtSerialControl second(names_);
  second.SetCommPort(kPort);
  ASSERT_TRUE(control_->SetPortOpen(true));
  EXPECT_TRUE(control_->SetPortOpen(true));
  EXPECT_FALSE(second.SetPortOpen(true));
  ASSERT_TRUE(control_->SetPortOpen(false));
  EXPECT_TRUE(second.SetPortOpen(true));
}

TEST_F(SerialTest, QueuedBytesSurviveAFullLineAndDrainAtClose) {
  // The large case overflows the pty while nobody reads: the writes must still succeed (Qt
  // reports the full queue as ResourceError), and most of it still waits inside Qt at close.
  for (const size_t size : {300u, 100000u}) {
    const std::string bytes = Pattern(size, 7);
    ASSERT_TRUE(control_->SetPortOpen(true));
    EXPECT_TRUE(control_->Output(bytes.substr(0, size / 2)));
    EXPECT_TRUE(control_->Output(bytes.substr(size / 2)));
    EXPECT_TRUE(control_->PortOpen());
    auto received = ReadInBackground(master_, size);
    EXPECT_TRUE(control_->SetPortOpen(false));
    EXPECT_TRUE(Await(received) == bytes) << size;
  }
}

// Closing never waits for a slow line: the queued bytes leave in the background, nobody writes
// around them in the meantime, and the device is free again once they are out.
TEST_F(SerialTest, CloseHandsQueuedBytesToABackgroundDrain) {
  const std::string bytes = Pattern(100000, 3);
  const std::string device = names_.Device(kPort);
  ASSERT_TRUE(control_->SetPortOpen(true));
  EXPECT_TRUE(control_->Output(bytes));
  EXPECT_TRUE(control_->SetPortOpen(false));  // nobody reads yet: the bytes cannot have left
  EXPECT_FALSE(control_->PortOpen());
  EXPECT_TRUE(drains::Draining(device));
  QtSerialControl other(names_);
  other.SetCommPort(kPort);
  EXPECT_FALSE(other.SetPortOpen(true)) << "opened around a drain";
  EXPECT_NE(other.LastError().find("busy"), std::string::npos) << other.LastError();
  auto received = ReadInBackground(master_, bytes.size());
  EXPECT_TRUE(Await(received) == bytes);
  EXPECT_TRUE(WaitFor([] { return drains::Count() == 0; }));
  EXPECT_TRUE(other.SetPortOpen(true));
}

TEST_F(SerialTest, VanishedDeviceClosesThePort) {
  // With bytes still queued Qt notices at once; with none, the next write does.
  for (const bool queued : {true, false}) {
    ASSERT_TRUE(control_->SetPortOpen(true));
    if (queued) {
      EXPECT_TRUE(control_->Output(std::string(100000, 'q')));
    }
    CloseFarEnd();
    if (queued) {
      EXPECT_TRUE(WaitFor([&] { return !control_->PortOpen(); }));
    } else {
      EXPECT_FALSE(control_->Output("x"));
      EXPECT_FALSE(control_->PortOpen());
    }
    EXPECT_FALSE(control_->Output("x"));
    EXPECT_TRUE(control_->SetPortOpen(false));
    NewFarEnd();
  }
}

// How each field maps onto the line shows in OpenAppliesTheSettingsText.
TEST(SerialSettingsTest, AcceptsOnlyFourWellFormedFields) {
  for (const char* good : {"9600,N,8,1", " 19200 , s , 5 , 1.5 ", "300,m,6,2", "115200,O,7,1"}) {
    EXPECT_TRUE(ParseSerialSettings(good)) << good;
  }
  for (const char* bad : {"", "9600", "9600,N,8,1,1", "0,N,8,1", "-9600,N,8,1", "96OO,N,8,1",
                          "9600,,8,1", "9600,NE,8,1", "9600,N,4,1", "9600,N,9,1", "9600,N,8,3",
                          "9600,N,8,1.0", "99999999999,N,8,1"}) {
    EXPECT_FALSE(ParseSerialSettings(bad)) << bad;
  }
}

TEST(PortNamesTest, DefaultsOverridesAndRange) {
  PortNames names;
  EXPECT_TRUE(names.Set(2, "/dev/ttyUSB0"));
  for (const auto& [port, device] : {std::pair{3, ""}, {0, "/dev/x"}, {5, "/dev/x"}}) {
    EXPECT_FALSE(names.Set(port, device)) << port;
  }
  const char* expected[] = {"", "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyS2", "/dev/ttyS3", ""};
  for (int port = 0; port <= 5; ++port) EXPECT_EQ(names.Device(port), expected[port]) << port;
}

TEST(PortNamesTest, ParseCommOption) {
  using Parsed = std::optional<std::pair<int, std::string>>;
  const std::pair<const char*, Parsed> cases[] = {{"1=/dev/ttyUSB0", std::pair{1, "/dev/ttyUSB0"}},
                                                  {"4=COM7", std::pair{4, "COM7"}},
                                                  {"2=a=b", std::pair{2, "a=b"}}};
  for (const auto& [option, expected] : cases) EXPECT_EQ(ParseCommOption(option), expected);
  for (const char* bad :
       {"0=/dev/x", "5=/dev/x", "01=/dev/x", "1=", "1", "=/dev/x", "x=/dev/x", "1:/dev/x", ""}) {
    EXPECT_EQ(ParseCommOption(bad), std::nullopt) << bad;
  }
}

class SocketTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.listen(QHostAddress::LocalHost, 0)); }

  // A port the system just handed out and took back, so nothing listens there.
  static int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
  }
  QTcpSocket* ConnectAndAccept(const std::string& host = "127.0.0.1") {
    control_.Connect(host, server_.serverPort());
    EXPECT_TRUE(WaitFor([&] { return control_.State() == window::kSckConnected; })) << host;
    EXPECT_TRUE(WaitFor([&] { return server_.hasPendingConnections(); }));
    return server_.nextPendingConnection();
  }

  QTcpServer server_;
  QtSocketControl control_;
};

TEST_F(SocketTest, ConnectsAndReportsBothEnds) {
  // A local port makes Qt bind a dual-stack socket, whose peer shows as ::ffff:127.0.0.1; a host
  // name goes through the lookup first.
  const std::pair<std::string, int> cases[] = {
      {"127.0.0.1", 0}, {"127.0.0.1", FreePort()}, {"localhost", 0}};
  for (const auto& [host, local_port] : cases) {
    control_.SetLocalPort(local_port);
    QTcpSocket* peer = ConnectAndAccept(host);
    ASSERT_TRUE(peer) << host;
    EXPECT_EQ(control_.RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(control_.LocalPort(), peer->peerPort());
    EXPECT_TRUE(local_port == 0 || control_.LocalPort() == local_port);
    EXPECT_EQ(control_.RemoteHost(), host);
    EXPECT_EQ(control_.RemotePort(), server_.serverPort());
    control_.Close();
    EXPECT_EQ(control_.State(), window::kSckClosed);
    EXPECT_EQ(control_.RemoteHostIP(), "");
    EXPECT_EQ(control_.LocalPort(), local_port);
    EXPECT_FALSE(control_.SendData("x"));
  }
}

TEST_F(SocketTest, EveryByteValueArrivesInOrderWhateverThePieces) {
  QTcpSocket* peer = ConnectAndAccept();
  ASSERT_TRUE(peer);
  for (const auto& pieces : PieceSplits()) {
    for (const auto& piece : pieces) EXPECT_TRUE(control_.SendData(piece));
    QByteArray got;
    WaitFor([&] { return (got += peer->readAll()).size() >= 256; });
    EXPECT_EQ(got.toStdString(), Pattern(256)) << pieces.size() << " pieces";
  }
}

TEST_F(SocketTest, PeerCloseAndRefusalEndClosed) {
  QTcpSocket* peer = ConnectAndAccept();
  ASSERT_TRUE(peer);
  // The window learns of the close from the signal alone, with no send to find it out.
  bool told_closed = false;
  QObject::connect(&control_, &QtSocketControl::StateChanged,
                   [&] { told_closed = told_closed || control_.State() == window::kSckClosed; });
  peer->close();
  EXPECT_TRUE(WaitFor([&] { return told_closed; }));
  EXPECT_FALSE(control_.SendData("x"));
  control_.Connect("127.0.0.1", FreePort());
  EXPECT_TRUE(WaitFor([&] { return control_.State() == window::kSckClosed; }));
}

// Keeps accepted connections as bare descriptors, for a thread to read while Close blocks.
class RawServer : public QTcpServer {
 public:
  std::vector<int> accepted;

 protected:
  void incomingConnection(qintptr descriptor) override {
    accepted.push_back(static_cast<int>(descriptor));
  }
};

TEST(SocketCloseTest, CloseDeliversWhatWasSent) {
  RawServer server;
  QtSocketControl control;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  control.Connect("127.0.0.1", server.serverPort());
  ASSERT_TRUE(WaitFor([&] { return control.State() == window::kSckConnected; }));
  ASSERT_TRUE(WaitFor([&] { return !server.accepted.empty(); }));
  // More than the kernel's buffers take while nobody reads, so part still waits inside Qt.
  const std::string bytes = Pattern(2 * 1024 * 1024, 13);
  EXPECT_TRUE(control.SendData(bytes));
  auto received = ReadInBackground(server.accepted[0], bytes.size());
  control.Close();
  EXPECT_EQ(control.State(), window::kSckClosed) << "closed at once for the console";
  EXPECT_TRUE(Await(received) == bytes);
  EXPECT_TRUE(WaitFor([] { return drains::Count() == 0; }));
  ::close(server.accepted[0]);
}

}  // namespace
}  // namespace tvx::links

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The controls run on an event loop, which needs an application object.
  QCoreApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
