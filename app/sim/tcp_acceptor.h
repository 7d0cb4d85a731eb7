#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;
class QTcpServer;
class QTcpSocket;

namespace tvx::app {

// Takes the connections a listening QTcpServer is offered. When the system has no descriptor
// to give (EMFILE, ENFILE) or accepting fails otherwise, it pauses, says so once, and tries
// again after retry or at Resume(): Qt's own server would try again at once, for ever, or
// give up for good. Nothing runs while it waits for connections.
class TcpAcceptor : public QObject {
  Q_OBJECT
 public:
  struct Events {
    // A connection, its socket a child of the server.
    std::function<void(QTcpSocket*)> accepted;
    // Accepting paused (error) or works again.
    std::function<void(const std::string& note, bool error)> note;
  };

  TcpAcceptor(QTcpServer& server, std::chrono::milliseconds retry, Events events);
  ~TcpAcceptor() override;

  // A descriptor may be free again (a connection closed): when paused, try now.
  void Resume();

 private:
  void AcceptAll();
  void Pause(const std::string& why, bool descriptors);
  void Recovered();
  void SetAccepting(bool on);

  QTcpServer& server_;
  std::chrono::milliseconds retry_interval_;
  Events events_;
  std::unique_ptr<QSocketNotifier> notifier_;
  QTimer retry_;
  bool paused_ = false;
};

// "10 minutes", "30 s", "250 ms": a limit as the notes give it.
std::string DurationText(std::chrono::milliseconds d);

}  // namespace tvx::app
