#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTcpSocket>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/app/e2e_support.h"
#include "tests/app/sim_process.h"
#include "tests/support/temp_dir.h"

// How the simulator ends: by a signal, a reader that stalls or goes, a state file it cannot
// write. However it ends, the state is written or the reason told, and its pty link goes.
namespace tvx::e2e {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

const QByteArray kPacket(
    "\x02"
    "0103\x1bNUM42N1A\x04");

void SendTo(int port, const QByteArray& bytes) {
  QTcpSocket socket;
  socket.connectToHost("127.0.0.1", static_cast<quint16>(port));
  ASSERT_TRUE(socket.waitForConnected(5000));
  socket.write(bytes);
  ASSERT_TRUE(socket.waitForBytesWritten(5000));
  socket.disconnectFromHost();
}

std::string NumberInState(const std::string& path) {
  QFile file(Q(path));
  if (!file.open(QIODevice::ReadOnly)) return "no state";
  for (const QJsonValue device : QJsonDocument::fromJson(file.readAll()).array()) {
    if (device["serial"].toInt() == 10003) return device["number"].toString().toStdString();
  }
  return "no numeric display";
}

TEST(SimStop, EachStopSignalWritesTheStateAndTakesThePtyLinkAway) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    testing::TempDir dir;
    const std::string link = dir.File("tty-sim");
    const std::string state = dir.File("state.json");
    SimProcess sim({"--listen", "0", "--pty", Q(link), "--state", Q(state)});
    const int port = sim.TcpPort();
    ASSERT_GT(port, 0) << sim.Out();
    SendTo(port, kPacket);
    ASSERT_TRUE(sim.WaitFor("number 42")) << sim.Out();
    sim.Signal(signal);
    EXPECT_EQ(sim.Finish(), 0) << signal << ": " << sim.Err();
    EXPECT_EQ(NumberInState(state), "42") << signal;
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << signal;
  }
}

// A FIFO the simulator's standard output goes to; its reader is held here.
class OutputFifo {
 public:
  explicit OutputFifo(const std::string& path) : path_(path) {
    ::mkfifo(path.c_str(), 0600);
    reader_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  }
  ~OutputFifo() { CloseReader(); }
  QString Path() const { return Q(path_); }
  // What the simulator has written until text, or all it wrote in 20 s without it.
  std::string ReadUntil(const std::string& text) {
    char buffer[4096];
    QElapsedTimer clock;
    clock.start();
    while (read_.find(text) == std::string::npos && clock.elapsed() < 20000) {
      for (ssize_t n; (n = ::read(reader_, buffer, sizeof buffer)) > 0;) read_.append(buffer, n);
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return read_;
  }
  int TcpPort() {
    const auto m = QRegularExpression("tcp:(\\d+)  listening").match(Q(ReadUntil("\n")));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
  }
  void CloseReader() {
    if (reader_ >= 0) ::close(reader_);
    reader_ = -1;
  }

 private:
  std::string path_;
  int reader_ = -1;
  std::string read_;
};

TEST(SimStop, AStalledReaderDoesNotHoldOffAStopAndAClosedOneEndsTheRun) {
  testing::TempDir dir;
  {
    // Nobody reads: the pipe fills and the simulator waits in a write when the stop comes.
    OutputFifo fifo(dir.File("stalled"));
    const std::string state = dir.File("stalled.json");
    SimProcess sim({"--listen", "0", "--state", Q(state)}, {fifo.Path(), {}});
    const int port = fifo.TcpPort();
    ASSERT_GT(port, 0);
    // Far more monitor lines than a pipe holds.
    SendTo(port, kPacket.repeated(4000));
    EXPECT_TRUE(sim.WaitUntil([&sim] {
      return sim.WaitChannel().find("pipe_write") != std::string::npos;
    })) << sim.WaitChannel();
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Finish(), 1);
    EXPECT_NE(sim.Err().find("cannot write the monitor to standard output: nothing read it before "
                             "the stop"),
              std::string::npos)
        << sim.Err();
    EXPECT_EQ(NumberInState(state), "42");
  }
  {
    // The reader goes (as `| head` does): the next line fails and the run ends by itself.
    OutputFifo fifo(dir.File("closed"));
    const std::string state = dir.File("closed.json");
    SimProcess sim({"--listen", "0", "--state", Q(state)}, {fifo.Path(), {}});
    const int port = fifo.TcpPort();
    ASSERT_GT(port, 0);
    SendTo(port, kPacket);
    ASSERT_NE(fifo.ReadUntil("number 42").find("number 42"), std::string::npos);
    fifo.CloseReader();
    QTcpSocket next;  // its line finds no reader
    next.connectToHost("127.0.0.1", static_cast<quint16>(port));
    EXPECT_EQ(sim.Finish(), 1);
    EXPECT_NE(sim.Err().find("cannot write the monitor to standard output: Broken pipe"),
              std::string::npos)
        << sim.Err();
    EXPECT_EQ(NumberInState(state), "42");
  }
  {
    SimProcess sim({"--listen", "0", "--for", "20000"}, {"/dev/full", {}});
    EXPECT_EQ(sim.Finish(), 1);
    EXPECT_NE(sim.Err().find("No space left on device"), std::string::npos) << sim.Err();
  }
}

TEST(SimStop, AStateFileThatCannotBeWrittenWholeLeavesTheOldOne) {
  testing::TempDir dir;
  const std::string state = dir.Write("state.json", "the old state\n");
  // A file size limit below the state's size: each write past it fails.
  SimProcess sim({"--listen", "0", "--for", "100", "--state", Q(state)},
                 {"/dev/null", "ulimit -f 1"});
  EXPECT_EQ(sim.Finish(), 1);
  EXPECT_NE(
      sim.Err().find("cannot write the state to '" + state + "': cannot write it (File too large)"),
      std::string::npos)
      << sim.Err();
  QFile old(Q(state));
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll().toStdString(), "the old state\n");
}

TEST(SimStop, ALinkAnEarlierRunLeftToAGonePtyIsReplacedAndNothingElseIs) {
  testing::TempDir dir;
  Pty live;  // someone's terminal: a link to it is not ours to take
  const struct {
    std::string target;
    bool replaced;
  } cases[] = {
      {"/dev/pts/987654", true},
      {live.Path(), false},
      {"/dev/null", false},
      {dir.File("nothing-here"), false},
  };
  for (const auto& c : cases) {
    const std::string link = dir.File("tty-sim");
    std::filesystem::remove(link);
    std::filesystem::create_symlink(c.target, link);
    SimProcess sim({"--pty", Q(link), "--for", "200"});
    const int status = sim.Finish();
    if (c.replaced) {
      EXPECT_EQ(status, 0) << c.target << ": " << sim.Err();
      EXPECT_NE(sim.Out().find("replaced the link an earlier run left to " + c.target),
                std::string::npos)
          << sim.Out();
      EXPECT_FALSE(std::filesystem::is_symlink(link)) << "removed again at the end";
    } else {
      EXPECT_EQ(status, 2) << c.target;
      EXPECT_NE(sim.Err().find("the path exists (a link to " + c.target + ")"), std::string::npos)
          << sim.Err();
      EXPECT_EQ(std::filesystem::read_symlink(link), c.target) << "left as it was";
    }
  }
  // A later source that cannot open: the link made for the pty goes with the run.
  const std::string link = dir.File("tty-sim");
  std::filesystem::remove(link);
  SimProcess failing({"--pty", Q(link), "--serial", "/nonexistent/ttyUSB9"});
  EXPECT_EQ(failing.Finish(), 2);
  EXPECT_FALSE(std::filesystem::is_symlink(link));
}

}  // namespace
}  // namespace tvx::e2e
