#include "app/transmit.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QTimer>
#include <functional>

#include "app/stop_signals.h"
#include "links/link_status.h"
#include "links/port_names.h"
#include "links/qt_serial_control.h"
#include "links/qt_socket_control.h"
#include "links/tcp_link.h"

namespace tvx::app {

namespace {

constexpr qint64 kDrainMarginMs = 500;
constexpr int kTcpDrainMs = 5000;

int Stopped(const StopSignals* stop) {
  return stop ? stop->Received() : 0;
}

// An event loop that a stop signal ends too.
void RunLoop(QEventLoop& loop, const StopSignals* stop) {
  if (stop) QObject::connect(stop, &StopSignals::Stop, &loop, &QEventLoop::quit);
  if (!Stopped(stop)) loop.exec();
}

// Lets the event loop run (links make progress) until ms have passed on clock.
void RunUntil(const QElapsedTimer& clock, qint64 ms, const StopSignals* stop) {
  while (clock.elapsed() < ms && !Stopped(stop)) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(ms - clock.elapsed()), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    RunLoop(loop, stop);
  }
}

// Runs the event loop until done(), the deadline or a stop; a change of the socket's state,
// when given, is looked at as it happens.
bool RunWhile(const std::function<bool()>& pending, qint64 bound_ms, const StopSignals* stop,
              const links::QtSocketControl* socket = nullptr) {
  QDeadlineTimer deadline(bound_ms);
  while (pending() && !deadline.hasExpired() && !Stopped(stop)) {
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    if (socket) {
      QObject::connect(socket, &links::QtSocketControl::StateChanged, &loop, &QEventLoop::quit);
    }
    RunLoop(loop, stop);
  }
  return !pending();
}

TransmitResult StoppedBy(const StopSignals* stop) {
  return {false, "stopped by " + SignalName(Stopped(stop)), Stopped(stop)};
}

// The pieces at their times, one grid position per tick for the andon grid, each tick's
// pieces handed over together; false at the first write that fails.
bool Replay(const console::CommandOutcome& outcome, window::MSComm& serial, window::Winsock& socket,
            protocol::OutputObserver* observer, const StopSignals* stop) {
  protocol::LinkOutput out(serial, socket);
  out.SetObserver(observer);
  out.Choose();  // the one link given is the one open
  QElapsedTimer clock;
  clock.start();
  const auto& pieces = outcome.pieces;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    RunUntil(clock, pieces[i].at_ms, stop);
    if (Stopped(stop)) return true;
    out.Write(pieces[i].bytes);
    if (i + 1 == pieces.size() || pieces[i + 1].at_ms != pieces[i].at_ms) out.Flush();
    if (out.Failed()) return false;
  }
  RunUntil(clock, outcome.done_ms, stop);
  return true;
}

// Qt reads a bare port name as one under /dev ("ttyUSB0" is /dev/ttyUSB0), and a relative path
// with a "/" in it too. A name with a "/", or one that names a file here, is a path: it goes to
// Qt whole. Otherwise the name Qt takes, or empty when there is no such device.
std::string SerialDevicePath(const std::string& name) {
  const QString given = QString::fromStdString(name);
  if (name.find('/') != std::string::npos || QFileInfo::exists(given)) {
    const QFileInfo file(given);
    return file.exists() ? file.absoluteFilePath().toStdString() : std::string();
  }
#ifdef Q_OS_WIN
  return name;  // COM3 is no file to look for
#else
  return QFileInfo::exists(QSerialPortInfo(given).systemLocation()) ? name : std::string();
#endif
}

qint64 ByteCount(const console::CommandOutcome& outcome) {
  qint64 n = 0;
  for (const console::TimedPiece& piece : outcome.pieces)
    n += static_cast<qint64>(piece.bytes.size());
  return n;
}

}  // namespace

TransmitResult TransmitSerial(const std::string& device, const console::CommandOutcome& outcome,
                              protocol::OutputObserver* observer, const StopSignals* stop) {
  const std::string path = SerialDevicePath(device);
  if (path.empty()) return {false, "cannot open " + device + ": no such device"};
  links::PortNames names;
  names.Set(1, path);
  links::QtSerialControl serial(names);
  serial.SetCommPort(1);
  serial.SetSettings(protocol::kLineSettings);
  if (!serial.SetPortOpen(true)) {
    return {false, "cannot open " + device + " as a serial port at " +
                       links::LineSettings(protocol::kLineSettings) + ": " + serial.LastError()};
  }
  links::QtSocketControl unconnected;  // so the serial half is chosen
  if (!Replay(outcome, serial, unconnected, observer, stop)) {
    return {false, "the packet could not be written to " + device + ": " + serial.LastError()};
  }
  if (Stopped(stop)) {
    static_cast<void>(serial.SetPortOpen(false));  // what was written drains in the background
    return StoppedBy(stop);
  }
  const qint64 baud = links::ParseSerialSettings(protocol::kLineSettings)->baud_rate;
  const qint64 line_ms = links::LineTimeMs(ByteCount(outcome), baud) + kDrainMarginMs;
  const bool drained =
      RunWhile([&serial] { return serial.PortOpen() && serial.BytesToWrite() > 0; }, line_ms, stop);
  const qint64 left = serial.PortOpen() ? serial.BytesToWrite() : 0;
  static_cast<void>(serial.SetPortOpen(false));  // what the line took is known already
  if (Stopped(stop)) return StoppedBy(stop);
  if (!drained || left > 0) {
    return {false, std::to_string(left) + " bytes could not leave " + device +
                       " within their line time; is anything reading the line?"};
  }
  return {};
}

TransmitResult TransmitTcp(const std::string& host, int port,
                           const console::CommandOutcome& outcome,
                           protocol::OutputObserver* observer, const StopSignals* stop) {
  const std::string where = host + ":" + std::to_string(port);
  links::QtSocketControl socket;
  // A peer that takes the connection and drops it at once looks, a poll later, like one that
  // never answered: this tells them apart.
  bool was_connected = false;
  QObject::connect(&socket, &links::QtSocketControl::StateChanged, [&socket, &was_connected] {
    was_connected = was_connected || socket.State() == window::kSckConnected;
  });
  socket.Connect(host, port);
  // As the console's connect request: a poll every 50 ms, 60 polls at most.
  const bool connected = RunWhile(
      [&socket] {
        const int state = socket.State();
        return state != window::kSckConnected && state != window::kSckClosed &&
               state != window::kSckError;
      },
      static_cast<qint64>(links::kPollMs) * links::kPollLimit, stop, &socket);
  if (Stopped(stop)) {
    socket.Close();
    return StoppedBy(stop);
  }
  if (socket.State() != window::kSckConnected && was_connected) {
    socket.Close();
    return {false, where +
                       " accepted the connection and closed it before anything was sent; is "
                       "another client using it?"};
  }
  if (socket.State() != window::kSckConnected) {
    // Refused or unreachable ends the wait early; a silent host runs out the polls.
    const std::string why =
        connected ? socket.LastError()
                  : "no answer within " +
                        std::to_string(links::kPollMs * links::kPollLimit / 1000) + " s";
    socket.Close();
    return {false, "could not connect to " + where + ": " + why};
  }
  const links::PortNames no_ports;
  links::QtSerialControl unopened(no_ports);
  if (!Replay(outcome, unopened, socket, observer, stop)) {
    const std::string why = socket.LastError();
    const bool peer_closed = socket.State() != window::kSckConnected;
    socket.Close();
    if (peer_closed) {
      return {false, where +
                         " accepted the connection and closed it before the packet was sent; is "
                         "another client using it?"};
    }
    return {false,
            "the packet could not be written to the TCP/IP connection " + where + ": " + why};
  }
  if (Stopped(stop)) {
    socket.Close();  // what was written drains in the background
    return StoppedBy(stop);
  }
  // A closed socket forgets what it still held: the count is the last one seen while connected.
  qint64 left = socket.BytesToWrite();
  RunWhile(
      [&socket, &left] {
        if (socket.State() != window::kSckConnected) return false;
        left = socket.BytesToWrite();
        return left > 0;
      },
      kTcpDrainMs, stop);
  // The packet leaves the moment the connection is up, so a peer that takes a connection and
  // drops it at once shows only now: a poll's time is given to see it, as the wait for the
  // connection gave it before the packet went.
  if (left == 0 && socket.State() == window::kSckConnected) {
    RunWhile([&socket] { return socket.State() == window::kSckConnected; }, links::kPollMs, stop,
             &socket);
    if (!Stopped(stop) && socket.State() != window::kSckConnected) {
      socket.Close();
      return {false, where +
                         " accepted the connection and closed it as the packet was sent; it may "
                         "not have taken it (is another client using it?)"};
    }
  }
  const bool closed = socket.State() != window::kSckConnected;
  socket.Close();
  if (Stopped(stop)) return StoppedBy(stop);
  if (left > 0 && closed) {
    return {false, where + " closed the connection before " + std::to_string(left) +
                       " bytes of the packet were sent"};
  }
  if (left > 0) {
    return {false, std::to_string(left) + " bytes could not be sent to " + where + " within " +
                       std::to_string(kTcpDrainMs / 1000) + " s"};
  }
  return {};
}

}  // namespace tvx::app
