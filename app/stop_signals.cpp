#include "app/stop_signals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>

#include "app/files.h"

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#else
#include <io.h>
#endif

namespace tvx::app {

namespace {

std::atomic<int> g_received{0};
static_assert(std::atomic<int>::is_always_lock_free, "read and written by a signal handler");

#if defined(Q_OS_UNIX)
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = sizeof kStopSignals / sizeof kStopSignals[0];

int g_pipe[2] = {-1, -1};
pthread_t g_loop_thread;
struct sigaction g_previous[kSignalCount];
struct sigaction g_previous_alarm;

// Another thread's handler hands the signal on: the loop's thread is the one whose held-up
// write must be interrupted.
bool OnLoopThread(int signal) {
  if (pthread_equal(pthread_self(), g_loop_thread)) return true;
  pthread_kill(g_loop_thread, signal);
  return false;
}

extern "C" void OnStopSignal(int signal) {
  const int saved = errno;
  if (OnLoopThread(signal)) {
    int none = 0;
    g_received.compare_exchange_strong(none, signal);
    const auto byte = static_cast<unsigned char>(signal);
    // Non-blocking: a full pipe already holds a stop for the loop.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    // A write entered just after this handler ran would wait for its reader: the alarm
    // interrupts it again.
    ::alarm(1);
  }
  errno = saved;
}

extern "C" void OnAlarm(int signal) {
  const int saved = errno;
  if (OnLoopThread(signal)) ::alarm(1);
  errno = saved;
}

void SetFlags(int fd, int flags) {
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | flags);
  ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
}
#endif

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
  g_received = 0;
#if defined(Q_OS_UNIX)
  if (::pipe(g_pipe) != 0) {
    g_pipe[0] = g_pipe[1] = -1;
    return;
  }
  SetFlags(g_pipe[0], O_NONBLOCK);
  SetFlags(g_pipe[1], O_NONBLOCK);
  g_loop_thread = pthread_self();
  notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &StopSignals::Drain);
  struct sigaction action = {};
  sigemptyset(&action.sa_mask);
  for (int signal : kStopSignals) sigaddset(&action.sa_mask, signal);
  sigaddset(&action.sa_mask, SIGALRM);
  // No SA_RESTART: a write held up by its reader returns, so the loop gets to the stop.
  action.sa_flags = 0;
  action.sa_handler = OnStopSignal;
  for (int i = 0; i < kSignalCount; ++i) sigaction(kStopSignals[i], &action, &g_previous[i]);
  action.sa_handler = OnAlarm;
  sigaction(SIGALRM, &action, &g_previous_alarm);
#endif
}

StopSignals::~StopSignals() {
#if defined(Q_OS_UNIX)
  if (g_pipe[0] < 0) return;
  for (int i = 0; i < kSignalCount; ++i) sigaction(kStopSignals[i], &g_previous[i], nullptr);
  ::alarm(0);
  sigaction(SIGALRM, &g_previous_alarm, nullptr);
  notifier_.reset();
  ::close(g_pipe[0]);
  ::close(g_pipe[1]);
  g_pipe[0] = g_pipe[1] = -1;
#endif
}

int StopSignals::Received() const {
  return g_received;
}

void StopSignals::Drain() {
#if defined(Q_OS_UNIX)
  unsigned char bytes[64];
  while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
  }
#endif
  if (received_ != 0 || g_received == 0) return;
  received_ = g_received;
  emit Stop(received_);
}

std::string SignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
#if defined(SIGHUP)
    case SIGHUP:
      return "SIGHUP";
#endif
    default:
      return "signal " + std::to_string(signal);
  }
}

std::string WriteUntilStopped(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
#if defined(Q_OS_UNIX)
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
#else
    const int n = ::_write(fd, bytes.data(), static_cast<unsigned>(bytes.size()));
#endif
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR && g_received == 0) continue;
    if (n < 0 && errno == EINTR) {
      return "nothing read it before the stop; " + std::to_string(bytes.size()) +
             " bytes were left unwritten";
    }
    return SystemReason(n < 0 ? errno : 0);
  }
  return {};
}

}  // namespace tvx::app
