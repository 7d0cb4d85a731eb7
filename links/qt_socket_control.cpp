#include "links/qt_socket_control.h"

#include <QHostAddress>

#include "links/drains.h"

namespace tvx::links {

namespace {

// How long Close lets bytes already sent reach the network before cutting the connection.
constexpr int kCloseDrainMs = 500;
constexpr int kMaxPort = 65535;

}  // namespace

QtSocketControl::QtSocketControl(QObject* parent) : QObject(parent) {
  NewSocket();
}

void QtSocketControl::NewSocket() {
  socket_ = std::make_unique<QTcpSocket>();
  // Unread input would pile up forever, and reading is also how a peer's close gets noticed.
  connect(socket_.get(), &QTcpSocket::readyRead, this, &QtSocketControl::DiscardIncoming);
  QTcpSocket* socket = socket_.get();
  connect(socket, &QTcpSocket::stateChanged, this,
          [this, socket](QAbstractSocket::SocketState state) {
            // A packet's bytes go out as they are handed over, not held back for an ACK:
            // a device server would put the wait onto the line, in the middle of a packet.
            if (state == QAbstractSocket::ConnectedState) {
              socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            }
            emit StateChanged();
          });
}

QtSocketControl::~QtSocketControl() {
  Close();
}

int QtSocketControl::State() const {
  switch (socket_->state()) {
    case QAbstractSocket::UnconnectedState:
      return tvx::window::kSckClosed;
    case QAbstractSocket::HostLookupState:
      return tvx::window::kSckResolvingHost;
    case QAbstractSocket::ConnectingState:
      return tvx::window::kSckConnecting;
    case QAbstractSocket::ConnectedState:
      return tvx::window::kSckConnected;
    case QAbstractSocket::BoundState:
      return tvx::window::kSckOpen;
    case QAbstractSocket::ListeningState:
      return tvx::window::kSckListening;
    case QAbstractSocket::ClosingState:
      return tvx::window::kSckClosing;
  }
  return tvx::window::kSckError;
}

// Closed at once for the console; bytes already sent leave in the background first.
void QtSocketControl::Close() {
  if (socket_->state() != QAbstractSocket::ConnectedState || socket_->bytesToWrite() == 0) {
    socket_->abort();
    return;
  }
  disconnect(socket_.get(), nullptr, this, nullptr);
  QTcpSocket* socket = socket_.get();
  const std::string name =
      socket->peerName().toStdString() + ":" + std::to_string(socket->peerPort());
  drains::Adopt(
      std::move(socket_), name, kCloseDrainMs,
      [](QIODevice& device) { static_cast<QTcpSocket&>(device).abort(); },
      [socket] { return socket->state() != QAbstractSocket::ConnectedState; });
  NewSocket();
}

int QtSocketControl::LocalPort() const {
  const auto state = socket_->state();
  if (state == QAbstractSocket::BoundState || state == QAbstractSocket::ConnectedState) {
    return socket_->localPort();
  }
  return local_port_;
}

std::string QtSocketControl::RemoteHostIP() const {
  if (socket_->state() != QAbstractSocket::ConnectedState) return {};
  QHostAddress peer = socket_->peerAddress();
  bool is_ipv4 = false;
  const quint32 ipv4 = peer.toIPv4Address(&is_ipv4);
  // A dual-stack socket shows an IPv4 peer as ::ffff:a.b.c.d; the console expects a.b.c.d.
  if (is_ipv4) peer = QHostAddress(ipv4);
  return peer.toString().toStdString();
}

void QtSocketControl::Connect(const std::string& host, int port) {
  if (socket_->state() != QAbstractSocket::UnconnectedState) socket_->abort();
  remote_host_ = host;
  remote_port_ = port;
  if (host.empty() || port <= 0 || port > kMaxPort) return;
  if (local_port_ > 0 && local_port_ <= kMaxPort &&
      !socket_->bind(QHostAddress::Any, static_cast<quint16>(local_port_))) {
    return;
  }
  socket_->connectToHost(QString::fromStdString(host), static_cast<quint16>(port),
                         QIODevice::ReadWrite);
}

bool QtSocketControl::SendData(const std::string& piece) {
  if (socket_->state() != QAbstractSocket::ConnectedState) return false;
  return socket_->write(piece.data(), static_cast<qint64>(piece.size())) >= 0;
}

// Starts the send now instead of at the next event-loop pass; never waits. A write the
// system refuses drops the connection.
bool QtSocketControl::Flush() {
  if (socket_->bytesToWrite() == 0) return true;
  socket_->flush();
  return socket_->state() == QAbstractSocket::ConnectedState;
}

void QtSocketControl::DiscardIncoming() {
  socket_->readAll();
}

}  // namespace tvx::links
