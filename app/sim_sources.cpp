#include "app/sim_sources.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <map>

#if defined(Q_OS_LINUX)
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#endif

namespace tvx::app {

// One byte stream and its decoder.
struct SimSources::Stream {
  std::string name;
  protocol::Decoder decoder;
  std::unique_ptr<QSerialPort> port;  // a serial source
  bool stopped = false;
};

struct SimSources::Server {
  int port = 0;
  QTcpServer listener;
  int accepted = 0;
  std::map<QTcpSocket*, std::unique_ptr<Stream>> connections;
};

struct SimSources::Pty {
  std::string link;
  int master = -1;
  int slave = -1;  // held open, so the console closing its end is no hang-up here
  std::unique_ptr<QSocketNotifier> notifier;
  Stream stream;
};

SimSources::SimSources(Sink sink, QObject* parent) : QObject(parent), sink_(std::move(sink)) {}

SimSources::~SimSources() {
  Close();
}

void SimSources::Feed(Stream& stream, const char* data, std::size_t size) {
  stream.decoder.Feed(std::string_view(data, size), [this, &stream](protocol::DecodedItem&& item) {
    if (sink_.item) sink_.item(stream.name, std::move(item));
  });
}

void SimSources::Finish(Stream& stream) {
  stream.decoder.Finish([this, &stream](protocol::DecodedItem&& item) {
    if (sink_.item) sink_.item(stream.name, std::move(item));
  });
}

std::optional<std::string> SimSources::ListenTcp(int port) {
  auto server = std::make_unique<Server>();
  if (!server->listener.listen(QHostAddress::Any, static_cast<quint16>(port))) {
    return "cannot listen on TCP port " + std::to_string(port) + ": " +
           server->listener.errorString().toStdString();
  }
  server->port = server->listener.serverPort();
  Server* raw = server.get();
  connect(&raw->listener, &QTcpServer::newConnection, this, [this, raw] { Accept(*raw); });
  servers_.push_back(std::move(server));
  return std::nullopt;
}

void SimSources::Accept(Server& server) {
  while (QTcpSocket* socket = server.listener.nextPendingConnection()) {
    const std::string name =
        "tcp:" + std::to_string(server.port) + "#" + std::to_string(++server.accepted);
    if (static_cast<int>(server.connections.size()) >= kMaxConnections) {
      socket->abort();
      socket->deleteLater();
      if (sink_.note) {
        sink_.note(name, "refused: " + std::to_string(kMaxConnections) + " connections are open",
                   true);
      }
      continue;
    }
    // As every TCP socket of the program: nothing it sends waits for an acknowledgement.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    auto stream = std::make_unique<Stream>();
    stream->name = name;
    Stream* raw = stream.get();
    server.connections.emplace(socket, std::move(stream));
    if (sink_.note) {
      sink_.note(name,
                 "connected from " + socket->peerAddress().toString().toStdString() + ":" +
                     std::to_string(socket->peerPort()),
                 false);
    }
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, raw] {
      const QByteArray bytes = socket->readAll();
      Feed(*raw, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, &server, socket] {
      const auto it = server.connections.find(socket);
      if (it == server.connections.end()) return;
      const QByteArray rest = socket->readAll();
      Feed(*it->second, rest.constData(), static_cast<std::size_t>(rest.size()));
      Finish(*it->second);
      if (sink_.note) sink_.note(it->second->name, "closed", false);
      server.connections.erase(it);
      socket->deleteLater();
    });
  }
}

std::optional<std::string> SimSources::CreatePty(const std::string& path) {
#if defined(Q_OS_LINUX)
  if (QFileInfo::exists(QString::fromStdString(path)) ||
      QFileInfo(QString::fromStdString(path)).isSymLink()) {
    return "--pty " + path + ": the path exists; give one that does not";
  }
  auto pty = std::make_unique<Pty>();
  char name[256] = {};
  if (::openpty(&pty->master, &pty->slave, name, nullptr, nullptr) != 0) {
    return std::string("cannot create a pty: ") + std::strerror(errno);
  }
  // The console's end as a serial line would be: raw bytes, nothing echoed or translated.
  termios mode{};
  ::tcgetattr(pty->slave, &mode);
  ::cfmakeraw(&mode);
  ::cfsetspeed(&mode, B9600);
  ::tcsetattr(pty->slave, TCSANOW, &mode);
  ::fcntl(pty->master, F_SETFL, ::fcntl(pty->master, F_GETFL) | O_NONBLOCK);
  if (::symlink(name, path.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    ::close(pty->master);
    ::close(pty->slave);
    return "--pty " + path + ": cannot make the link: " + why;
  }
  pty->link = path;
  pty->stream.name = path;
  pty->notifier = std::make_unique<QSocketNotifier>(pty->master, QSocketNotifier::Read);
  Pty* raw = pty.get();
  connect(raw->notifier.get(), &QSocketNotifier::activated, this, [this, raw] {
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(raw->master, buffer, sizeof buffer);
      if (n <= 0) break;
      Feed(raw->stream, buffer, static_cast<std::size_t>(n));
    }
  });
  ptys_.push_back(std::move(pty));
  return std::nullopt;
#else
  return "--pty " + path + ": ptys are made on Linux only; use --listen or --serial here";
#endif
}

std::optional<std::string> SimSources::OpenSerial(const std::string& device) {
  auto stream = std::make_unique<Stream>();
  stream->name = device;
  stream->port = std::make_unique<QSerialPort>(QString::fromStdString(device));
  QSerialPort& port = *stream->port;
  port.setBaudRate(9600);
  port.setParity(QSerialPort::NoParity);
  port.setDataBits(QSerialPort::Data8);
  port.setStopBits(QSerialPort::OneStop);
  port.setFlowControl(QSerialPort::NoFlowControl);
  if (!port.open(QIODevice::ReadOnly)) {
    return "cannot open " + device + " at 9600 8N1: " + port.errorString().toStdString();
  }
  Stream* raw = stream.get();
  connect(&port, &QSerialPort::readyRead, this, [this, raw] {
    const QByteArray bytes = raw->port->readAll();
    Feed(*raw, bytes.constData(), static_cast<std::size_t>(bytes.size()));
  });
  // A vanished adapter: this source stops, once, and the others go on.
  connect(&port, &QSerialPort::errorOccurred, this, [this, raw](QSerialPort::SerialPortError e) {
    if (raw->stopped || (e != QSerialPort::ResourceError && e != QSerialPort::ReadError)) return;
    raw->stopped = true;
    const std::string why = raw->port->errorString().toStdString();
    Finish(*raw);
    if (sink_.note)
      sink_.note(raw->name,
                 "stopped: the device is gone or failed (" + why + "); the other sources go on",
                 true);
    QMetaObject::invokeMethod(
        this, [raw] { raw->port->close(); }, Qt::QueuedConnection);
  });
  serials_.push_back(std::move(stream));
  return std::nullopt;
}

std::vector<int> SimSources::TcpPorts() const {
  std::vector<int> ports;
  for (const auto& server : servers_) ports.push_back(server->port);
  return ports;
}

void SimSources::Close() {
  for (auto& server : servers_) {
    server->listener.close();
    for (auto& [socket, stream] : server->connections) {
      socket->disconnect(this);
      Finish(*stream);
      socket->abort();
      socket->deleteLater();
    }
    server->connections.clear();
  }
  servers_.clear();
  for (auto& pty : ptys_) {
#if defined(Q_OS_LINUX)
    pty->notifier.reset();
    Finish(pty->stream);
    // Only the link made here goes: a path someone replaced meanwhile stays.
    std::error_code error;
    if (std::filesystem::is_symlink(pty->link, error)) ::unlink(pty->link.c_str());
    ::close(pty->master);
    ::close(pty->slave);
#endif
  }
  ptys_.clear();
  for (auto& stream : serials_) {
    if (!stream->stopped) Finish(*stream);
    stream->port->disconnect(this);
    stream->port->close();
  }
  serials_.clear();
}

}  // namespace tvx::app
