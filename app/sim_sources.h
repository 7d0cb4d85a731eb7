#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "protocol/decode.h"

class QSerialPort;
class QSocketNotifier;
class QTcpServer;
class QTcpSocket;

namespace tvx::app {

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
  };

  // Connections one port serves at once; more are closed at once, with a note.
  static constexpr int kMaxConnections = 256;

  explicit SimSources(Sink sink, QObject* parent = nullptr);
  ~SimSources() override;

  // Each says why it cannot listen, or nothing when it does.
  [[nodiscard]] std::optional<std::string> ListenTcp(int port);
  // A pty pair with a symbolic link to the console's end at path (which must not exist).
  [[nodiscard]] std::optional<std::string> CreatePty(const std::string& path);
  [[nodiscard]] std::optional<std::string> OpenSerial(const std::string& device);

  // The port a TCP source listens on (port 0 picks a free one).
  std::vector<int> TcpPorts() const;
  // Ends every source: open packets are reported cut off.
  void Close();

 private:
  struct Stream;
  struct Server;
  struct Pty;
  void Feed(Stream& stream, const char* data, std::size_t size);
  void Finish(Stream& stream);
  void Accept(Server& server);

  Sink sink_;
  std::vector<std::unique_ptr<Server>> servers_;
  std::vector<std::unique_ptr<Pty>> ptys_;
  std::vector<std::unique_ptr<Stream>> serials_;
};

}  // namespace tvx::app
