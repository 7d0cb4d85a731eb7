#include "app/sim/tcp_acceptor.h"

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>

#include "app/files.h"

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace tvx::app {

std::string DurationText(std::chrono::milliseconds d) {
  const auto ms = d.count();
  if (ms >= 60'000 && ms % 60'000 == 0) {
    return std::to_string(ms / 60'000) + (ms == 60'000 ? " minute" : " minutes");
  }
  if (ms >= 1000 && ms % 1000 == 0) return std::to_string(ms / 1000) + " s";
  return std::to_string(ms) + " ms";
}

TcpAcceptor::TcpAcceptor(QTcpServer& server, std::chrono::milliseconds retry, Events events)
    : server_(server), retry_interval_(retry), events_(std::move(events)) {
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, [this] { SetAccepting(true); });
#if defined(Q_OS_UNIX)
  // Accepted here rather than by the server, which cannot tell a full descriptor table from
  // a queue that is empty and would be woken for the same connection again and again.
  server_.pauseAccepting();
  notifier_ = std::make_unique<QSocketNotifier>(server_.socketDescriptor(), QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &TcpAcceptor::AcceptAll);
#else
  connect(&server_, &QTcpServer::newConnection, this, &TcpAcceptor::AcceptAll);
  connect(&server_, &QTcpServer::acceptError, this, [this] {
    Pause(server_.errorString().toStdString(),
          server_.serverError() == QAbstractSocket::SocketResourceError);
  });
#endif
}

TcpAcceptor::~TcpAcceptor() = default;

void TcpAcceptor::SetAccepting(bool on) {
#if defined(Q_OS_UNIX)
  notifier_->setEnabled(on);
#else
  if (on) {
    server_.resumeAccepting();
  } else {
    server_.pauseAccepting();
  }
#endif
}

void TcpAcceptor::AcceptAll() {
#if defined(Q_OS_UNIX)
  for (;;) {
    const int fd = ::accept(static_cast<int>(server_.socketDescriptor()), nullptr, nullptr);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;  // the peer gave up: next
      if (errno == EAGAIN || errno == EWOULDBLOCK) break;
      Pause(SystemReason(errno), errno == EMFILE || errno == ENFILE);
      return;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    auto* socket = new QTcpSocket(&server_);
    if (!socket->setSocketDescriptor(fd)) {
      ::close(fd);
      delete socket;
      continue;
    }
    if (events_.accepted) events_.accepted(socket);
  }
#else
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    if (events_.accepted) events_.accepted(socket);
  }
#endif
  Recovered();
}

void TcpAcceptor::Pause(const std::string& why, bool descriptors) {
  SetAccepting(false);
  retry_.start(retry_interval_);
  if (paused_) return;
  paused_ = true;
  if (!events_.note) return;
  events_.note(std::string("cannot accept connections") +
                   (descriptors ? ": no file descriptor is left" : "") + " (" + why +
                   "); trying again when a connection closes, and every " +
                   DurationText(retry_interval_),
               true);
}

void TcpAcceptor::Recovered() {
  if (!paused_) return;
  paused_ = false;
  retry_.stop();
  if (events_.note) events_.note("accepting connections again", false);
}

void TcpAcceptor::Resume() {
  if (!paused_) return;
  retry_.stop();
  SetAccepting(true);
}

}  // namespace tvx::app
