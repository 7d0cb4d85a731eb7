#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/listen_address.h"
#include "protocol/decode.h"

class QSerialPort;
class QSocketNotifier;
class QTcpServer;
class QTcpSocket;

namespace tvx::app {

// How much the TCP sources take on.
struct SourceLimits {
  // Connections served at once over every TCP port; more are closed as they come, and a
  // note says so once each time the limit is reached.
  int max_connections = 256;
  // A connection that sends nothing for this long is closed: a peer that vanished without
  // a word would otherwise hold its place for ever.
  std::chrono::milliseconds idle{std::chrono::minutes(10)};
  // When the system has no file descriptor left for a connection, accepting pauses for
  // this long, or until one of ours closes.
  std::chrono::milliseconds accept_retry{std::chrono::seconds(1)};
  // At most this many bytes are taken from a source at a time (0: all there are), and at
  // most read_buffer wait unread for a TCP connection (0: no bound): with the sink's `more`,
  // a source that is not to be read is held back by its connection, not by memory.
  std::size_t read_chunk = 0;
  std::int64_t read_buffer = 0;
};

// Where the simulator listens: TCP ports (as a serial-to-Ethernet server does), ptys the
// console can open as a serial port, and real serial ports. Each source's bytes go through a
// decoder of their own, so a packet split across reads is whole again. What the sources yield
// and what happens to them goes to the sink; a source that fails stops alone.
class SimSources : public QObject {
  Q_OBJECT
 public:
  struct Sink {
    // A packet or a stretch of bytes that is none, from the source named ("tcp:3001#2").
    std::function<void(const std::string& source, protocol::DecodedItem&& item)> item;
    // Something happened to a source: a connection came or went, a device vanished.
    std::function<void(const std::string& source, const std::string& note, bool error)> note;
    // Whether more may be read from the source now (none: always); one that was not is read
    // again at Resume().
    std::function<bool(const std::string& source)> more;
  };

  using Limits = SourceLimits;

  explicit SimSources(Sink sink, Limits limits = {}, QObject* parent = nullptr);
  ~SimSources() override;

  // Each says why it cannot listen, or nothing when it does.
  [[nodiscard]] std::optional<std::string> ListenTcp(const ListenAddress& where);
  // A pty pair with a symbolic link to the console's end at path. The path must not exist,
  // unless it is a link an earlier run left behind to a pty that is gone: that one is
  // replaced, with a note.
  [[nodiscard]] std::optional<std::string> CreatePty(const std::string& path);
  [[nodiscard]] std::optional<std::string> OpenSerial(const std::string& device);

  // The port a TCP source listens on (port 0 picks a free one).
  std::vector<int> TcpPorts() const;
  int Connections() const { return connections_; }
  // A source the sink held back may be read again (soon, not from inside this call).
  void Resume(const std::string& source);
  // Ends every source: open packets are reported cut off.
  void Close();

 private:
  struct Stream;
  struct Connection;
  struct Server;
  struct Pty;
  void Feed(Stream& stream, const char* data, std::size_t size);
  void Finish(Stream& stream);
  bool Wants(const Stream& stream) const;
  void ReadTcp(Stream& stream, QTcpSocket& socket);
  void ReadPty(Pty& pty);
  void Accept(Server& server, QTcpSocket* socket);
  void Drop(Server& server, QTcpSocket* socket, const std::string& note);
  void ResumeAccepting();
  void CheckIdle(Server& server, QTcpSocket* socket);

  Sink sink_;
  Limits limits_;
  int connections_ = 0;
  bool at_limit_noted_ = false;
  std::vector<std::unique_ptr<Server>> servers_;
  std::vector<std::unique_ptr<Pty>> ptys_;
  std::vector<std::unique_ptr<Stream>> serials_;
};

}  // namespace tvx::app
