#include "app/gateway/bus_links.h"

#include <QFileInfo>
#include <algorithm>

namespace tvx::app {

namespace {

constexpr int kSerialPort = 1;  // the one Comm port the serial link maps to its device
constexpr std::chrono::milliseconds kSerialCheck{1000};

}  // namespace

void GatewayBusLink::Report(bool up, const std::string& error) {
  if (reported_ && up == up_ && error == error_) return;
  reported_ = true;
  up_ = up;
  error_ = up ? std::string() : error;
  if (changed_) changed_({up_, error_, destination_, 0});
}

std::chrono::milliseconds Backoff::Next() {
  const auto now = next_;
  next_ = std::min(next_ * 2, kLast);
  return now;
}

TcpBusLink::TcpBusLink(std::string host, int port, QObject* parent)
    : GatewayBusLink((host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" +
                     std::to_string(port)),
      host_(std::move(host)),
      port_(port) {
  setParent(parent);
  again_.setSingleShot(true);
  connect(&again_, &QTimer::timeout, this, &TcpBusLink::Open);
  connect(&socket_, &QTcpSocket::connected, this, [this] {
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    backoff_.Reset();
    Report(true, {});
  });
  connect(&socket_, &QTcpSocket::disconnected, this,
          [this] { Lost("the connection was closed by the other end"); });
  connect(&socket_, &QTcpSocket::errorOccurred, this,
          [this] { Lost(socket_.errorString().toStdString()); });
  // The bus does not answer; what comes anyway is dropped, and reading notices a close.
  connect(&socket_, &QTcpSocket::readyRead, this, [this] { socket_.readAll(); });
}

// The socket's own close at its end is no news to anyone.
TcpBusLink::~TcpBusLink() {
  QObject::disconnect(&socket_, nullptr, this, nullptr);
}

void TcpBusLink::Open() {
  if (socket_.state() != QAbstractSocket::UnconnectedState) return;
  socket_.connectToHost(QString::fromStdString(host_), static_cast<quint16>(port_));
}

void TcpBusLink::Lost(const std::string& why) {
  if (socket_.state() == QAbstractSocket::ConnectedState) return;  // an error of a live socket
  Report(false, why);
  if (!again_.isActive()) again_.start(backoff_.Next());
}

tvx::gateway::WriteResult TcpBusLink::Write(std::string_view bytes) {
  if (socket_.state() != QAbstractSocket::ConnectedState) return {false, "not connected", 0};
  const auto size = static_cast<qint64>(bytes.size());
  if (socket_.write(bytes.data(), size) != size) {
    const std::string why = socket_.errorString().toStdString();
    socket_.abort();
    Lost(why);
    return {false, why, 0};
  }
  socket_.flush();  // starts the send now, never waits
  return {true, {}, bytes.size()};
}

SerialBusLink::SerialBusLink(std::string device, QObject* parent)
    : GatewayBusLink(device), device_(std::move(device)), control_(names_) {
  setParent(parent);
  names_.Set(kSerialPort, device_);
  control_.SetCommPort(kSerialPort);
  control_.SetSettings("9600,N,8,1");
  connect(&check_, &QTimer::timeout, this, &SerialBusLink::Check);
}

void SerialBusLink::Open() {
  check_.start(kSerialCheck);
  Check();
}

// A device that went is closed by the control at its error, or is seen gone from /dev here;
// one that is back opens again.
void SerialBusLink::Check() {
  if (control_.PortOpen() && !QFileInfo::exists(QString::fromStdString(device_))) {
    (void)control_.SetPortOpen(false);
    Report(false, "the device is gone");
  }
  if (control_.PortOpen()) {
    Report(true, {});
    return;
  }
  if (control_.SetPortOpen(true)) {
    Report(true, {});
  } else {
    Report(false, control_.LastError().empty() ? "the device is gone" : control_.LastError());
  }
}

tvx::gateway::WriteResult SerialBusLink::Write(std::string_view bytes) {
  if (!control_.PortOpen()) return {false, "the device is not open", 0};
  if (!control_.Output(std::string(bytes))) {
    const std::string why = control_.LastError();
    Check();
    return {false, why.empty() ? "the write failed" : why, 0};
  }
  return {true, {}, bytes.size()};
}

}  // namespace tvx::app
