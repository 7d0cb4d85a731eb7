#include "links/qt_serial_control.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <utility>
#include <vector>

#include "links/drains.h"

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace tvx::links {

namespace {

// Time a drain may take beyond the line time of the pending bytes. A drain holds nothing up,
// so the margin can allow for a line a little slower than nominal (adapters buffer too).
constexpr qint64 kDrainMarginMs = 2000;
constexpr qint32 kMaxBaudRate = 4'000'000;

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  for (;;) {
    const auto comma = text.find(',');
    fields.push_back(Trim(text.substr(0, comma)));
    if (comma == std::string_view::npos) return fields;
    text.remove_prefix(comma + 1);
  }
}

std::optional<qint32> ParseBaud(std::string_view field) {
  qint32 baud = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), baud);
  if (field.empty() || error != std::errc() || end != field.data() + field.size()) return {};
  if (baud <= 0 || baud > kMaxBaudRate) return {};
  return baud;
}

std::optional<QSerialPort::Parity> ParseParity(std::string_view field) {
  constexpr std::pair<char, QSerialPort::Parity> kLetters[] = {{'N', QSerialPort::NoParity},
                                                               {'E', QSerialPort::EvenParity},
                                                               {'O', QSerialPort::OddParity},
                                                               {'M', QSerialPort::MarkParity},
                                                               {'S', QSerialPort::SpaceParity}};
  if (field.size() != 1) return {};
  for (const auto& [letter, parity] : kLetters) {
    if (letter == std::toupper(static_cast<unsigned char>(field[0]))) return parity;
  }
  return {};
}

std::optional<QSerialPort::DataBits> ParseDataBits(std::string_view field) {
  if (field == "5") return QSerialPort::Data5;
  if (field == "6") return QSerialPort::Data6;
  if (field == "7") return QSerialPort::Data7;
  if (field == "8") return QSerialPort::Data8;
  return {};
}

std::optional<QSerialPort::StopBits> ParseStopBits(std::string_view field) {
  if (field == "1") return QSerialPort::OneStop;
  if (field == "1.5") return QSerialPort::OneAndHalfStop;
  if (field == "2") return QSerialPort::TwoStop;
  return {};
}

// Whether the device behind an open port has hung up (a pulled USB adapter, a closed pty).
bool HungUp(const QSerialPort& port) {
#ifdef Q_OS_UNIX
  pollfd descriptor{static_cast<int>(port.handle()), POLLOUT, 0};
  if (::poll(&descriptor, 1, 0) < 0) return true;
  return (descriptor.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
  Q_UNUSED(port);
  return false;
#endif
}

// On Unix a full output queue also reports ResourceError (EAGAIN), and a device that vanished
// with an unusual errno reports WriteError; the descriptor's hang-up state tells them apart.
bool DeviceGone(const QSerialPort& port, QSerialPort::SerialPortError error) {
#ifdef Q_OS_UNIX
  if (error != QSerialPort::ResourceError && error != QSerialPort::WriteError) return false;
  return HungUp(port);
#else
  Q_UNUSED(port);
  return error == QSerialPort::ResourceError;
#endif
}

}  // namespace

std::optional<SerialSettings> ParseSerialSettings(std::string_view text) {
  const auto fields = SplitFields(text);
  if (fields.size() != 4) return std::nullopt;
  const auto baud = ParseBaud(fields[0]);
  const auto parity = ParseParity(fields[1]);
  const auto data_bits = ParseDataBits(fields[2]);
  const auto stop_bits = ParseStopBits(fields[3]);
  if (!baud || !parity || !data_bits || !stop_bits) return std::nullopt;
  return SerialSettings{*baud, *parity, *data_bits, *stop_bits};
}

QtSerialControl::QtSerialControl(const PortNames& names, QObject* parent)
    : QObject(parent), names_(names) {
  NewPort();
}

QtSerialControl::~QtSerialControl() {
  DrainAndClose();
}

void QtSerialControl::NewPort() {
  port_ = std::make_unique<QSerialPort>();
  connect(port_.get(), &QSerialPort::errorOccurred, this, &QtSerialControl::OnError);
}

bool QtSerialControl::SetPortOpen(bool open) {
  if (!open) {
    DrainAndClose();
    return !port_->isOpen();
  }
  return port_->isOpen() || Open();
}

bool QtSerialControl::Open() {
  const auto settings = ParseSerialSettings(settings_);
  const std::string device = names_.Device(comm_port_);
  if (!settings || device.empty()) {
    last_error_ = "no device for this port";
    return false;
  }
  // Bytes of an earlier close are still leaving on it: writing now would cut in among them.
  if (drains::Draining(device)) {
    last_error_ = "busy: still sending what was queued before it was closed";
    return false;
  }

  // Qt applies these while opening, so any setting the device refuses makes the open fail.
  port_->setPortName(QString::fromStdString(device));
  port_->setBaudRate(settings->baud_rate);
  port_->setParity(settings->parity);
  port_->setDataBits(settings->data_bits);
  port_->setStopBits(settings->stop_bits);
  port_->setFlowControl(QSerialPort::NoFlowControl);
  // Write-only: with a read notifier, a hung-up tty reads end-of-file forever and Qt reports it
  // as ReadError in a tight loop that never turns into ResourceError.
  const bool opened = port_->open(QIODevice::WriteOnly);
  open_device_ = device;
  last_error_ = opened ? "" : port_->errorString().toStdString();
  return opened;
}

bool QtSerialControl::Output(const std::string& piece) {
  if (!port_->isOpen()) return false;
  // A vanished device shows at the call, though the bytes wait for Flush; in the words a
  // write to it would get.
  if (HungUp(*port_)) {
    last_error_ = std::strerror(EIO);
    closing_ = true;
    port_->close();
    closing_ = false;
    return false;
  }
  const auto size = static_cast<qint64>(piece.size());
  if (port_->write(piece.data(), size) != size) {
    last_error_ = port_->errorString().toStdString();
    return false;
  }
  return true;
}

// Left unflushed, the bytes go out when the event loop next runs, still in one write.
bool QtSerialControl::Flush() {
  if (!port_->isOpen() || port_->bytesToWrite() == 0) return true;
  port_->clearError();
  // Hands the bytes to the driver now without waiting, so a write error shows here.
  port_->flush();
  // A vanished device has been closed by OnError; a merely full queue keeps the bytes for later.
  const bool ok = port_->isOpen() && port_->error() != QSerialPort::WriteError;
  if (!ok) last_error_ = port_->errorString().toStdString();
  return ok;
}

// The port closes at once for the console; what it still has queued leaves in the background.
void QtSerialControl::DrainAndClose() {
  if (!port_->isOpen() || closing_) return;
  const qint64 pending = port_->bytesToWrite();
  if (pending == 0) {
    // Closing a hung-up port reports errors of its own; they must not re-enter the close.
    closing_ = true;
    port_->close();
    closing_ = false;
    return;
  }
  const qint64 bound = LineTimeMs(pending, port_->baudRate()) + kDrainMarginMs;
  disconnect(port_.get(), nullptr, this, nullptr);
  QSerialPort* port = port_.get();
  drains::Adopt(
      std::move(port_), open_device_, bound,
      [](QIODevice& device) { static_cast<QSerialPort&>(device).close(); },
      [port] { return HungUp(*port); });
  NewPort();
}

void QtSerialControl::OnError(QSerialPort::SerialPortError error) {
  // Left open, a vanished device makes Qt repeat the error from its notifier at full CPU.
  if (!port_->isOpen() || closing_ || !DeviceGone(*port_, error)) return;
  closing_ = true;
  port_->close();
  closing_ = false;
}

}  // namespace tvx::links
