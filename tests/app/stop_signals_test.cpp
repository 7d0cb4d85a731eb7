#include "app/stop_signals.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <csignal>
#include <thread>
#include <vector>

// Stop signals reach the event loop as an event, and a write nobody reads gives way to them.
namespace tvx::app {
namespace {

TEST(StopSignals, EachStopSignalIsOneEventOnTheLoopAndTheHandlersBeforeComeBack) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction before = {};
    sigaction(signal, nullptr, &before);
    std::vector<int> told;
    {
      StopSignals stop;
      QObject::connect(&stop, &StopSignals::Stop, [&told](int s) { told.push_back(s); });
      EXPECT_EQ(stop.Received(), 0);
      std::raise(signal);
      EXPECT_EQ(stop.Received(), signal) << "known at once, before the loop runs";
      std::raise(SIGTERM);  // a second one only repeats the first
      QEventLoop loop;
      QTimer::singleShot(200, &loop, &QEventLoop::quit);
      loop.exec();
      EXPECT_EQ(told, std::vector<int>{signal}) << SignalName(signal);
    }
    struct sigaction after = {};
    sigaction(signal, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler) << SignalName(signal);
  }
  EXPECT_EQ(SignalName(SIGHUP), "SIGHUP");
  EXPECT_EQ(StopExitStatus(SIGTERM), 143);
}

// A pipe whose reader reads nothing, filled to the brim.
struct FullPipe {
  int fds[2] = {-1, -1};
  FullPipe() {
    EXPECT_EQ(::pipe(fds), 0);
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    const std::string chunk(4096, 'x');
    while (::write(fds[1], chunk.data(), chunk.size()) > 0) {
    }
    ::fcntl(fds[1], F_SETFL, 0);  // blocking again, as standard output is
  }
  ~FullPipe() {
    ::close(fds[0]);
    ::close(fds[1]);
  }
};

TEST(StopSignals, AWriteNobodyReadsGivesWayToAStopWhetherItCameBeforeOrDuring) {
  const std::string line(1000, 'm');
  for (const bool before : {false, true}) {
    StopSignals stop;
    FullPipe pipe;
    const pthread_t writer = pthread_self();
    std::thread stopper;
    if (before) {
      std::raise(SIGTERM);  // caught while nothing waits: the write starts after it
    } else {
      stopper = std::thread([writer] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        // The signal is meant for the writing thread: it must interrupt its write.
        pthread_kill(writer, SIGTERM);  // NOLINT(bugprone-bad-signal-to-kill-thread)
      });
    }
    QElapsedTimer clock;
    clock.start();
    const std::string why = WriteUntilStopped(pipe.fds[1], line);
    if (stopper.joinable()) stopper.join();
    EXPECT_EQ(why, "nothing read it before the stop; 1000 bytes were left unwritten") << before;
    EXPECT_LT(clock.elapsed(), 5000) << before;
  }
}

TEST(StopSignals, AWriteToAClosedOrFullOutputSaysWhy) {
  std::signal(SIGPIPE, SIG_IGN);  // as the program does
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  EXPECT_EQ(WriteUntilStopped(fds[1], "line\n"), "Broken pipe");
  ::close(fds[1]);
  const int full = ::open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  EXPECT_EQ(WriteUntilStopped(full, "line\n"), "No space left on device");
  ::close(full);
  std::signal(SIGPIPE, SIG_DFL);
}

}  // namespace
}  // namespace tvx::app
