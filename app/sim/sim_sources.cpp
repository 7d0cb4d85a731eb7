#include "app/sim/sim_sources.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <map>

#include "app/sim/tcp_acceptor.h"
#include "links/link_status.h"
#include "links/qt_serial_control.h"
#include "protocol/link.h"

#if defined(Q_OS_LINUX)
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#endif

namespace tvx::app {

// One byte stream and its decoder.
struct SimSources::Stream {
  std::string name;
  protocol::Decoder decoder;
  std::unique_ptr<QSerialPort> port;  // a serial source
  bool stopped = false;
};

// A TCP connection: its stream, and how long it has been quiet.
struct SimSources::Connection {
  Stream stream;
  QElapsedTimer quiet;
  QTimer idle;  // single-shot, at the earliest moment the connection could be idle
};

struct SimSources::Server {
  int port = 0;
  QTcpServer listener;
  std::unique_ptr<TcpAcceptor> acceptor;
  int accepted = 0;
  std::map<QTcpSocket*, std::unique_ptr<Connection>> connections;
  std::string Name() const { return "tcp:" + std::to_string(port); }
};

struct SimSources::Pty {
  std::string link;
  std::string device;  // the pty the link names
  int master = -1;
  int slave = -1;  // held open, so the console closing its end is no hang-up here
  std::unique_ptr<QSocketNotifier> notifier;
  Stream stream;
};

namespace {

#if defined(Q_OS_LINUX)
// The pty a link of an earlier run names, when that pty is gone: such a link is ours to
// replace. Anything else at the path is someone's and stays.
std::optional<std::string> StaleLinkTarget(const std::string& path) {
  char target[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
  if (n <= 0) return std::nullopt;
  const std::string device(target, static_cast<std::size_t>(n));
  constexpr std::string_view kPts = "/dev/pts/";
  if (device.size() <= kPts.size() || device.compare(0, kPts.size(), kPts) != 0) {
    return std::nullopt;
  }
  for (std::size_t i = kPts.size(); i < device.size(); ++i) {
    if (device[i] < '0' || device[i] > '9') return std::nullopt;
  }
  struct stat status {};
  if (::lstat(device.c_str(), &status) == 0 || errno != ENOENT) return std::nullopt;
  return device;
}

std::string LinkTarget(const std::string& path) {
  char target[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}
#endif

}  // namespace

SimSources::SimSources(Sink sink, Limits limits, QObject* parent)
    : QObject(parent), sink_(std::move(sink)), limits_(limits) {}

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

std::optional<std::string> SimSources::ListenTcp(const ListenAddress& where) {
  auto server = std::make_unique<Server>();
  if (!server->listener.listen(where.address, static_cast<quint16>(where.port))) {
    return "cannot listen on " + ListenAddressText(where) + ": " +
           server->listener.errorString().toStdString();
  }
  server->port = server->listener.serverPort();
  Server* raw = server.get();
  raw->acceptor = std::make_unique<TcpAcceptor>(
      raw->listener, limits_.accept_retry,
      TcpAcceptor::Events{[this, raw](QTcpSocket* socket) { Accept(*raw, socket); },
                          [this, raw](const std::string& note, bool error) {
                            if (sink_.note) sink_.note(raw->Name(), note, error);
                          }});
  servers_.push_back(std::move(server));
  return std::nullopt;
}

void SimSources::Accept(Server& server, QTcpSocket* socket) {
  const std::string name = server.Name() + "#" + std::to_string(++server.accepted);
  if (connections_ >= limits_.max_connections) {
    socket->abort();
    socket->deleteLater();
    if (!at_limit_noted_ && sink_.note) {
      sink_.note(name,
                 "refused: " + std::to_string(limits_.max_connections) +
                     " connections are open; more are refused until one closes",
                 true);
    }
    at_limit_noted_ = true;
    return;
  }
  // As every TCP socket of the program: nothing it sends waits for an acknowledgement.
  socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  // A peer that vanished without a word is found out even when no idle limit is near.
  socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
  auto connection = std::make_unique<Connection>();
  connection->stream.name = name;
  connection->quiet.start();
  Connection* raw = connection.get();
  server.connections.emplace(socket, std::move(connection));
  ++connections_;
  if (sink_.note) {
    sink_.note(name,
               "connected from " + socket->peerAddress().toString().toStdString() + ":" +
                   std::to_string(socket->peerPort()),
               false);
  }
  if (limits_.read_buffer > 0) socket->setReadBufferSize(limits_.read_buffer);
  connect(socket, &QTcpSocket::readyRead, this, [this, socket, raw] {
    raw->quiet.restart();
    ReadTcp(raw->stream, *socket);
  });
  connect(socket, &QTcpSocket::disconnected, this,
          [this, &server, socket] { Drop(server, socket, "closed"); });
  raw->idle.setSingleShot(true);
  connect(&raw->idle, &QTimer::timeout, this,
          [this, &server, socket] { CheckIdle(server, socket); });
  raw->idle.start(limits_.idle);
}

bool SimSources::Wants(const Stream& stream) const {
  return !sink_.more || sink_.more(stream.name);
}

void SimSources::ReadTcp(Stream& stream, QTcpSocket& socket) {
  while (socket.bytesAvailable() > 0 && Wants(stream)) {
    const QByteArray bytes = limits_.read_chunk > 0
                                 ? socket.read(static_cast<qint64>(limits_.read_chunk))
                                 : socket.readAll();
    Feed(stream, bytes.constData(), static_cast<std::size_t>(bytes.size()));
  }
}

void SimSources::Resume(const std::string& source) {
  QMetaObject::invokeMethod(
      this,
      [this, source] {
        for (auto& server : servers_) {
          for (auto& [socket, connection] : server->connections) {
            if (connection->stream.name == source) return ReadTcp(connection->stream, *socket);
          }
        }
        for (auto& pty : ptys_) {
          if (pty->stream.name == source) return ReadPty(*pty);
        }
      },
      Qt::QueuedConnection);
}

void SimSources::CheckIdle(Server& server, QTcpSocket* socket) {
  const auto it = server.connections.find(socket);
  if (it == server.connections.end()) return;
  // Restarting a timer on every read would cost a busy bus; the quiet clock is cheap.
  const std::chrono::milliseconds quiet(it->second->quiet.elapsed());
  if (quiet < limits_.idle) {
    it->second->idle.start(limits_.idle - quiet);
    return;
  }
  Drop(server, socket, "closed: nothing received for " + DurationText(limits_.idle));
}

void SimSources::Drop(Server& server, QTcpSocket* socket, const std::string& note) {
  const auto it = server.connections.find(socket);
  if (it == server.connections.end()) return;
  socket->disconnect(this);
  const QByteArray rest = socket->readAll();
  Feed(it->second->stream, rest.constData(), static_cast<std::size_t>(rest.size()));
  Finish(it->second->stream);
  if (sink_.note) sink_.note(it->second->stream.name, note, false);
  server.connections.erase(it);
  socket->abort();
  socket->deleteLater();
  --connections_;
  if (connections_ < limits_.max_connections) at_limit_noted_ = false;
  ResumeAccepting();
}

void SimSources::ResumeAccepting() {
  for (auto& server : servers_) server->acceptor->Resume();
}

std::optional<std::string> SimSources::CreatePty(const std::string& path) {
#if defined(Q_OS_LINUX)
  if (const auto gone = StaleLinkTarget(path)) {
    if (::unlink(path.c_str()) != 0) {
      return "--pty " + path +
             ": cannot replace the link an earlier run left: " + std::strerror(errno);
    }
    if (sink_.note) {
      sink_.note(path, "replaced the link an earlier run left to " + *gone + ", which is gone",
                 false);
    }
  }
  if (QFileInfo::exists(QString::fromStdString(path)) ||
      QFileInfo(QString::fromStdString(path)).isSymLink()) {
    const std::string target = LinkTarget(path);
    return "--pty " + path + ": the path exists" +
           (target.empty() ? std::string() : " (a link to " + target + ")") +
           "; give one that does not";
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
  pty->device = name;
  pty->stream.name = path;
  pty->notifier = std::make_unique<QSocketNotifier>(pty->master, QSocketNotifier::Read);
  Pty* raw = pty.get();
  connect(raw->notifier.get(), &QSocketNotifier::activated, this, [this, raw] { ReadPty(*raw); });
  ptys_.push_back(std::move(pty));
  return std::nullopt;
#else
  return "--pty " + path + ": ptys are made on Linux only; use --listen or --serial here";
#endif
}

void SimSources::ReadPty(Pty& pty) {
#if defined(Q_OS_LINUX)
  char buffer[4096];
  const std::size_t most =
      limits_.read_chunk > 0 ? std::min(limits_.read_chunk, sizeof buffer) : sizeof buffer;
  // Held back, the pty's own buffer fills and its writer waits; the notifier would fire for
  // the same bytes again and again.
  while (Wants(pty.stream)) {
    const ssize_t n = ::read(pty.master, buffer, most);
    if (n <= 0) break;
    Feed(pty.stream, buffer, static_cast<std::size_t>(n));
  }
  pty.notifier->setEnabled(Wants(pty.stream));
#else
  (void)pty;
#endif
}

std::optional<std::string> SimSources::OpenSerial(const std::string& device) {
  auto stream = std::make_unique<Stream>();
  stream->name = device;
  stream->port = std::make_unique<QSerialPort>(QString::fromStdString(device));
  QSerialPort& port = *stream->port;
  const links::SerialSettings line = *links::ParseSerialSettings(protocol::kLineSettings);
  port.setBaudRate(line.baud_rate);
  port.setParity(line.parity);
  port.setDataBits(line.data_bits);
  port.setStopBits(line.stop_bits);
  port.setFlowControl(QSerialPort::NoFlowControl);
  if (!port.open(QIODevice::ReadOnly)) {
    return "cannot open " + device + " at " + links::LineSettings(protocol::kLineSettings) + ": " +
           port.errorString().toStdString();
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
    server->acceptor.reset();  // it watches the listener's descriptor
    server->listener.close();
    for (auto& [socket, connection] : server->connections) {
      socket->disconnect(this);
      Finish(connection->stream);
      socket->abort();
      socket->deleteLater();
    }
    server->connections.clear();
  }
  servers_.clear();
  connections_ = 0;
  for (auto& pty : ptys_) {
#if defined(Q_OS_LINUX)
    pty->notifier.reset();
    Finish(pty->stream);
    // Only the link made here goes: a path someone replaced meanwhile stays.
    if (LinkTarget(pty->link) == pty->device) ::unlink(pty->link.c_str());
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
