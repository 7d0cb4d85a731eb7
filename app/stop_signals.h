#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <string_view>

class QSocketNotifier;

namespace tvx::app {

// SIGINT, SIGTERM and SIGHUP as an event on the Qt event loop of the thread that made this:
// the handler only writes the signal's number to a pipe the loop watches, so nothing polls
// and an idle program sleeps. A signal arriving while a write to standard output is held up
// by a reader that reads nothing interrupts that write (see WriteUntilStopped). One at a time;
// the handlers in place before are restored when it goes. On systems without POSIX signals it
// catches nothing.
class StopSignals : public QObject {
  Q_OBJECT
 public:
  explicit StopSignals(QObject* parent = nullptr);
  ~StopSignals() override;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The first stop signal caught, 0 until one is.
  int Received() const;

 signals:
  // Once, for the first signal; later ones only repeat it.
  void Stop(int signal);

 private:
  void Drain();

  std::unique_ptr<QSocketNotifier> notifier_;
  int received_ = 0;
};

// "SIGTERM", or "signal N" for one without a name here.
std::string SignalName(int signal);

// The exit status of a program stopped by signal, as a shell reports one killed by it.
inline int StopExitStatus(int signal) {
  return 128 + signal;
}

// Writes bytes to the file descriptor fd whole; empty when it did, else why not (a full disk,
// a closed pipe). A write that a reader holds up gives way once a stop signal has been caught,
// within about a second, so a stalled reader cannot keep the program from stopping.
std::string WriteUntilStopped(int fd, std::string_view bytes);

}  // namespace tvx::app
