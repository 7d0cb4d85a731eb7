#include "app/transmit.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <functional>

#include "links/port_names.h"
#include "links/qt_serial_control.h"
#include "links/qt_socket_control.h"
#include "links/tcp_link.h"

namespace tvx::app {

namespace {

constexpr qint64 kBaud = 9600;
constexpr qint64 kDrainMarginMs = 500;
constexpr int kTcpDrainMs = 5000;

// Lets the event loop run (links make progress) until ms have passed on clock.
void RunUntil(const QElapsedTimer& clock, qint64 ms) {
  while (clock.elapsed() < ms) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(ms - clock.elapsed()), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    loop.exec();
  }
}

// Runs the event loop until done() or the deadline; a change of the socket's state, when
// given, is looked at as it happens.
bool RunWhile(const std::function<bool()>& pending, qint64 bound_ms,
              const links::QtSocketControl* socket = nullptr) {
  QDeadlineTimer deadline(bound_ms);
  while (pending() && !deadline.hasExpired()) {
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    if (socket) {
      QObject::connect(socket, &links::QtSocketControl::StateChanged, &loop, &QEventLoop::quit);
    }
    loop.exec();
  }
  return !pending();
}

// The pieces at their times, one grid position per tick for the andon grid, each tick's
// pieces handed over together; false at the first write that fails.
bool Replay(const console::CommandOutcome& outcome, window::MSComm& serial, window::Winsock& socket,
            protocol::OutputObserver* observer) {
  protocol::LinkOutput out(serial, socket);
  out.SetObserver(observer);
  out.Choose();  // the one link given is the one open
  QElapsedTimer clock;
  clock.start();
  const auto& pieces = outcome.pieces;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    RunUntil(clock, pieces[i].at_ms);
    out.Write(pieces[i].bytes);
    if (i + 1 == pieces.size() || pieces[i + 1].at_ms != pieces[i].at_ms) out.Flush();
    if (out.Failed()) return false;
  }
  RunUntil(clock, outcome.done_ms);
  return true;
}

qint64 ByteCount(const console::CommandOutcome& outcome) {
  qint64 n = 0;
  for (const console::TimedPiece& piece : outcome.pieces)
    n += static_cast<qint64>(piece.bytes.size());
  return n;
}

}  // namespace

TransmitResult TransmitSerial(const std::string& device, const console::CommandOutcome& outcome,
                              protocol::OutputObserver* observer) {
  if (!QFileInfo::exists(QString::fromStdString(device))) {
    return {false, "cannot open " + device + ": no such device"};
  }
  links::PortNames names;
  names.Set(1, device);
  links::QtSerialControl serial(names);
  serial.SetCommPort(1);
  serial.SetSettings("9600,N,8,1");
  if (!serial.SetPortOpen(true)) {
    return {false,
            "cannot open " + device + " as a serial port at 9600 8N1: " + serial.LastError()};
  }
  links::QtSocketControl unconnected;  // so the serial half is chosen
  if (!Replay(outcome, serial, unconnected, observer)) {
    return {false, "the packet could not be written to " + device + ": " + serial.LastError()};
  }
  const qint64 line_ms = links::LineTimeMs(ByteCount(outcome), kBaud) + kDrainMarginMs;
  const bool drained =
      RunWhile([&serial] { return serial.PortOpen() && serial.BytesToWrite() > 0; }, line_ms);
  const qint64 left = serial.PortOpen() ? serial.BytesToWrite() : 0;
  serial.SetPortOpen(false);
  if (!drained || left > 0) {
    return {false, std::to_string(left) + " bytes could not leave " + device +
                       " within their line time; is anything reading the line?"};
  }
  return {};
}

TransmitResult TransmitTcp(const std::string& host, int port,
                           const console::CommandOutcome& outcome,
                           protocol::OutputObserver* observer) {
  const std::string where = host + ":" + std::to_string(port);
  links::QtSocketControl socket;
  socket.Connect(host, port);
  // As the console's connect request: a poll every 50 ms, 60 polls at most.
  const bool connected = RunWhile(
      [&socket] {
        const int state = socket.State();
        return state != window::kSckConnected && state != window::kSckClosed &&
               state != window::kSckError;
      },
      static_cast<qint64>(links::kPollMs) * links::kPollLimit, &socket);
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
  if (!Replay(outcome, unopened, socket, observer)) {
    const std::string why = socket.LastError();
    socket.Close();
    return {false,
            "the packet could not be written to the TCP/IP connection " + where + ": " + why};
  }
  const bool drained = RunWhile(
      [&socket] { return socket.State() == window::kSckConnected && socket.BytesToWrite() > 0; },
      kTcpDrainMs);
  const qint64 left = socket.BytesToWrite();
  socket.Close();
  if (!drained || left > 0) {
    return {false, std::to_string(left) + " bytes could not be sent to " + where};
  }
  return {};
}

}  // namespace tvx::app
