#pragma once

#include <QObject>
#include <QSerialPort>
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "links/port_names.h"
#include "protocol/link.h"
#include "window/comm_controls.h"

namespace tvx::links {

// The line parameters of a settings text such as protocol::kLineSettings.
struct SerialSettings {
  qint32 baud_rate = 9600;
  QSerialPort::Parity parity = QSerialPort::NoParity;
  QSerialPort::DataBits data_bits = QSerialPort::Data8;
  QSerialPort::StopBits stop_bits = QSerialPort::OneStop;
};

// How long bytes take to leave a line at this speed: start, 8 data bits at most, parity or a
// second stop bit make 10 bits a byte.
inline qint64 LineTimeMs(qint64 bytes, qint64 baud) {
  return bytes * 10 * 1000 / std::max<qint64>(baud, 1);
}

// "baud,parity,databits,stopbits"; parity N/E/O/M/S, data bits 5..8, stop bits 1, 1.5 or 2.
[[nodiscard]] std::optional<SerialSettings> ParseSerialSettings(std::string_view text);

// The serial control on QSerialPort. Writes are queued and go out from the event loop, so a slow
// line never blocks the caller; closing never waits either: bytes still queued leave in the
// background, and the device counts as busy until they have.
class QtSerialControl : public QObject, public tvx::window::MSComm {
  Q_OBJECT

 public:
  // The names must outlive the control.
  explicit QtSerialControl(const PortNames& names, QObject* parent = nullptr);
  ~QtSerialControl() override;

  int CommPort() const override { return comm_port_; }
  void SetCommPort(int port) override { comm_port_ = port; }
  std::string Settings() const override { return settings_; }
  void SetSettings(const std::string& settings) override { settings_ = settings; }
  bool PortOpen() const override { return port_->isOpen(); }
  [[nodiscard]] bool SetPortOpen(bool open) override;
  // Pieces wait in the control until Flush or the next pass of the event loop, so a packet
  // reaches the driver in one write.
  [[nodiscard]] bool Output(const std::string& piece) override;
  [[nodiscard]] bool Flush() override;

  // Bytes written but not yet handed to the driver, and the last error in words.
  qint64 BytesToWrite() const { return port_->bytesToWrite(); }
  std::string LastError() const { return last_error_; }

 private:
  void NewPort();
  [[nodiscard]] bool Open();
  void DrainAndClose();
  void OnError(QSerialPort::SerialPortError error);

  const PortNames& names_;
  std::unique_ptr<QSerialPort> port_;
  std::string last_error_;
  std::string open_device_;  // as named, so that a drain blocks the same name
  int comm_port_ = 1;
  std::string settings_ = protocol::kLineSettings;
  bool closing_ = false;
};

}  // namespace tvx::links
